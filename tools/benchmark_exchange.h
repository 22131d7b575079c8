#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class Database;
struct SheetContent;

// The spreadsheet exchange's figures for pratilio-bench: exporting the persons result to
// .xlsx and .xls against a bare libxlsxwriter loop, the memory an export adds, and
// importing persons: the reading against minizip inflating the same parts (for .xls, the
// reading child alone), the writing against the raw engine inserting the same rows.
namespace BenchExchange {

// A figure of /proc/self/status in kB ("VmHWM:", "VmRSS:"), 0 when it cannot be read.
long statusKb(const char *key);
// Sets the process's peak memory (VmHWM) back to what it holds now; false when it cannot.
bool resetPeak();

// The statement of the persons result, of the persons whose key is under `limit` (0: all).
QStringList personsStatement(int limit);
// The median of `runs` runs of `work`, `before` run untimed before each.
double timeMs(int runs, const std::function<void()> &before, const std::function<void()> &work);
// One line: our time, the floor's and their ratio, judged against `target` when it has one.
void row(const QString &what, double ours, double floor, double target = 0);
// A fresh empty address book at `path`, open in `db`.
void emptyDatabase(Database &db, const QString &path);
// The import's floor: the raw engine inserting the sheet's persons in one transaction.
void rawInsert(Database &db, const SheetContent &sheet);

// Export speed on the persons of `folder`'s database; `runs` runs per figure.
void exportSpeed(Database &db, int persons, int runs);
// Import speed of (up to) `persons` persons read from that database.
void importSpeed(Database &db, const QString &workFolder, int persons, int runs);
// Run in a child process: the memory growth while exporting `folder`'s persons result.
int exportMemoryChild(const QString &folder);

} // namespace BenchExchange
