#pragma once

#include <QStringList>

class ResultScreen;
class Workspace;
struct ResultStep;

// The one code that replaces the current result: every query, the complex query, each
// drill-down step and the reopening of the payments after a save make a ResultStep and
// hand it here.
namespace QuerySequence {

// Closes the query, replaces its statement with `lines`, opens it and runs the column passes
// (titles, visibility). Throws when the engine refuses the statement; the result then stays
// closed and the grid without columns.
void replaceResult(Workspace &workspace, const QStringList &lines);

// Closes the result with nothing in its place, as before the database file is replaced.
void closeResult(Workspace &workspace);

// The workspace takes on the step's state (view and insert kind, drill-down context, whether
// payments are shown) and the result is replaced by the step's statement with its
// parameters; its read-only fields are marked. No screen: for tools and tests.
void apply(Workspace &workspace, const ResultStep &step);

// Carries the step out on the main window: unless the step keeps the screen, the typed change
// is saved, the search field, buttons and drill-down toggle take the step's state, the quick
// search is switched off and the editors are unbound; then the result is replaced (a refused
// statement leaves grid and card empty and is thrown on), the grid and the card show it, the
// status line is written, the date editor hidden and the card coloured.
void run(Workspace &workspace, ResultScreen &screen, const ResultStep &step);

} // namespace QuerySequence
