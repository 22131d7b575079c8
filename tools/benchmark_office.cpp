#include "benchmark_office.h"

#include "app/principale.h"
#include "benchmark_exchange.h"
#include "benchtiming.h"
#include "data/database.h"
#include "data/databasebackup.h"
#include "data/query.h"
#include "data/schema.h"
#include "queries/standardqueries.h"
#include "views/resultprinter.h"
#include "views/resulttotals.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPdfWriter>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

using namespace BenchTiming;
using BenchExchange::statusKb;

namespace BenchOffice {

void totals(Database &db)
{
    std::printf("8. Totals in the status bar after a quick-search keystroke (projects result)\n");
    Query projects(&db);
    projects.setSql(StandardQueries::describe(StandardQuery::Progetto).lines);
    projects.open();
    ResultTotals totals(&projects);
    const double first = timeMs([&] {
        ResultTotals fresh(&projects);
        fresh.compute();
    });
    std::printf("  %d rows; first reading of the amounts of a new result %.1f ms\n", projects.recordCount(), first);
    totals.compute();
    struct Case
    {
        const char *name;
        QString filter;
    };
    const std::vector<Case> cases = {
        {"keystroke Importo_totale=1500, totals after it", QStringLiteral("Importo_totale=1500")},
        {"keystroke Comune LIKE '*' (every row shown)", QStringLiteral("Comune LIKE '*'")},
    };
    for (const Case &c : cases) {
        const double filter = shortMs([&] {
            projects.setFiltered(false);
            projects.setFilter(c.filter);
            projects.setFiltered(true);
        });
        const double sum = shortMs([&] { totals.compute(); });
        std::printf("    %d rows shown\n", projects.recordCount());
        row(c.name, sum, filter, 0.1);
    }
}

void backup(Database &db, const QString &folder)
{
    std::printf("9. Backup of the open database, against copying its file\n");
    const QString source = db.path();
    const QString target = QDir(folder).filePath(QStringLiteral("bench-copy.mdb"));
    const int runs = std::min(gRuns, 3);
    std::vector<qint64> copy, durableCopy, backup;
    DatabaseBackup backups(db, Schema::databasePassword());
    for (int i = 0; i < runs; ++i) {
        QFile::remove(target);
        QElapsedTimer t;
        t.start();
        QFile::copy(source, target);
        copy.push_back(t.nsecsElapsed());
        // A backup is only one once it is on the disk: the floor copies and flushes, as the
        // backup does (the plain copy's figure is printed beside it).
        QFile written(target);
        if (written.open(QIODevice::ReadWrite))
            ::fsync(written.handle());
        durableCopy.push_back(t.nsecsElapsed());
        t.restart();
        backups.copyTo(target);
        backup.push_back(t.nsecsElapsed());
    }
    QFile::remove(target);
    std::printf("    file of %.1f MB; copied in %.1f ms, on the disk after %.1f ms\n", QFileInfo(source).size() / 1e6,
                medianMs(copy), medianMs(durableCopy));
    row("copy of the encrypted file under a read lock", medianMs(backup), medianMs(durableCopy), 1.5);
}

void printing(Principale &main, const QString &folder)
{
    main.runStandardQuery(StandardQuery::Committente);
    Query *q = main.query();
    if (q->recordCount() > 20000)
        return; // the printing figure is taken on the smaller database
    std::printf("10. Printing the persons result to a PDF file, page by page\n");
    const QString path = QDir(folder).filePath(QStringLiteral("Output/bench.pdf"));
    // The peak is measured from here: writing 5 to clear_refs resets it to the resident size.
    if (QFile clear(QStringLiteral("/proc/self/clear_refs")); clear.open(QIODevice::WriteOnly))
        clear.write("5");
    const long before = statusKb("VmHWM:");
    int pages = 0;
    const double ms = timeMs(
        [&] {
            QPdfWriter pdf(path);
            pdf.setResolution(300);
            pdf.setPageSize(QPageSize(QPageSize::A4));
            pdf.setPageOrientation(QPageLayout::Landscape);
            ResultPrinter printer(main.grid(), main.gridDelegate());
            pages = printer.pageCount(&pdf);
            printer.print(&pdf);
        },
        1);
    const long after = statusKb("VmHWM:");
    std::printf("  %d rows on %d pages: %.0f ms (%.2f ms a page); %.1f MB PDF; process peak %.1f MB above the "
                "size before\n",
                q->recordCount(), pages, ms, ms / std::max(1, pages), QFileInfo(path).size() / 1e6,
                (after - before) / 1024.0);
    QFile::remove(path);
}

} // namespace BenchOffice
