#include "data/values.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace Values {

Kind kindOfDeclaredType(const QByteArray &declaredType)
{
    const QByteArray t = declaredType.toUpper();
    if (t.contains("CURRENCY") || t.contains("MONEY") || t.contains("DECIMAL") || t.contains("NUMERIC"))
        return Kind::Amount;
    if (t.contains("DATE") || t.contains("TIME"))
        return Kind::Date;
    if (t.contains("INT"))
        return Kind::Integer;
    if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB"))
        return Kind::Amount;
    return Kind::Text;
}

bool isAmountInRange(qint64 cents) { return cents >= -kMaxAmountCents && cents <= kMaxAmountCents; }

QString maxAmountText() { return QStringLiteral("999.999.999,99"); }

qint64 amountToCents(double value)
{
    const double cents = value * 100.0;
    if (std::isnan(cents))
        return 0;
    // 2^63 is the first double past the largest 64-bit integer.
    constexpr double limit = 9223372036854775808.0;
    if (cents >= limit)
        return std::numeric_limits<qint64>::max();
    if (cents <= -limit)
        return std::numeric_limits<qint64>::min();
    return std::llround(cents);
}

qint64 addCents(qint64 a, qint64 b)
{
    qint64 sum = 0;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

qint64 subtractCents(qint64 a, qint64 b)
{
    qint64 difference = 0;
    if (!__builtin_sub_overflow(a, b, &difference))
        return difference;
    return b < 0 ? std::numeric_limits<qint64>::max() : std::numeric_limits<qint64>::min();
}

double centsToAmount(qint64 cents)
{
    // Dividing the exact integer gives the double nearest to the decimal value, the same
    // double that the literal "12.34" reads as; so equal amounts compare equal in SQL.
    return double(cents) / 100.0;
}

QVariant storedAmount(qint64 cents)
{
    if (cents % 100 == 0)
        return QVariant::fromValue<qint64>(cents / 100);
    return centsToAmount(cents);
}

namespace {

// The cents of a plain decimal ("-1500.505"), counted in integers: exact, half a cent rounded
// away from zero. False for an exponent or for more whole digits than an amount can have,
// which the caller reads as a double.
bool decimalToCents(const QString &text, qint64 *cents)
{
    if (text.contains(QLatin1Char('e'), Qt::CaseInsensitive))
        return false;
    qsizetype at = 0;
    const bool negative = text.startsWith(QLatin1Char('-'));
    if (negative || text.startsWith(QLatin1Char('+')))
        at = 1;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const qsizetype wholeEnd = point < 0 ? text.size() : point;
    if (wholeEnd - at > 15)
        return false;
    qint64 value = 0;
    for (qsizetype k = at; k < wholeEnd; ++k)
        value = value * 10 + text.at(k).digitValue();
    for (qsizetype k = 1; k <= 2; ++k) {
        const qsizetype digit = wholeEnd + k;
        value = value * 10 + (point >= 0 && digit < text.size() ? text.at(digit).digitValue() : 0);
    }
    const qsizetype third = wholeEnd + 3;
    if (point >= 0 && third < text.size() && text.at(third).digitValue() >= 5)
        ++value;
    *cents = negative ? -value : value;
    return true;
}

} // namespace

AmountReading readAmount(const QString &input, qint64 *cents)
{
    QString text = input.trimmed();
    text.remove(QLatin1Char(' '));
    text.remove(QChar(0x20AC)); // euro sign
    if (text.isEmpty())
        return AmountReading::NotAnAmount;
    const int comma = text.lastIndexOf(QLatin1Char(','));
    const int dot = text.lastIndexOf(QLatin1Char('.'));
    if (comma >= 0 && dot >= 0) {
        // The later separator is the decimal one; the other groups thousands.
        if (comma > dot) {
            text.remove(QLatin1Char('.'));
            text.replace(QLatin1Char(','), QLatin1Char('.'));
        } else {
            text.remove(QLatin1Char(','));
        }
    } else if (comma >= 0) {
        text.replace(QLatin1Char(','), QLatin1Char('.'));
    }
    static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][-+]?\\d+)?$"));
    if (!number.match(text).hasMatch())
        return AmountReading::NotAnAmount;
    if (decimalToCents(text, cents))
        return isAmountInRange(*cents) ? AmountReading::Amount : AmountReading::OutOfRange;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok && !std::isinf(value))
        return AmountReading::NotAnAmount;
    *cents = amountToCents(value);
    return isAmountInRange(*cents) ? AmountReading::Amount : AmountReading::OutOfRange;
}

bool parseAmount(const QString &text, qint64 *cents)
{
    qint64 read = 0;
    if (readAmount(text, &read) != AmountReading::Amount)
        return false;
    *cents = read;
    return true;
}

QString groupedCount(qint64 count) { return QLocale(QLocale::Italian, QLocale::Italy).toString(count); }

QDate dateFromStored(const QByteArray &stored)
{
    if (stored.size() < 10)
        return {};
    return QDate::fromString(QString::fromLatin1(stored.left(10)), Qt::ISODate);
}

QByteArray dateToStored(const QDate &date)
{
    if (!date.isValid())
        return {};
    return date.toString(Qt::ISODate).toLatin1();
}

QString dateShown(const QByteArray &stored)
{
    const QDate date = dateFromStored(stored);
    if (!date.isValid())
        return QString::fromUtf8(stored);
    return date.toString(QStringLiteral("dd/MM/yyyy"));
}

QDate parseDate(const QString &input)
{
    const QString text = input.trimmed();
    static const QRegularExpression shown(
        QStringLiteral("^(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{2}|\\d{4})(\\s+\\d{1,2}[:.]\\d{2}([:.]\\d{2})?)?$"));
    if (const auto m = shown.match(text); m.hasMatch()) {
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += year < 50 ? 2000 : 1900;
        return QDate(year, m.captured(2).toInt(), m.captured(1).toInt());
    }
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})([ T].*)?$"));
    if (const auto m = iso.match(text); m.hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    return {};
}

QByteArray storedText(const QVariant &value, Kind kind)
{
    switch (kind) {
    case Kind::Date:
        if (value.typeId() == QMetaType::QDate)
            return Values::dateToStored(value.toDate());
        return value.toString().toUtf8();
    case Kind::Amount:
    case Kind::Integer:
        if (value.typeId() == QMetaType::Double)
            return QByteArray::number(value.toDouble(), 'g', 15);
        return value.toString().toUtf8();
    default:
        return value.toString().toUtf8();
    }
}

QByteArray boundText(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate).toUtf8();
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        const QString text = dt.time() == QTime(0, 0) ? dt.date().toString(Qt::ISODate)
                                                      : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        return text.toUtf8();
    }
    default:
        return value.toString().toUtf8();
    }
}

} // namespace Values
