#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class Query;

// One column of the grid as the quick search sees it: the field's name in the result, the
// column's title (the field's display name) and whether the column is hidden.
struct SearchColumn
{
    QString name;
    QString title;
    bool hidden = false;
};

// What a change of the search text does to the current result: the filter expression (or
// no filter at all) and the status line to show once the filter is in place.
struct QuickSearchFilter
{
    bool on = false;
    QString expression;
    QString status;
};

// The quick search of the main window: the fields offered for searching and the row filter
// that narrows the current result as the user types. It never runs a statement.
namespace QuickSearch {

enum class Comparison { Contains, Numeric, Prefix };

// The comparison a field is searched by: contains for the two free-text notes, equality for
// the amounts and the invoice number, prefix for every other field.
Comparison comparisonFor(const QString &field);

// The titles offered in the field box, in column order: no key field, no hidden column.
QStringList searchableFields(const QList<SearchColumn> &columns);

// The result field searched for a field text: the first column, hidden ones included, whose
// title equals it; the text itself when none does.
QString fieldNameFor(const QString &field, const QList<SearchColumn> &columns);

// The filter for field text `field` and search text `text`.
QuickSearchFilter filterFor(const QString &field, const QString &text, const QList<SearchColumn> &columns);

// The columns of an open result, with the hidden flags the grid gives them.
QList<SearchColumn> columnsOf(const Query &query, const QList<bool> &hidden);

// Puts the filter on the query: off, new expression, on. Throws DbError when the record
// filter refuses the expression; the filter is then off and every row is shown.
void apply(Query &query, const QuickSearchFilter &filter);

} // namespace QuickSearch
