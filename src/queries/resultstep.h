#pragma once

#include "core/globals.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <utility>

// What becomes of the drill-down toggle in a step.
enum class DrillDownToggle {
    Reset,         // released and enabled, with the step's caption (every query)
    ResetDisabled, // released and disabled (the complex query)
    StaysPressed,  // pressed; takes the step's caption once the result is shown (to projects)
    Disabled,      // stays pressed, disabled once the result is shown (the payments)
};

// Everything one replacement of the current result decides, computed before it runs:
// the statement, what the result holds, the drill-down context it leaves, and what the main
// window's buttons, search field and status line show with it. QuerySequence::run carries
// it out; a step changes nothing that it does not name.
struct ResultStep
{
    // The statement, one clause a line, and its named parameters. A step without lines
    // only resets the screen (a complex query that cannot run).
    QStringList lines;
    QList<std::pair<QString, QVariant>> parameters;

    // What the result holds. `keepsViewKind`: the shared view kind stays as the last query
    // left it (the complex query); `viewKind` is then ViewPayments when the result holds
    // payments and ViewNone otherwise.
    ViewKind viewKind = ViewNone;
    bool keepsViewKind = false;
    std::optional<InsertKind> insertKind;      // unchanged when empty
    std::optional<DrillDownContext> drillDown; // unchanged when empty
    QStringList readOnlyFields;                // read-only while the result stays open

    // The main window. `keepsScreen`: search, buttons, grid and editors stay as they are and
    // no typed change is saved first (the payments reopened right after a save).
    bool keepsScreen = false;
    QString searchField;               // the quick-search field box's text
    std::optional<bool> addEnabled;    // "Aggiungi"; unchanged when empty
    std::optional<bool> deleteEnabled; // "Elimina"; unchanged when empty
    DrillDownToggle toggle = DrillDownToggle::Reset;
    QString drillDownCaption;
    bool gridEditable = true;
    // Colour the card's pairs from the new result; otherwise they keep their colours.
    bool colourCard = true;

    // The status line, "Query attuale: ..."; empty leaves it. `statusFirstRowColumn` names a
    // column whose text in the new result's first row ends it (empty without rows).
    // `statusFirst`: written before the result changes (it names the row being left).
    QString status;
    QString statusFirstRowColumn;
    bool statusFirst = false;

    bool holdsPayments() const { return viewKind == ViewPayments; }
};

// The project row a drill-down to its payments starts from, as the grid shows it.
struct ProjectRow
{
    QString key; // IdProgetto
    QString clientSurname;
    QString clientName;
    QString comune;
    QString total; // Importo_totale, as shown
    QString paid;  // Importo_pagato, as shown
};

// The steps of the drill-down and of the payments reopened after a save.
namespace ResultSteps {

// A person's projects; the context takes the person, keeping the last project's key.
ResultStep projectsOfPerson(const DrillDownContext &previous, qint64 personId, const QString &surname,
                            const QString &name);
// A project's payments; a fully paid project takes no new payment.
ResultStep paymentsOfProject(const DrillDownContext &previous, const ProjectRow &project);
// The payments of the context's project again, right after one was saved.
ResultStep paymentsAfterSave(const DrillDownContext &context);

} // namespace ResultSteps
