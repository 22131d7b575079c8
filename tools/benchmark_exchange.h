#pragma once

#include <QString>

class Database;

// The spreadsheet exchange's figures for pratilio-bench: exporting the persons result to
// .xlsx and .xls against a bare libxlsxwriter loop, the memory an export adds, and
// importing persons: the reading against minizip inflating the same parts (for .xls, the
// reading child alone), the writing against the raw engine inserting the same rows.
namespace BenchExchange {

// A figure of /proc/self/status in kB ("VmHWM:", "VmRSS:"), 0 when it cannot be read.
long statusKb(const char *key);

// Export speed on the persons of `folder`'s database; `runs` runs per figure.
void exportSpeed(Database &db, int persons, int runs);
// Import speed of (up to) `persons` persons read from that database.
void importSpeed(Database &db, const QString &workFolder, int persons, int runs);
// Run in a child process: the memory growth while exporting `folder`'s persons result.
int exportMemoryChild(const QString &folder);

} // namespace BenchExchange
