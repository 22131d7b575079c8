#pragma once

#include <QString>

class Database;
class Principale;

// The office features' figures for pratilio-bench: the status bar's totals after a keystroke,
// the backup against copying the file, and printing the persons result to a PDF.
namespace BenchOffice {

void totals(Database &db);
void backup(Database &db, const QString &folder);
void printing(Principale &main, const QString &folder);

} // namespace BenchOffice
