#pragma once

#include "data/fieldcatalogue.h"

#include <QColor>
#include <QString>

// The colours that tell the kind of each field at a glance, in the grid and on the card:
// one background per field group, amounts by whether the project is paid, the project
// state by its own colour, links underlined in blue, and the row the user last picked
// marked bold blue on aqua over everything else.
namespace CellStyle {

namespace Colour {
inline const QColor PersonYellow{0xFF, 0xFF, 0xC6};
inline const QColor AddressPink{0xFF, 0xBF, 0xBF};
inline const QColor ContactGreen{0xC1, 0xFF, 0xC1};
inline const QColor ProjectCyan{0xCA, 0xFF, 0xFF};
inline const QColor PaymentLavender{0xC1, 0xC1, 0xFF};
inline const QColor Red{0xFF, 0x00, 0x00};
inline const QColor Green{0x00, 0x80, 0x00};
inline const QColor Yellow{0xFF, 0xFF, 0x00};
inline const QColor Blue{0x00, 0x00, 0xFF};
inline const QColor Fuchsia{0xFF, 0x00, 0xFF};
inline const QColor Aqua{0x00, 0xFF, 0xFF};
inline const QColor Black{0x00, 0x00, 0x00};
} // namespace Colour

// The background of a field group.
QColor groupColour(FieldGroup group);
// Group background of a grid cell by its field name; invalid when the field has none (no
// catalogue field, or one coloured by its row: the project amounts and the state).
QColor groupColourForField(const QString &fieldName);
// Group background of a card editor by its label text; invalid when the label has none.
QColor groupColourForLabel(const QString &label);

// Red when the paid amount is below the total, green when equal, invalid otherwise. Both
// are rounded to whole numbers (halves to even) first; an empty amount counts as 0.
QColor amountColour(const QString &totalText, const QString &paidText);
// "Annullato" red, "Da iniziare" green, "In corso" yellow, "Sospeso" blue, else fuchsia.
QColor stateColour(const QString &state);

bool isDateField(const QString &fieldName);
bool isLinkField(const QString &fieldName);

// What one grid cell looks like; an invalid colour leaves the grid's own.
struct Style
{
    QColor foreground;
    QColor background;
    bool underline = false;
    bool bold = false;
};

// The values of the row being drawn that the drawing looks at.
struct RowFacts
{
    bool hasTotal = false; // the result has Importo_totale and Importo_pagato
    QString total;
    QString paid;
    bool hasState = false;
    QString state;
    bool marked = false; // the row's key equals the key last picked
};

Style forGridCell(const QString &fieldName, bool selected, const RowFacts &row);

// The next sort of a title click: " DESC" after an ascending sort whose sort text
// begins with the field name, " ASC" in every other case.
QString nextSort(const QString &current, const QString &fieldName);

} // namespace CellStyle
