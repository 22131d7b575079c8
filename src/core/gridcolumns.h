#pragma once

#include "data/fieldcatalogue.h"

#include <QString>

#include <vector>

class Query;

// The grid's columns as plain data, one per result column in result order; the grid widget
// mirrors them (titles, hidden sections, widths). Kept apart from the widget so that the
// column set-up can be tested without a window.
struct GridColumn
{
    QString fieldName; // the result column's name (bare, or Table.Column)
    QString title;     // display label; also the field's display name
    int width = 64;    // the grid's default width
    bool visible = true;
};

struct GridColumns
{
    static constexpr int kDefaultWidth = 64;
    std::vector<GridColumn> columns;

    // One column per field of the open result: titled by its name, visible, default width.
    void reset(const Query &query);
    int indexOfField(const QString &fieldName) const; // -1 when absent
    int indexOfTitle(const QString &title) const;     // first column with this title, -1
};

// One label/editor pair of the card or of the input sheet, as plain data.
struct CardPair
{
    static constexpr int kNormalWidth = 121;
    static constexpr int kWideWidth = 200; // for the labels the catalogue marks wide

    bool visible = false;
    QString labelText;
    QString boundField; // empty: unbound
    int editorWidth = kNormalWidth;
};

// The card's and the input sheet's pairs, 21 of each.
using CardPairs = std::array<CardPair, 21>;

// The grid column set-up that runs after every query, and the operations on the catalogue
// that act on the grid.
namespace ColumnSetup {

// Titles: the catalogue label for the 16 differing columns, else the field name. Also
// copied into the query's field display names.
void applyColumnTitles(GridColumns &grid, Query *query);
// Each column whose field is a catalogue column gets that entry's width.
void applyColumnWidths(GridColumns &grid, const FieldCatalogue &catalogue);
// Looks the column's title up in `list`; ticked: applyColumnWidths, otherwise hide it.
void applyColumnChoice(GridColumns &grid, int column, const CheckList &list, const FieldCatalogue &catalogue);
// Shows the first column whose title is the item's text; nothing when none matches.
void showColumnForItem(GridColumns &grid, int item, const CheckList &list);
// The visibility pass: key columns hidden, the others as the check lists say.
void applyColumnVisibility(GridColumns &grid, const FieldCheckLists &lists, const FieldCatalogue &catalogue);
// After a mouse release over the grid: every column's width goes to the entry with its title.
void captureWidths(const GridColumns &grid, FieldCatalogue &catalogue);

// Field names no pair is bound to: the keys and Importo_pagato.
bool isCardSkipColumn(const QString &fieldName);
// Binds one pair from `start`; returns the bound column's position or -1.
int bindCardPair(CardPair &pair, const GridColumns &grid, int start);
// Binds pairs 1..21 in order (used for the card and the input sheet alike).
void bindCardPairs(CardPairs &pairs, const GridColumns &grid);
void unbindPairs(CardPairs &pairs);

} // namespace ColumnSetup
