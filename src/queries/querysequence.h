#pragma once

#include <QStringList>

class ResultScreen;
class Workspace;
struct QueryDescription;

// The one path that replaces the current result: every query, each drill-down step and
// the reopening of the payments after a save go through it.
namespace QuerySequence {

// Closes the query, replaces its statement with `lines`, opens it and runs the column passes
// (titles, visibility). Throws when the engine refuses the statement; the result then stays
// closed and the grid without columns.
void replaceResult(Workspace &workspace, const QStringList &lines);

// The common query sequence: the main window takes on the query's state (search field,
// buttons, view and insert kind, drill-down toggle), the typed change is saved, the editors
// are unbound, the result replaced and shown, the status line written and the card coloured.
void run(Workspace &workspace, ResultScreen &screen, const QueryDescription &description);

} // namespace QuerySequence
