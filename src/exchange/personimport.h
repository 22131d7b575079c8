#pragma once

#include "exchange/importedperson.h"
#include "exchange/sheetimport.h"

#include <QList>
#include <QSet>

class Database;
struct SheetContent;

// Adds persons read from an address card file or a text file to the address book, which
// may already hold persons: each gets new keys, one more than the largest in use, with
// its address and contact rows. Everything is written in one transaction: a refused row,
// a failure or a cancel leaves the database as it was.
class PersonImport
{
public:
    using Progress = SheetImport::Progress;

    explicit PersonImport(Database &db) : db_(db) {}

    // The persons of `people` the address book already holds: the same surname and name
    // (case and blanks around them aside), and the same fiscal code where both have one.
    // Their indexes in `people`.
    QList<int> alreadyPresent(const QList<ImportedPerson> &people);

    // Writes `people` but those whose index is in `skip`.
    ImportResult run(const QList<ImportedPerson> &people, const QSet<int> &skip = {}, const Progress &progress = {});

    // The persons of a sheet whose header names person columns as the spreadsheet import
    // takes them; `lines` gives each row's line in the file (empty: row number + 1).
    // Empty rows are no persons. False in `recognised` when no header is a person column.
    static QList<ImportedPerson> fromSheet(const SheetContent &sheet, const QList<int> &lines = {},
                                           QStringList *recognised = nullptr);

    // The codes of `person` that fail their check, one Italian line each; none when right.
    static QStringList codeProblems(const ImportedPerson &person);

private:
    ImportResult write(const QList<ImportedPerson> &people, const QSet<int> &skip, const Progress &progress);

    Database &db_; // Not owned.
};
