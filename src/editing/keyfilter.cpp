#include "editing/keyfilter.h"

#include "data/fieldcatalogue.h"
#include "data/values.h"

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

bool isAmountKey(QChar key)
{
    return isDigit(key) || key == QLatin1Char(',') || key == QLatin1Char('.') || key == QLatin1Char('-');
}

// Why `text` (an amount field's text with a digit, separator or minus typed) is no amount
// being typed.
QString amountRefusal(const QString &field, const QString &text, QChar key)
{
    const QString name = FieldCatalogue::titleForColumn(field);
    if (key == QLatin1Char('-'))
        return QStringLiteral("%1: un importo non può essere negativo.").arg(name);
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (text.count(QLatin1Char(',')) > 1)
        return QStringLiteral("%1: l'importo ha già la virgola dei decimali.").arg(name);
    if (comma >= 0 && text.size() - comma - 1 > 2)
        return QStringLiteral("%1: un importo ha al massimo due decimali.").arg(name);
    return QStringLiteral("%1: un importo arriva al massimo a %2.").arg(name, Values::maxAmountText());
}

// A key typed into an amount field: digits, one decimal comma (a point stands for it, since
// the keypad's decimal key types one), at most two decimals and nine whole digits. A key
// that would break those rules is refused with a word, never dropped while the rest is kept
// unseen; any other key is discarded as in every digits-only field.
Outcome amountKey(const QString &field, QChar key, const Context &context)
{
    if (key.unicode() == Backspace)
        return Outcome();
    if (key.unicode() == Paste) {
        Outcome o = discard();
        const QString typed = context.pasted.trimmed();
        if (typed.isEmpty())
            return o;
        QString after = context.textAfter;
        after.replace(QLatin1Char('.'), QLatin1Char(','));
        if (!typed.contains(QLatin1Char('-')) && isAmountInProgress(after))
            o.typeInstead = QString(typed).replace(QLatin1Char('.'), QLatin1Char(','));
        else
            o.notice = QStringLiteral("%1: \"%2\" non è un importo da incollare (cifre, al più una virgola e due "
                                      "decimali, fino a %3).")
                           .arg(FieldCatalogue::titleForColumn(field), typed, Values::maxAmountText());
        return o;
    }
    if (!isAmountKey(key))
        return discard();
    // Unknown text (no editor open yet): the editor that opens decides.
    if (context.textAfter.isEmpty() && key != QLatin1Char('-'))
        return Outcome();
    QString after = context.textAfter;
    if (key == QLatin1Char('.'))
        after.replace(QLatin1Char('.'), QLatin1Char(','));
    if (key != QLatin1Char('-') && isAmountInProgress(after)) {
        if (key != QLatin1Char('.'))
            return Outcome();
        Outcome o = discard();
        o.typeInstead = QStringLiteral(",");
        return o;
    }
    Outcome o = discard();
    o.notice = amountRefusal(field, after, key);
    return o;
}

// Digits-only fields: digits and Backspace; amounts as amountKey says.
Outcome digitsOnlyKey(const QString &field, QChar key, const Context &context)
{
    if (isAmountField(field))
        return amountKey(field, key, context);
    return isDigit(key) || key.unicode() == Backspace ? Outcome() : discard();
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
    return textWithKey(text, cursor, selectionStart, selectionLength, QString(key));
}

QString textWithKey(const QString &text, int cursor, int selectionStart, int selectionLength, const QString &typed)
{
    QString result = text;
    if (selectionStart >= 0 && selectionLength > 0 && selectionStart <= result.size()) {
        result.replace(selectionStart, selectionLength, typed);
    } else {
        result.insert(std::clamp(cursor, 0, int(result.size())), typed);
    }
    return result;
}

bool isAmountInProgress(const QString &text)
{
    // A minus can only come from a stored amount; the keys themselves never type one.
    static const QRegularExpression amount(QStringLiteral("^-?0*[0-9]{0,9}(,[0-9]{0,2})?$"));
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
            return digitsOnlyKey(field, key, context);
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
        if (isDigitsOnly(field, place))
            o = digitsOnlyKey(field, key, context);
        else if (isPhoneField(field))
            o.pass = isDigit(key) || backspace || key == QLatin1Char(' ');
        if (context.editing && enter)
            o.save = true;
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
    if (isDigitsOnly(field, place)) {
        o = digitsOnlyKey(field, key, context);
        o.pass = o.pass || enter;
    } else if (isPhoneField(field)) {
        o.pass = isDigit(key) || backspace || enter || key == QLatin1Char(' ');
    }
    if (o.pass && enter && context.editing)
        o.save = true;
    return o;
}

} // namespace KeyFilter
