#pragma once

#include <functional>

class Workspace;

// The "File" menu's backups as the user meets them: the file dialogs, the questions and the
// messages around DatabaseBackup, and the automatic copy at exit. Every failure is told
// through the program's dialogs and leaves the database as it was.
namespace BackupActions {

// "Backup del database...": a copy of the open database to a file the user picks, offered
// as DatiCliente-AAAA-MM-GG.mdb in the Backup folder beside the program.
void backup(Workspace &workspace);

// "Ripristina da backup...": puts a copy the user picks in place of the database, once it
// has been checked, then opens the data again: the connection, the protection row and
// `runStartupQuery`.
void restore(Workspace &workspace, const std::function<void()> &runStartupQuery);

// At exit: an automatic copy in the Backup folder when the data changed during the run and
// the preferences file asks for one, keeping the number of copies it says.
void atExit(Workspace &workspace);

} // namespace BackupActions
