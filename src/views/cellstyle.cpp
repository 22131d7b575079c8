#include "views/cellstyle.h"

#include "data/values.h"

#include <QStringList>

#include <cmath>

namespace CellStyle {

namespace {

bool isOneOf(const QString &text, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        if (text == QString::fromUtf8(name))
            return true;
    return false;
}

// Rounds to the nearest whole number, halves to the even neighbour.
double wholeAmount(const QString &text)
{
    if (text.trimmed().isEmpty())
        return 0;
    qint64 cents = 0;
    if (!Values::parseAmount(text, &cents))
        return 0;
    return std::nearbyint(Values::centsToAmount(cents));
}

} // namespace

QColor groupColourForField(const QString &f)
{
    if (isOneOf(f, {"Cognome", "Nome", "Codice_fiscale", "Partita_iva", "Qualifica", "Note"}))
        return Colour::PersonYellow;
    if (isOneOf(f, {"Via", "Città", "CAP"}))
        return Colour::AddressPink;
    if (isOneOf(f, {"Numero_telefono1", "Numero_telefono2", "Numero_fax", "Numero_cell1", "Numero_cell2", "E_mail",
                    "Sito_internet"}))
        return Colour::ContactGreen;
    if (isOneOf(f, {"Cognome_progettista", "Nome_progettista", "Data_inizio", "Data_fine", "Data_scadenza",
                    "Descrizione", "Comune", "Nota", "Archivio"}))
        return Colour::ProjectCyan;
    if (isOneOf(f, {"Fattura", "Importo", "Data"}))
        return Colour::PaymentLavender;
    return {};
}

QColor groupColourForLabel(const QString &l)
{
    if (isOneOf(l, {"Cognome", "Nome", "Codice fiscale", "Partita IVA", "Qualifica", "Note"}))
        return Colour::PersonYellow;
    if (isOneOf(l, {"Via", "Città", "CAP"}))
        return Colour::AddressPink;
    if (isOneOf(l, {"1° Telefono", "2° Telefono", "Fax", "1° Cellulare", "2° Cellulare", "E-Mail", "Sito internet"}))
        return Colour::ContactGreen;
    if (isOneOf(l, {"Cognome cliente", "Nome cliente", "Data di inizio", "Data di fine", "Data di consegna",
                    "Descrizione", "Comune", "Nota", "Archivio"}))
        return Colour::ProjectCyan;
    if (isOneOf(l, {"Fattura", "Importo", "Data"}))
        return Colour::PaymentLavender;
    return {};
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

bool isDateField(const QString &f)
{
    return isOneOf(f, {"Data_inizio", "Data_fine", "Data_scadenza", "Data"});
}

bool isLinkField(const QString &f)
{
    return f == QLatin1String("E_mail") || f == QLatin1String("Sito_internet");
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
