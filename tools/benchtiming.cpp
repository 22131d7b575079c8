#include "benchtiming.h"

#include "data/database.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace BenchTiming {

int gRuns = 5;

double medianMs(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return ns.empty() ? 0 : double(ns[ns.size() / 2]) / 1e6;
}

// The time of one run of `work`, repeated: a single run under a millisecond is mostly the
// clock's and the scheduler's noise. The runs are made in groups of at least 10 ms, at least
// three groups, and the median group's mean is taken, so that a moment when the machine was
// busy elsewhere drops out. `prepare` runs before each run, untimed.
double repeatedMs(const std::function<void()> &work, const std::function<void()> &prepare)
{
    std::vector<qint64> groups;
    for (int g = 0; g < std::max(3, gRuns); ++g) {
        qint64 total = 0;
        int runs = 0;
        do {
            if (prepare)
                prepare();
            QElapsedTimer t;
            t.start();
            work();
            total += t.nsecsElapsed();
            ++runs;
        } while (total < 10'000'000);
        groups.push_back(total / runs);
    }
    return medianMs(groups);
}

double timeMs(const std::function<void()> &work, int runs)
{
    std::vector<qint64> ns;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ns.push_back(t.nsecsElapsed());
    }
    return medianMs(ns);
}

// timeMs, except that work under a millisecond is timed by repetition (repeatedMs). Both
// figures of a line are taken the same way, so that neither gains from warm caches alone.
double shortMs(const std::function<void()> &work)
{
    const double median = timeMs(work);
    return median < 1.0 ? repeatedMs(work) : median;
}

// The floor: the raw engine stepping through a statement and reading every column as text.
size_t stepAll(Database &db, const QByteArray &sql)
{
    Statement st(db, sql);
    const int columns = st.columnCount();
    size_t bytes = 0;
    while (st.step()) {
        for (int c = 0; c < columns; ++c) {
            size_t size = 0;
            st.cell(c, &size);
            bytes += size;
        }
    }
    return bytes;
}

QByteArray joined(const QStringList &lines) { return lines.join(QStringLiteral("\r\n")).toUtf8(); }

void row(const char *what, double ours, double floor, double target)
{
    const double ratio = floor > 0 ? ours / floor : 0;
    // Figures under a millisecond show three decimals; the short lines come from repeated runs.
    const int digits = std::min(ours, floor) < 1.0 ? 3 : 1;
    std::printf("  %-52s %9.*f ms %9.*f ms %7.2f  %s\n", what, digits, ours, digits, floor, ratio,
                target <= 0 ? "" : (ratio <= target ? "ok" : "MISSED"));
}

void limitRow(const char *what, double ours, double floor, double limitMs)
{
    const double ratio = floor > 0 ? ours / floor : 0;
    std::printf("  %-52s %9.1f ms %9.1f ms %7.2f  %s (within %.0f ms)\n", what, ours, floor, ratio,
                ours <= limitMs ? "ok" : "MISSED", limitMs);
}

} // namespace BenchTiming
