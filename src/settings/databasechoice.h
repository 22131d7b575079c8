#pragma once

#include "data/pgconnection.h"

#include <QString>

#include <optional>

class ProgramPaths;
class Workspace;

// Which database the program opens. Default.ini may name it under [DATABASE] "Percorso", so
// that an office keeps the file in a folder of its own; otherwise it is the data folders'
// Database/DatiCliente.mdb. "Tipo=server" names instead the office's PostgreSQL server,
// with "Host", "Porta", "Nome" (the database), "Utente" and "SSL"; its password is never
// written there: it comes from ~/.pgpass or is asked at start-up. On the first start in the user's folders, with no database yet,
// the user is offered a new, empty one, or else an existing file, instead of a failure.
namespace DatabaseChoice {

// The file Default.ini names (a relative path from Default.ini's folder, "~/" from the home
// folder); empty when it names none.
QString named(const ProgramPaths &paths);
// Names `file` in Default.ini, every other line left as it is. False, with `error`, when
// the file could not be written or the path cannot be stored in it.
bool name(const ProgramPaths &paths, const QString &file, QString *error);

// The server Default.ini names; nullopt when it names the file (no "Tipo", or "Tipo=file").
// Throws DbError, naming the key, for a value that cannot be read.
std::optional<PgSettings> namedServer(const ProgramPaths &paths);
// Names the server in Default.ini (never its password), every other line left as it is; with
// nullopt, the file again ("Tipo=file"). False, with `error`, when the file could not be written.
bool nameServer(const ProgramPaths &paths, const std::optional<PgSettings> &server, QString *error);

// Creates an empty database at `path`: the tables, the project states and the application
// row with no password, making the folders it needs. Throws DbError, leaving no half-made file.
void createEmpty(const QString &path);

// Sets the workspace's database as above, asking on a first start, and opens it. Throws as
// Workspace::openConnection does; an existing file the user picked is named in Default.ini
// once it opened.
void open(Workspace &workspace);

} // namespace DatabaseChoice
