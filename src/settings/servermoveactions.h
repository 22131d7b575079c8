#pragma once

class Workspace;

// "Sposta i dati su un server...": the File menu's move of the open database file onto an
// empty database on the office's PostgreSQL server, as the user meets it. The server is the
// one Default.ini names, or one the user types; every value the server would refuse is listed
// in one report before anything is written; once the move is done the user may name the
// server in Default.ini, for the next start. The file itself is never changed.
namespace ServerMoveActions {

void moveToServer(Workspace &workspace);

} // namespace ServerMoveActions
