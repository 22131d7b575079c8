#pragma once

#include "queries/standardqueries.h"

#include <QString>
#include <QStringList>

// The four queries that select by one value the user gives in the query condition dialog
// ("Persona", "Qualifica", "Città", "Stato progetto"): how the dialog is laid out for each,
// what it says when the value is missing, where its value list comes from, and the query
// each one runs. Plain data for the dialog and the main window; no widgets here.
enum class ConditionMode {
    NameSurname = 1,   // persons by first name and/or surname
    Qualification = 2, // persons by qualification
    City = 3,          // persons by city
    ProjectState = 4,  // projects by project state
};

// How the dialog looks in one mode. `Label1` is shown in every mode; in mode 1 the two text
// boxes and `Label2` are shown and `ComboBox1` hidden, in the others the reverse.
struct ConditionDialogLayout
{
    int height = 0;         // outer height of the dialog
    bool nameBoxes = false; // Edit1, Edit2 and Label2 shown, ComboBox1 hidden
    QString label1;
    QString label2;
    int buttonTop = 0; // top of "Esegui"
};

// What the user typed: `Edit1`, `Edit2` and `ComboBox1` of the dialog.
struct ConditionInput
{
    QString firstName;
    QString surname;
    QString value;
};

// Where a mode's value list is read from.
struct ConditionValueSource
{
    QString table;
    QString column;
    bool removeDuplicates = false;
};

namespace ConditionQueries {

QString dialogCaption(); // "Condizione query"
ConditionDialogLayout layout(ConditionMode mode);

// The message shown when the value is missing ("Riempire almeno uno dei due campi", ...).
QString missingValueMessage(ConditionMode mode);
// Empty when the input is enough to run the query, otherwise the message to show. Only a
// text of length zero is missing: blanks are a value.
QString checkInput(ConditionMode mode, const ConditionInput &input);

// The query to run for complete input (see checkInput).
ResultStep describe(ConditionMode mode, const ConditionInput &input);

// A text as a literal: in single quotes with every inner quote doubled.
QString quotedLiteral(const QString &text);

// Mode 1 has no value list: an empty table.
ConditionValueSource valueSource(ConditionMode mode);
// The entries of the value list from the column's texts in table order: for qualification
// and city each distinct text once, at its first place (exact comparison); for the project
// state every row.
QStringList valueList(ConditionMode mode, const QStringList &texts);

} // namespace ConditionQueries
