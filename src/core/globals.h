#pragma once

#include "data/fieldcatalogue.h"

#include <QString>

// What kind of rows the current result holds.
enum ViewKind : int { ViewNone = 0, ViewPersons = 1, ViewProjects = 2, ViewPayments = 3, ViewProjectsByState = 4 };

// What the add button creates in the current result.
enum InsertKind : int { InsertNone = 0, InsertPerson = 1, InsertProject = 2, InsertPayment = 3 };

// The state the main window keeps for the whole run and that every other window reads.
// Plain data on purpose: the windows and the tests read and set it directly.
struct Globals
{
    ViewKind viewKind = ViewNone;
    InsertKind insertKind = InsertNone;
    // True until the input sheet exists; until then a query has no sheet editors to detach.
    bool inputSheetPending = true;
    // The start-up query; see StandardQueries::forInitialKind.
    int initialQueryKind = 0;

    FieldCatalogue catalogue;
    FieldCheckLists checkLists;

    // The drill-down context: the person whose projects are shown, and the project whose
    // payments are shown (its key as text).
    qint64 currentPersonId = 0;
    QString currentPersonName;
    QString currentPersonSurname;
    QString currentParentKey;

    // The key of the row last picked in the grid.
    QString selectedKey;

    // Editing: which date field a floating date editor writes: 1 Data, 2 Data_inizio,
    // 3 Data_fine, 4 Data_scadenza (0 before any date editor was placed).
    int dateFieldSelector = 0;
};
