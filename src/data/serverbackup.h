#pragma once

#include <QByteArray>
#include <QString>

class Database;

// A copy of the office server's data as a database file of one desk: the rows of the seven
// tables, read in one consistent snapshot of the server, written into a new file keyed with
// `key` (the tables made as the program makes them, the rows inserted in one transaction),
// which the program opens as any other file. The reverse of the move onto the server.
namespace ServerBackup {

// Writes the server's rows into a new file at `target` (no file may be there). Throws DbError
// with the reason; a half-written file is removed.
void writeFile(Database &server, const QString &target, const QByteArray &key);

} // namespace ServerBackup
