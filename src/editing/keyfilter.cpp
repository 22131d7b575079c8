#include "editing/keyfilter.h"

#include "data/fieldcatalogue.h"

#include <QRegularExpression>

#include <algorithm>

namespace KeyFilter {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

Outcome discard()
{
    Outcome o;
    o.pass = false;
    return o;
}

// Digits-only fields: digits and Backspace; an amount also takes its one decimal comma, and a
// digit only while it leaves at most two decimals.
bool digitsPass(const QString &field, QChar key, const Context &context)
{
    if (key.unicode() == Backspace)
        return true;
    const bool amount = isAmountField(field);
    if (isDigit(key))
        return !amount || context.textAfter.isEmpty() || isAmountInProgress(context.textAfter);
    if (amount && key == QLatin1Char(','))
        return isAmountInProgress(context.textAfter.isEmpty() ? QString(key) : context.textAfter);
    return false;
}

} // namespace

bool isProjectDate(const QString &field)
{
    return FieldCatalogue::isDateColumn(field) && FieldCatalogue::groupOfColumn(field) == FieldGroup::Progetto;
}

bool isPaymentField(const QString &field) { return FieldCatalogue::groupOfColumn(field) == FieldGroup::Pagamenti; }

bool isPhoneField(const QString &field) { return FieldCatalogue::kindOfColumn(field) == FieldKind::Phone; }

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

bool isAmountField(const QString &field) { return FieldCatalogue::kindOfColumn(field) == FieldKind::Amount; }

QString textWithKey(const QString &text, int cursor, int selectionStart, int selectionLength, QChar key)
{
    QString result = text;
    if (selectionStart >= 0 && selectionLength > 0 && selectionStart <= result.size()) {
        result.replace(selectionStart, selectionLength, key);
    } else {
        result.insert(std::clamp(cursor, 0, int(result.size())), key);
    }
    return result;
}

bool isAmountInProgress(const QString &text)
{
    // A minus can only come from a stored amount; the keys themselves never type one.
    static const QRegularExpression amount(QStringLiteral("^-?[0-9]*(,[0-9]{0,2})?$"));
    return amount.match(text).hasMatch();
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

    // A database opened read-only takes no change from any editor.
    if (context.readOnly)
        return discard();

    if (place == Place::Sheet) {
        if (enter && context.inserting) {
            Outcome o;
            o.pass = false;
            o.confirmSheet = true;
            return o;
        }
        if (isDigitsOnly(field, place))
            return digitsPass(field, key, context) ? Outcome() : discard();
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
            o.pass = digitsPass(field, key, context);
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
        o.pass = digitsPass(field, key, context) || enter;
    else if (isPhoneField(field))
        o.pass = isDigit(key) || backspace || enter || key == QLatin1Char(' ');
    if (o.pass && enter && context.editing)
        o.save = true;
    return o;
}

} // namespace KeyFilter
