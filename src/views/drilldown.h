#pragma once

#include <QStringList>

#include <optional>

class ResultScreen;
class Workspace;

// The drill-down from a person to its projects and from a project to its payments, and
// what a click on a data cell does (the row mark, links, the state pick list). Works on the
// workspace and tells the screen; knows no window.
class DrillDown
{
public:
    DrillDown(Workspace &workspace, ResultScreen &screen) : workspace_(workspace), screen_(screen) {}

    // The steps of a click on a data cell of `column`; the clicked row is the current row.
    // Returns the states to offer in the cell's pick list after a click on "Stato".
    std::optional<QStringList> cellClick(int column);
    void toProjects();
    void toPayments();

    // The key of the current row by the view, as the row mark compares it.
    QString currentRowKey() const;
    // The row mark goes to the current row (a result without the view's key leaves it).
    void markCurrentRow();

private:
    Workspace &workspace_;
    ResultScreen &screen_;
};
