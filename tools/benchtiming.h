#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <vector>

class Database;

// How pratilio-bench times a figure and prints it next to its floor.
namespace BenchTiming {

extern int gRuns; // runs per figure, the median is taken

double medianMs(std::vector<qint64> ns);
// The time of one run of `work`, repeated in groups of at least 10 ms (the median group's
// mean): a single run under a millisecond is mostly the clock's and the scheduler's noise.
// `prepare` runs before each run, untimed.
double repeatedMs(const std::function<void()> &work, const std::function<void()> &prepare = nullptr);
// The median of `runs` runs of `work`.
double timeMs(const std::function<void()> &work, int runs = gRuns);
// timeMs, except that work under a millisecond is timed by repetition (repeatedMs). Both
// figures of a line are taken the same way, so that neither gains from warm caches alone.
double shortMs(const std::function<void()> &work);
// The floor: the raw engine stepping through a statement and reading every column as text.
size_t stepAll(Database &db, const QByteArray &sql);
QByteArray joined(const QStringList &lines);
// One line of the report: our time, the floor's, their ratio and whether it meets `target`.
void row(const char *what, double ours, double floor, double target);
// The same for a target in milliseconds rather than a ratio: whether `ours` is within `limitMs`.
void limitRow(const char *what, double ours, double floor, double limitMs);

} // namespace BenchTiming
