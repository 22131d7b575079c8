#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class Database;

// Where the database file lives, its key, and the statements that make a new, empty one.
// The database tool creates one, and so does the program on a first start without one.
namespace Schema {

// The program's database password, used as the file's key.
QByteArray databasePassword();

// Program folder + "Database/DatiCliente.mdb".
QString databasePath(const QString &programDir);

// The state names a new database lists; the first four have a meaning for the program.
QStringList defaultStates();

// Creates the seven tables, their indexes, the rows of Stato and the one row of
// Applicazione (empty Codice), in one transaction.
void createTables(Database &db);

// Why the open file's objects (tables with their columns, indexes, triggers, views) are not
// the ones createTables() makes, in Italian; empty when they are. A file holding any object
// of its own is refused before anything in it can run: the file's key is the same in every
// office, so anyone can make one. Indexes of the program that a file lacks are accepted
// (they hold nothing), and so is the surname index of earlier versions.
QString structureProblem(Database &db);

// Throws DbError, naming the file, when structureProblem() finds one.
void checkStructure(Database &db);

} // namespace Schema
