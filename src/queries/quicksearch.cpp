#include "queries/quicksearch.h"

#include "data/fieldcatalogue.h"
#include "data/query.h"
#include "queries/conditionqueries.h"

namespace QuickSearch {

Comparison comparisonFor(const QString &field)
{
    static const QStringList contains = {QStringLiteral("Note"), QStringLiteral("Descrizione")};
    static const QStringList numeric = {QStringLiteral("Importo"), QStringLiteral("Fattura"),
                                        QStringLiteral("Importo totale"), QStringLiteral("Importo pagato")};
    if (contains.contains(field))
        return Comparison::Contains;
    if (numeric.contains(field))
        return Comparison::Numeric;
    return Comparison::Prefix;
}

QStringList searchableFields(const QList<SearchColumn> &columns)
{
    QStringList fields;
    for (const SearchColumn &column : columns) {
        if (column.hidden || FieldCatalogue::isKeyColumn(column.title))
            continue;
        fields << column.title;
    }
    return fields;
}

QString fieldNameFor(const QString &field, const QList<SearchColumn> &columns)
{
    for (const SearchColumn &column : columns) {
        if (column.title == field)
            return column.name;
    }
    return field;
}

QuickSearchFilter filterFor(const QString &field, const QString &text, const QList<SearchColumn> &columns)
{
    QuickSearchFilter filter;
    filter.status = QStringLiteral("Query attuale: ") + field + QLatin1Char('=') + text;
    if (text.isEmpty())
        return filter;

    filter.on = true;
    switch (comparisonFor(field)) {
    case Comparison::Contains:
        // The notes are named by their label, which is also their column.
        filter.expression = field + QStringLiteral(" LIKE ")
                            + ConditionQueries::quotedLiteral(QLatin1Char('*') + text + QLatin1Char('*'));
        break;
    case Comparison::Numeric:
        filter.expression = fieldNameFor(field, columns) + QLatin1Char('=') + text;
        break;
    case Comparison::Prefix:
        filter.expression = fieldNameFor(field, columns) + QStringLiteral(" LIKE ")
                            + ConditionQueries::quotedLiteral(text + QLatin1Char('*'));
        break;
    }
    return filter;
}

QList<SearchColumn> columnsOf(const Query &query, const QList<bool> &hidden)
{
    QList<SearchColumn> columns;
    for (int c = 0; c < query.fieldCount(); ++c) {
        const FieldInfo &info = query.fieldInfo(c);
        columns.append({info.name, info.displayName, c < hidden.size() && hidden.at(c)});
    }
    return columns;
}

void apply(Query &query, const QuickSearchFilter &filter)
{
    query.setFiltered(false);
    if (!filter.on)
        return;
    query.setFilter(filter.expression);
    query.setFiltered(true);
}

} // namespace QuickSearch
