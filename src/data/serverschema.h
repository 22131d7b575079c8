#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <vector>

class Database;
class PgConnection;

// The seven tables on an office's PostgreSQL server, the same as in the file: what each column
// holds, the statements that make them, and the program's spelling of every name. The server
// keeps unquoted names in lower case ("città"); the program is given back its own ("Città").
namespace ServerSchema {

// Text compares without regard to case, as in the file (COLLATE NOCASE); ExactText does not.
enum class ColumnType { Integer, Text, ExactText, Amount, Date };

struct Column
{
    QString name; // the program's spelling
    ColumnType type;
};

struct Table
{
    QString name; // the program's spelling
    std::vector<Column> columns;
    QStringList key;       // key columns, in order (empty: none)
    QString identity;      // the column the server numbers (the invoice number), or empty
    QString orderColumn;   // a column of the server only, giving the rows' order, or empty
    bool notifies = false; // changes are announced to the other desks
};

// The seven tables in the order they are made.
const std::vector<Table> &tables();
// The table of that name in any case; nullptr when there is none.
const Table *table(const QString &name);

// The program's spelling of a table or column name the server gives back in lower case (or
// in any case); the name itself when the schema does not know it.
QString spelling(const QString &name);
// Whether the schema knows a table or column of that name, in any case.
bool knowsName(const QString &name);
// The order in which a whole table's rows are read, as the file gives them: its order column,
// its key, or nothing (empty) for a table with neither.
QString rowOrder(const QString &table);

// The channel on which the tables that notify announce their changes; the message names the
// table in the program's spelling.
QByteArray notificationChannel();

// Columns that only the server has (the order column): hidden from the program.
QStringList serverOnlyColumns(const QString &table);

// The statements that make the empty tables, in order: the citext extension (trusted: the
// database's owner may create it, no superuser needed), the tables, their indexes and the
// trigger that announces changes at commit.
QList<QByteArray> creationStatements();

// Runs the creation statements and writes the rows of Stato (`states`, in order) and the one
// row of Applicazione (empty Codice), in one transaction.
void createTables(PgConnection &db, const QStringList &states);

// What the server's catalogue holds of one of the seven tables.
struct CatalogueTable
{
    bool present = false;
    QStringList columns;   // in order, in the program's spelling, without those of the server only
    QStringList keys;      // the key columns, in order
    bool writable = false; // this session's role may insert, change and delete its rows
};

struct Catalogue
{
    QHash<QString, CatalogueTable> tables; // by the program's spelling
    bool serverReadOnly = false;           // the server takes no changes at all (a standby)
};

// Reads the catalogue's facts of the seven tables, in the current schema, in one query:
// this one.
QByteArray catalogueStatement();
Catalogue readCatalogue(PgConnection &db);

// Throws DbError naming the first of the seven tables the server database lacks.
void checkTables(PgConnection &db);
// The same through the program's connection, and for each table every column the program
// reads and writes, from the server's catalogue: throws DbError naming the first one missing.
void checkStructure(Database &db);

} // namespace ServerSchema
