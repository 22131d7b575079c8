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

// Throws DbError naming the first of the seven tables the open file lacks.
void checkTables(Database &db);

} // namespace Schema
