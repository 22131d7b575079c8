#pragma once

#include "queries/resultstep.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class Query;

// One condition row of the complex query window as the user left it.
struct ConditionRow
{
    QString label;     // field box: a display label
    QString op;        // operator box
    QString value;     // value box, as typed
    QString connector; // the connector above the row (" AND " or " OR "); unused for row 1
};

// A date a condition compares with, bound to the statement's named parameter.
struct DateParameter
{
    QString name; // without the colon
    QDate date;
};

// The query the builder made of the rows, or why there is none.
struct ComplexQueryStatement
{
    // Row 1 has no field: nothing runs and nothing is said.
    bool noCondition = false;
    // Set when the rows cannot make a query; an Italian sentence for the user. Nothing runs.
    QString error;

    QStringList lines;               // "SELECT DISTINCT *", the FROM line, the WHERE line
    QList<DateParameter> parameters; // one per date condition
    QStringList tables;              // the joined tables, in join order
    QStringList shownValues;         // each row's value as the value box shows it after the run
    QString status;                  // "Query attuale: ..."

    bool canRun() const { return !noCondition && error.isEmpty(); }
};

// The columns of a database table, by name (filled from Database::columnNames).
using TableColumnsLookup = std::function<QStringList(const QString &table)>;

// Builds the complex query from up to five condition rows: finds the tables that hold the
// chosen fields, joins them on their keys and writes the conditions. Values are shown back
// the way the window has always quoted them, but reach the engine only as literals with
// their quotes doubled or as bound date parameters, so that no value can change the
// statement. An operator, connector or field that is not one of the window's own, a missing
// value and a date that cannot be read are refused with a message naming the row.
namespace ComplexQuery {

QStringList operators();  // "=", "<", ">", "<=", ">=", "<>"
QStringList connectors(); // " AND ", " OR "
// The field box's contents before its list is first opened, and after (the visible labels).
QStringList initialFieldList();
bool isDateField(const QString &label);

ComplexQueryStatement build(const QList<ConditionRow> &rows, const TableColumnsLookup &columnsOf);

// The database column a field box's text names: the catalogue's column, also for the
// three labels the box shows before its list is first opened; any other text unchanged.
QString columnOfLabel(const QString &label);

// The table a row's value list is read from: the first of Committente, Indirizzo,
// Pagamenti, Progetto, Recapiti that has the field's column, empty when none has it.
QString valueListTable(const QString &label, const TableColumnsLookup &columnsOf);
// The value list from the column's texts in table order: non-empty texts, then "%", each
// distinct text once at its first place (exact comparison).
QStringList valueList(const QStringList &texts);

// Gives the query the statement and its date parameters (it is not opened).
void setUp(Query &query, const ComplexQueryStatement &statement);

// The main window's step for the statement: no statement when it cannot run (the screen
// is reset all the same). The grid becomes read-only, "Aggiungi", "Elimina" and the
// drill-down toggle disabled; the view kind stays as the last query left it. The result
// holds payments when the payments table comes first in the join.
ResultStep resultStep(const ComplexQueryStatement &statement);

} // namespace ComplexQuery
