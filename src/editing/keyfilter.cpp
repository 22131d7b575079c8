#include "editing/keyfilter.h"

namespace KeyFilter {

namespace {

bool isOneOf(const QString &text, std::initializer_list<const char *> names)
{
    for (const char *name : names)
        if (text == QLatin1String(name))
            return true;
    return false;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

Outcome discard()
{
    Outcome o;
    o.pass = false;
    return o;
}

} // namespace

bool isProjectDate(const QString &f)
{
    return isOneOf(f, {"Data_inizio", "Data_fine", "Data_scadenza"});
}

bool isPaymentField(const QString &f)
{
    return isOneOf(f, {"Importo", "Data", "Fattura"});
}

bool isPhoneField(const QString &f)
{
    return isOneOf(f, {"Numero_telefono1", "Numero_telefono2", "Numero_fax", "Numero_cell1", "Numero_cell2"});
}

bool isDigitsOnly(const QString &f, Place place)
{
    if (place == Place::Grid)
        return isOneOf(f, {"CAP", "Importo_totale", "Partita_iva"});
    return isOneOf(f, {"CAP", "Importo_totale", "Importo_pagato", "Importo", "Partita_iva"});
}

QString paymentsMessage()
{
    return QStringLiteral("Non è possibile modificare i pagamenti di un progetto. Se si sono riscontrati errori "
                          "cancellare il record e reinserirlo con le dovute correzioni.");
}

Outcome decide(Place place, const QString &field, QChar key, const Context &context)
{
    const bool backspace = key.unicode() == Backspace;
    const bool enter = key.unicode() == Enter;

    if (place == Place::Sheet) {
        if (enter && context.inserting) {
            Outcome o;
            o.pass = false;
            o.confirmSheet = true;
            return o;
        }
        if (isDigitsOnly(field, place))
            return (isDigit(key) || backspace) ? Outcome() : discard();
        if (isPhoneField(field))
            return (isDigit(key) || backspace || key == QLatin1Char(' ')) ? Outcome() : discard();
        return Outcome();
    }

    // Saved payments are never changed in place.
    if (context.paymentsResult && isPaymentField(field)) {
        Outcome o = discard();
        o.paymentsMessage = place == Place::Grid && field != QLatin1String("Data");
        return o;
    }

    if (place == Place::Grid) {
        if (isProjectDate(field)) {
            Outcome o = discard();
            if (backspace) {
                o.startEditing = o.clearDate = o.save = true;
            } else if (enter) {
                o.startEditing = o.dateFromPicker = o.save = true;
            }
            return o;
        }
        Outcome o;
        if (context.editing && enter)
            o.save = true;
        if (isDigitsOnly(field, place)) {
            o.pass = isDigit(key) || backspace;
        } else if (isPhoneField(field)) {
            o.pass = isDigit(key) || backspace || key == QLatin1Char(' ');
        }
        return o;
    }

    // The card.
    if (isProjectDate(field)) {
        Outcome o;
        if (backspace) {
            o.pass = false;
            o.startEditing = o.clearDate = o.save = true;
        }
        return o;
    }
    Outcome o;
    if (isDigitsOnly(field, place))
        o.pass = isDigit(key) || backspace || enter;
    else if (isPhoneField(field))
        o.pass = isDigit(key) || backspace || enter || key == QLatin1Char(' ');
    if (o.pass && enter && context.editing)
        o.save = true;
    return o;
}

} // namespace KeyFilter
