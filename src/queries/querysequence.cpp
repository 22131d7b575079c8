#include "queries/querysequence.h"

#include "core/resultscreen.h"
#include "core/workspace.h"
#include "data/query.h"
#include "queries/resultstep.h"

namespace QuerySequence {

namespace {

void takeState(Globals &globals, const ResultStep &step)
{
    if (!step.keepsViewKind)
        globals.viewKind = step.viewKind;
    globals.paymentsShown = step.holdsPayments();
    if (step.insertKind)
        globals.insertKind = *step.insertKind;
    if (step.drillDown)
        globals.drillDown = *step.drillDown;
}

void replaceWithStep(Workspace &workspace, const ResultStep &step)
{
    Query *query = workspace.query();
    query->close();
    query->clearParameters();
    for (const auto &[name, value] : step.parameters)
        query->setParameter(name, value);
    replaceResult(workspace, step.lines);
    for (const QString &field : step.readOnlyFields) {
        const int column = query->fieldIndex(field);
        if (column >= 0)
            query->setFieldReadOnly(column, true);
    }
}

void prepareScreen(Workspace &workspace, ResultScreen &screen, const ResultStep &step)
{
    workspace.saveTypedChange(); // a refused save stops the step here, keeping the change
    screen.setSearchField(step.searchField);
    if (step.addEnabled)
        screen.setAddEnabled(*step.addEnabled);
    if (step.deleteEnabled)
        screen.setDeleteEnabled(*step.deleteEnabled);
    if (step.toggle == DrillDownToggle::Reset || step.toggle == DrillDownToggle::ResetDisabled)
        screen.resetDrillDown(step.drillDownCaption);
    if (step.toggle == DrillDownToggle::ResetDisabled)
        screen.setDrillDownEnabled(false);
    screen.setGridEditable(true);
    workspace.query()->setFiltered(false);
    screen.clearSearchText();
}

QString statusText(const Query &query, const ResultStep &step)
{
    if (step.statusFirstRowColumn.isEmpty())
        return step.status;
    const int column = query.fieldIndex(step.statusFirstRowColumn);
    return step.status + (query.isEmpty() || column < 0 ? QString() : query.text(0, column));
}

} // namespace

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

void closeResult(Workspace &workspace) { workspace.query()->close(); }

void apply(Workspace &workspace, const ResultStep &step)
{
    takeState(workspace.globals(), step);
    replaceWithStep(workspace, step);
}

void run(Workspace &workspace, ResultScreen &screen, const ResultStep &step)
{
    if (!step.keepsScreen)
        prepareScreen(workspace, screen, step);
    if (step.lines.isEmpty())
        return;
    if (step.statusFirst)
        screen.setStatusText(step.status);
    takeState(workspace.globals(), step);
    if (!step.keepsScreen)
        screen.unbindEditors();
    try {
        replaceWithStep(workspace, step);
    } catch (...) {
        // A rejected statement ends the step here, with grid and card empty.
        screen.setUpCard();
        throw;
    }

    const Query &query = *workspace.query();
    if (query.isEmpty() || step.toggle == DrillDownToggle::Disabled)
        screen.setDrillDownEnabled(false);
    screen.showColumns();
    screen.bindCard();
    if (!step.statusFirst && !step.status.isEmpty())
        screen.setStatusText(statusText(query, step));
    screen.hideGridDatePicker();
    if (step.toggle == DrillDownToggle::StaysPressed)
        screen.setDrillDownCaption(step.drillDownCaption);
    if (!step.gridEditable)
        screen.setGridEditable(false);
    if (step.colourCard)
        screen.colourCard();
}

} // namespace QuerySequence
