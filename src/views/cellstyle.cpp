#include "views/cellstyle.h"

#include "data/values.h"

#include <cmath>

namespace CellStyle {

namespace {

// The project amounts show whether the project is paid and the state has colours of its
// own: these fields take their colour from the row, not from their group.
bool colouredByRow(FieldKind kind, FieldGroup group)
{
    return kind == FieldKind::State || (kind == FieldKind::Amount && group == FieldGroup::Progetto);
}

QColor colourOf(FieldKind kind, std::optional<FieldGroup> group)
{
    if (!group || colouredByRow(kind, *group))
        return {};
    return groupColour(*group);
}

// Rounds to the nearest whole number, halves to the even neighbour.
double wholeAmount(const QString &text)
{
    if (text.trimmed().isEmpty())
        return 0;
    qint64 cents = 0;
    if (Values::readAmount(text, &cents) == Values::AmountReading::NotAnAmount)
        return 0;
    return std::nearbyint(Values::centsToAmount(cents));
}

} // namespace

QColor groupColour(FieldGroup group)
{
    switch (group) {
    case FieldGroup::Persona:
        return Colour::PersonYellow;
    case FieldGroup::Indirizzo:
        return Colour::AddressPink;
    case FieldGroup::Recapiti:
        return Colour::ContactGreen;
    case FieldGroup::Progetto:
        return Colour::ProjectCyan;
    case FieldGroup::Pagamenti:
        return Colour::PaymentLavender;
    }
    return {};
}

QColor groupColourForField(const QString &fieldName)
{
    return colourOf(FieldCatalogue::kindOfColumn(fieldName), FieldCatalogue::groupOfColumn(fieldName));
}

QColor groupColourForLabel(const QString &label)
{
    return colourOf(FieldCatalogue::kindOfLabel(label), FieldCatalogue::groupOfLabel(label));
}

QColor amountColour(const QString &totalText, const QString &paidText)
{
    const double total = wholeAmount(totalText);
    const double paid = wholeAmount(paidText);
    if (paid < total)
        return Colour::Red;
    if (paid == total)
        return Colour::Green;
    return {};
}

QColor stateColour(const QString &state)
{
    if (state == QLatin1String("Annullato"))
        return Colour::Red;
    if (state == QLatin1String("Da iniziare"))
        return Colour::Green;
    if (state == QLatin1String("In corso"))
        return Colour::Yellow;
    if (state == QLatin1String("Sospeso"))
        return Colour::Blue;
    return Colour::Fuchsia;
}

bool isDateField(const QString &fieldName) { return FieldCatalogue::isDateColumn(fieldName); }

bool isLinkField(const QString &fieldName)
{
    const FieldKind kind = FieldCatalogue::kindOfColumn(fieldName);
    return kind == FieldKind::EMail || kind == FieldKind::Web;
}

Style forGridCell(const QString &fieldName, bool selected, const RowFacts &row)
{
    Style s;
    if (selected)
        s.foreground = Colour::Black;
    if (isLinkField(fieldName)) {
        s.underline = true;
        s.foreground = Colour::Blue;
    }
    if (const QColor group = groupColourForField(fieldName); group.isValid())
        s.background = group;
    else if (fieldName == QLatin1String("Importo_totale") && row.hasTotal) {
        if (const QColor c = amountColour(row.total, row.paid); c.isValid())
            s.background = c;
    }
    if (fieldName == QLatin1String("Importo_pagato") && row.hasTotal) {
        if (const QColor c = amountColour(row.total, row.paid); c.isValid())
            s.background = c;
    }
    if (fieldName == QLatin1String("Stato") && row.hasState)
        s.background = stateColour(row.state);
    if (row.marked) {
        s.bold = true;
        s.underline = false;
        s.foreground = Colour::Blue;
        s.background = Colour::Aqua;
    }
    return s;
}

QString nextSort(const QString &current, const QString &fieldName)
{
    // A plain prefix test, as the sort toggle has always done: after "Data_inizio ASC" a
    // first click on "Data" sorts descending.
    if (current.startsWith(fieldName) && !current.contains(QLatin1String(" DESC")))
        return fieldName + QLatin1String(" DESC");
    return fieldName + QLatin1String(" ASC");
}

} // namespace CellStyle
