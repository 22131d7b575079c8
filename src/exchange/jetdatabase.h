#pragma once

#include <QString>

class Database;
class JetConversion;
class JetReport;

// Writes a converted archive as a new database of the program, and checks it.
namespace JetDatabase {

// Creates the database at `path` (which must not exist) with the program's key and schema,
// writes every table of `conversion` in one transaction, then checks it: the rows of every
// table counted, every amount column summed to the cent against what was converted, and the
// engine's integrity check. Raises DbError saying what did not match; the file is then
// removed. The report gets the rows written.
void write(const JetConversion &conversion, const QString &path, JetReport *report);

// Sets every project's Importo_pagato to the sum of its payments, in one transaction;
// returns how many projects changed.
int recalculatePaidAmounts(Database &db);

} // namespace JetDatabase
