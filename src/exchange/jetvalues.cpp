#include "exchange/jetvalues.h"

#include <QLocale>

#include <charconv>
#include <cmath>
#include <limits>

namespace JetValues {
namespace {

// `digits` (an integer read as text, without sign) times ten to `exponent`, in cents rounded
// half to even. False past 64 bits.
bool scaledToCents(const QByteArray &digits, int exponent, bool negative, qint64 *cents, bool *roundedOff)
{
    // The decimal point sits `exponent` places right of the digits' end; cents are two more.
    const int shift = exponent + 2;
    QByteArray whole = digits;
    QByteArray dropped;
    if (shift >= 0) {
        whole.append(QByteArray(shift, '0'));
    } else {
        const qsizetype keep = std::max<qsizetype>(0, whole.size() + shift);
        dropped = whole.mid(keep);
        if (dropped.size() < -shift)
            dropped.prepend(QByteArray(-shift - dropped.size(), '0'));
        whole.truncate(keep);
    }
    quint64 value = 0;
    for (char c : whole) {
        if (value > (std::numeric_limits<quint64>::max() - 9) / 10)
            return false;
        value = value * 10 + quint64(c - '0');
    }
    const bool anyDropped = dropped.count('0') != dropped.size();
    if (anyDropped) {
        const char first = dropped.at(0);
        const bool restZero = dropped.mid(1).count('0') == dropped.size() - 1;
        const bool up = first > '5' || (first == '5' && (!restZero || value % 2 == 1));
        if (up)
            ++value;
    }
    if (value > quint64(std::numeric_limits<qint64>::max()))
        return false;
    *cents = negative ? -qint64(value) : qint64(value);
    *roundedOff = anyDropped;
    return true;
}

} // namespace

Amount fromMoney(qint64 tenThousandths)
{
    Amount amount;
    amount.valid = true;
    amount.cents = tenThousandths / 100;
    const qint64 rest = tenThousandths % 100; // same sign as the value
    if (rest != 0) {
        amount.roundedOff = true;
        const qint64 half = rest < 0 ? -rest : rest;
        const bool away = half > 50 || (half == 50 && (amount.cents % 2 != 0));
        if (away)
            amount.cents += rest < 0 ? -1 : 1;
    }
    // The value as Jet shows it, with its four decimals.
    const quint64 magnitude = tenThousandths < 0 ? quint64(0) - quint64(tenThousandths) : quint64(tenThousandths);
    amount.decimal = (tenThousandths < 0 ? QByteArray("-") : QByteArray()) + QByteArray::number(magnitude / 10000) + '.'
                     + QByteArray::number(magnitude % 10000).rightJustified(4, '0');
    return amount;
}

Amount fromDecimal(const QByteArray &input)
{
    Amount amount;
    amount.decimal = input;
    QByteArray text = input.trimmed();
    bool negative = false;
    if (text.startsWith('-') || text.startsWith('+')) {
        negative = text.startsWith('-');
        text.remove(0, 1);
    }
    int exponent = 0;
    const qsizetype e = std::max(text.indexOf('e'), text.indexOf('E'));
    if (e >= 0) {
        bool ok = false;
        exponent = text.mid(e + 1).toInt(&ok);
        if (!ok || exponent > 40 || exponent < -400)
            return amount;
        text.truncate(e);
    }
    const qsizetype point = text.indexOf('.');
    QByteArray digits = text;
    if (point >= 0) {
        digits = text.left(point) + text.mid(point + 1);
        exponent -= int(text.size() - point - 1);
    }
    if (digits.isEmpty())
        return amount;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return amount;
    }
    // Leading zeros say nothing and would only count against the 64 bits.
    while (digits.size() > 1 && digits.startsWith('0'))
        digits.remove(0, 1);
    amount.valid = scaledToCents(digits, exponent, negative, &amount.cents, &amount.roundedOff);
    return amount;
}

Amount fromDouble(double value)
{
    if (!std::isfinite(value)) {
        Amount amount;
        amount.decimal = QByteArray::number(value);
        return amount;
    }
    // Fifteen significant digits give back any decimal of fifteen digits typed, and drop the
    // binary tail of a sum (0.1 + 0.2 is 0.3): an amount up to a billion keeps three decimals
    // past the cent, enough to see a fraction of one.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return fromDecimal(QByteArray(buffer, result.ptr - buffer));
}

Date fromJetDate(double value)
{
    Date date;
    // Years 100 to 9999, the range Jet itself accepts.
    if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0)
        return date;
    const double whole = std::trunc(value);
    const double fraction = std::fabs(value - whole);
    date.date = QDate(1899, 12, 30).addDays(qint64(whole));
    date.valid = date.date.isValid();
    // A second is about 1.16e-5 of a day: less than half of one is no time anyone typed.
    date.hadTime = fraction * 86400.0 >= 0.5 && fraction * 86400.0 < 86399.5;
    return date;
}

QString centsText(qint64 cents)
{
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    const quint64 magnitude = cents < 0 ? quint64(0) - quint64(cents) : quint64(cents);
    return (cents < 0 ? QStringLiteral("-") : QString()) + italian.toString(qulonglong(magnitude / 100))
           + QLatin1Char(',') + QString::number(magnitude % 100).rightJustified(2, QLatin1Char('0'));
}

} // namespace JetValues
