#include "editing/keyfilter.h"

#include "data/fieldcatalogue.h"

namespace KeyFilter {

namespace {

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

bool isProjectDate(const QString &field)
{
    return FieldCatalogue::isDateColumn(field) && FieldCatalogue::groupOfColumn(field) == FieldGroup::Progetto;
}

bool isPaymentField(const QString &field)
{
    return FieldCatalogue::groupOfColumn(field) == FieldGroup::Pagamenti;
}

bool isPhoneField(const QString &field)
{
    return FieldCatalogue::kindOfColumn(field) == FieldKind::Phone;
}

bool isDigitsOnly(const QString &field, Place place)
{
    const FieldKind kind = FieldCatalogue::kindOfColumn(field);
    if (kind == FieldKind::DigitText)
        return true;
    if (kind != FieldKind::Amount)
        return false;
    // In the grid the paid amount is read-only and a payment's amount is a payment field.
    return place != Place::Grid || (!isPaymentField(field) && field != QLatin1String("Importo_pagato"));
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
        o.paymentsMessage = place == Place::Grid && !FieldCatalogue::isDateColumn(field);
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
