#pragma once

#include <QString>
#include <QStringList>

class Workspace;

// The short readings every window shares: whole tables through the shared look-up table
// (`ADOTable1`, owned by the workspace), the project states, and the columns of a table.
namespace Lookups {

// The texts of `column` in every row of `table`, in table order. The look-up table is
// closed again, also when the reading fails.
QStringList columnTexts(Workspace &workspace, const QString &table, const QString &column);

// Every project state (column Stato_progetto of table Stato), in table order: the state
// pick lists of the grid, the card and the input sheet, and the condition dialog's list.
QStringList projectStates(Workspace &workspace);

// The column names of a database table, and whether it has one named `column` (exact).
QStringList columnsOf(Workspace &workspace, const QString &table);
bool hasColumn(Workspace &workspace, const QString &table, const QString &column);

} // namespace Lookups
