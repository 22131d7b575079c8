#pragma once

#include "exchange/sheetreader.h"

#include <QString>
#include <QStringList>

#include <functional>

class Database;

// What an import did, for the window to show.
struct ImportResult
{
    enum class Outcome {
        Imported,  // every person of the sheet was written
        Empty,     // the sheet holds no person; nothing written
        Refused,   // the address book already holds persons; nothing written
        Failed,    // the file could not be read, or a row was refused; nothing written
        Cancelled, // stopped through the progress callback; nothing written
    };
    Outcome outcome = Outcome::Failed;
    int persons = 0;  // persons written
    int sheetRow = 0; // when a row was refused: its row number in the sheet
    QString message;  // Italian, ready to show
};

// Fills an empty address book from the sheet `Elenco` of a workbook: each data row
// becomes one person, with address and contact rows, keyed 0, 1, 2... in sheet order.
// Headers name the columns as the database does or as the export labels them, in any
// case ("cognome", "1° Telefono", "Partita IVA"); other columns are ignored and values
// are taken as text. Everything is written in one transaction: a refused row, a failure
// or a cancel leaves the database as it was.
class SheetImport
{
public:
    // Called after each person; false stops the import, which then writes nothing.
    using Progress = std::function<bool(int done, int total)>;

    static const QString kNotEmptyMessage;

    explicit SheetImport(Database &db) : db_(db) {}

    ImportResult run(const QString &path, const Progress &progress = {});
    ImportResult run(const SheetContent &sheet, const Progress &progress = {});

    // The person columns an import fills, in the order they are written.
    static const QStringList &personColumns();
    // The person column a sheet header stands for; empty when none.
    static QString columnForHeader(const QString &header);

private:
    ImportResult write(const SheetContent &sheet, const Progress &progress);

    Database &db_; // Not owned.
};
