#include "queries/querysequence.h"

#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "queries/standardqueries.h"

namespace QuerySequence {

void replaceResult(Workspace &workspace, const QStringList &lines)
{
    Query *query = workspace.query();
    GridColumns &grid = workspace.gridColumns();
    query->close();
    grid.columns.clear();
    query->clearSql();
    query->setSql(lines);
    query->open();
    grid.reset(*query);
    ColumnSetup::applyColumnTitles(grid, query);
    ColumnSetup::applyColumnVisibility(grid, workspace.globals().checkLists, workspace.globals().catalogue);
}

void run(Workspace &workspace, ResultScreen &screen, const QueryDescription &description)
{
    Globals &globals = workspace.globals();
    workspace.saveTypedChange();
    screen.setSearchField(description.searchField);
    screen.setAddEnabled(description.addEnabled);
    screen.setDeleteEnabled(description.deleteEnabled);
    globals.viewKind = description.viewKind;
    if (description.personsQuery)
        globals.insertKind = InsertPerson;
    screen.resetDrillDown(description.drillDownCaption);
    screen.setGridEditable(true);
    workspace.query()->setFiltered(false);
    screen.clearSearchText();
    screen.unbindEditors();

    try {
        replaceResult(workspace, description.lines);
    } catch (...) {
        // A rejected statement ends the sequence here, with grid and card empty.
        screen.setUpCard();
        throw;
    }

    if (workspace.query()->isEmpty())
        screen.setDrillDownEnabled(false);
    screen.showColumns();
    screen.setUpCard();
    screen.setStatusText(description.status);
    screen.hideGridDatePicker();
    screen.colourCard();
}

} // namespace QuerySequence
