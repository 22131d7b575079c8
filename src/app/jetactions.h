#pragma once

#include <functional>

class QWidget;
class Workspace;

// The old archive's actions of the "File" menu as the user meets them: the file dialog, the
// questions, the automatic copy of the current database, the report. Every failure is told
// through the program's dialogs and leaves the database as it was.
namespace JetActions {

// "Importa archivio precedente (.mdb)...": converts a Jet archive chosen anywhere and puts it
// in place of the current database. A database that already holds data is replaced only
// after a question and after an automatic copy in the Backup folder. The data are then opened
// again (`runStartupQuery`) and the report shown over `parent`.
void importArchive(Workspace &workspace, const std::function<void()> &runStartupQuery, QWidget *parent);

// "Ricalcola importi pagati": after a question, every project's paid amount becomes the sum
// of its payments.
void recalculatePaidAmounts(Workspace &workspace, const std::function<void()> &runStartupQuery);

} // namespace JetActions
