#include "core/lookups.h"

#include "core/workspace.h"
#include "data/database.h"
#include "data/table.h"

namespace Lookups {

QStringList columnTexts(Workspace &workspace, const QString &table, const QString &column)
{
    Table &lookUp = *workspace.lookUpTable();
    lookUp.close();
    lookUp.setTableName(table);
    QStringList texts;
    try {
        lookUp.open();
        const int index = lookUp.fieldByName(column).index();
        for (int row = 0; row < lookUp.recordCount(); ++row)
            texts << lookUp.text(row, index);
    } catch (...) {
        lookUp.close();
        throw;
    }
    lookUp.close();
    return texts;
}

QStringList projectStates(Workspace &workspace)
{
    return columnTexts(workspace, QStringLiteral("Stato"), QStringLiteral("Stato_progetto"));
}

QStringList columnsOf(Workspace &workspace, const QString &table) { return workspace.connection().columnNames(table); }

bool hasColumn(Workspace &workspace, const QString &table, const QString &column)
{
    return workspace.connection().hasColumn(table, column);
}

} // namespace Lookups
