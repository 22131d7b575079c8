#pragma once

#include <QString>

class Database;

// The address book's exchange in the other formats for pratilio-bench: exporting the persons
// result to .vcf and .csv against writing the same bytes with a plain loop, and importing
// address cards: the reading against reading the file and scanning its bytes once, the
// writing against the raw engine inserting the same rows.
namespace BenchContacts {

// Export speed on the persons of the database; `runs` runs per figure.
void exportSpeed(Database &db, int runs);
// Import speed of the cards of (up to) `persons` persons of that database.
void importSpeed(Database &db, const QString &workFolder, int persons, int runs);

} // namespace BenchContacts
