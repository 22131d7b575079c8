#pragma once

#include "data/fieldcatalogue.h"

#include <QString>

// What kind of rows the current result holds.
enum ViewKind : int { ViewNone = 0, ViewPersons = 1, ViewProjects = 2, ViewPayments = 3, ViewProjectsByState = 4 };

// What the add button creates in the current result.
enum InsertKind : int { InsertNone = 0, InsertPerson = 1, InsertProject = 2, InsertPayment = 3 };

// Where the drill-down stands: the person whose projects were shown last, and the project
// whose payments were shown last. A new project goes to the person, a new payment to the
// project. Each step overwrites its own part only.
struct DrillDownContext
{
    qint64 personId = 0;
    QString personSurname;
    QString personName;
    QString projectKey; // IdProgetto, as text

    bool operator==(const DrillDownContext &) const = default;
};

// The state the main window keeps for the whole run and that every other window reads.
// Plain data on purpose: the windows and the tests read and set it directly.
struct Globals
{
    // Set by the queries and the drill-down; a complex query keeps it.
    ViewKind viewKind = ViewNone;
    InsertKind insertKind = InsertNone;
    // True until the input sheet exists; until then a query has no sheet editors to detach.
    bool inputSheetPending = true;
    // The start-up query; see StandardQueries::forInitialKind.
    int initialQueryKind = 0;

    FieldCatalogue catalogue;
    FieldCheckLists checkLists;

    DrillDownContext drillDown;
    // Whether the current result holds payments: decided by the step that made the result
    // (the drill-down's payments, the payments reopened after a save, a complex query over
    // the payments table), never guessed from its columns.
    bool paymentsShown = false;

    // The key of the row last picked in the grid.
    QString selectedKey;

    // Editing: which date field a floating date editor writes: 1 Data, 2 Data_inizio,
    // 3 Data_fine, 4 Data_scadenza (0 before any date editor was placed).
    int dateFieldSelector = 0;
};
