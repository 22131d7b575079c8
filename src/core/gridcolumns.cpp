#include "core/gridcolumns.h"

#include "data/query.h"

#include <algorithm>

void GridColumns::reset(const Query &query)
{
    columns.clear();
    columns.reserve(size_t(query.fieldCount()));
    for (int i = 0; i < query.fieldCount(); ++i) {
        const FieldInfo &info = query.fieldInfo(i);
        GridColumn column;
        column.fieldName = info.name;
        column.title = info.name;
        columns.push_back(column);
    }
}

int GridColumns::indexOfField(const QString &fieldName) const
{
    // Same rule as the data layer's field lookup, which ignores case.
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].fieldName.compare(fieldName, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

int GridColumns::indexOfTitle(const QString &title) const
{
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].title == title)
            return int(i);
    }
    return -1;
}

namespace ColumnSetup {

namespace {

void hide(CardPair &pair)
{
    pair.visible = false;
    pair.boundField.clear();
}

} // namespace

void applyColumnTitles(GridColumns &grid, Query *query)
{
    for (size_t i = 0; i < grid.columns.size(); ++i) {
        GridColumn &column = grid.columns[i];
        column.title = FieldCatalogue::titleForColumn(column.fieldName);
        if (query != nullptr)
            query->setFieldDisplayName(int(i), column.title);
    }
}

void applyColumnWidths(GridColumns &grid, const FieldCatalogue &catalogue)
{
    for (GridColumn &column : grid.columns) {
        // A qualified name matches no entry and keeps its width.
        const int entry = FieldCatalogue::indexOfColumn(column.fieldName);
        if (entry >= 0)
            column.width = catalogue.entry(entry).width;
    }
}

void applyColumnChoice(GridColumns &grid, int column, const CheckList &list, const FieldCatalogue &catalogue)
{
    GridColumn &target = grid.columns.at(size_t(column));
    if (list.isChecked(list.indexOf(target.title)))
        applyColumnWidths(grid, catalogue);
    else
        target.visible = false;
}

void showColumnForItem(GridColumns &grid, int item, const CheckList &list)
{
    if (item < 0 || item >= list.items.size())
        return;
    const int column = grid.indexOfTitle(list.items.at(item));
    if (column >= 0)
        grid.columns[size_t(column)].visible = true;
}

void applyColumnVisibility(GridColumns &grid, const FieldCheckLists &lists, const FieldCatalogue &catalogue)
{
    // Only as far as the check lists reach: an entry without an item has no choice to follow.
    qsizetype listed = 0;
    for (const CheckList &list : lists)
        listed += list.items.size();
    const int walk = int(std::min<qsizetype>(listed, FieldCatalogue::kCount));

    for (size_t i = 0; i < grid.columns.size(); ++i) {
        GridColumn &column = grid.columns[i];
        if (FieldCatalogue::isKeyColumn(column.fieldName)) {
            column.visible = false;
            continue;
        }
        for (int entry = 0; entry < walk; ++entry) {
            if (catalogue.entry(entry).label == column.title) {
                const CheckList &list = lists.at(size_t(FieldCatalogue::group(entry)));
                applyColumnChoice(grid, int(i), list, catalogue);
                break;
            }
        }
    }
}

void captureWidths(const GridColumns &grid, FieldCatalogue &catalogue)
{
    for (const GridColumn &column : grid.columns) {
        const int entry = catalogue.indexOfLabel(column.title);
        if (entry >= 0)
            catalogue.entry(entry).width = column.width;
    }
}

bool isCardSkipColumn(const QString &fieldName)
{
    // The paid amount is kept by the payments themselves, never typed on a card.
    return FieldCatalogue::isKeyColumn(fieldName) || fieldName == QLatin1String("Importo_pagato");
}

int bindCardPair(CardPair &pair, const GridColumns &grid, int start)
{
    // Hidden and unbound first, so that a pair that finds nothing keeps no field of an older result.
    hide(pair);
    if (start < 0)
        return -1;
    // Hidden grid columns are bound too: the card shows every field of the row.
    for (size_t i = size_t(start); i < grid.columns.size(); ++i) {
        const GridColumn &column = grid.columns[i];
        if (isCardSkipColumn(column.fieldName))
            continue;
        pair.visible = true;
        pair.labelText = column.title;
        pair.boundField = column.fieldName;
        // By the label, as the card shows it: a title that is no catalogue label is normal.
        const bool wide = FieldCatalogue::cardWidthOfLabel(pair.labelText) == CardWidth::Wide;
        pair.editorWidth = wide ? CardPair::kWideWidth : CardPair::kNormalWidth;
        return int(i);
    }
    return -1;
}

void bindCardPairs(CardPairs &pairs, const GridColumns &grid)
{
    int position = 0;
    bool exhausted = false;
    for (CardPair &pair : pairs) {
        if (exhausted) {
            hide(pair);
            continue;
        }
        const int bound = bindCardPair(pair, grid, position);
        if (bound < 0)
            exhausted = true;
        else
            position = bound + 1;
    }
}

void unbindPairs(CardPairs &pairs)
{
    for (CardPair &pair : pairs)
        pair.boundField.clear();
}

} // namespace ColumnSetup
