#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVariant>

// How values of the four column kinds are stored and shown. Amounts are kept as whole
// cents, so that any sequence of additions and subtractions stays exact; dates are
// stored as yyyy-MM-dd (comparable in SQL) and shown as dd/MM/yyyy.
namespace Values {

enum class Kind { Text, Integer, Amount, Date };

// The kind a column's declared type stands for.
Kind kindOfDeclaredType(const QByteArray &declaredType);

// Amounts in whole cents. The largest amount the program takes is 999.999.999,99 (either
// sign): its cents fit 64 bits with room for the sum of every row of any result, and the
// engine holds it exactly, as an integer or as the double nearest to its two decimals.
constexpr qint64 kMaxAmountCents = 99'999'999'999;
bool isAmountInRange(qint64 cents);
// "999.999.999,99", for messages.
QString maxAmountText();
// The cents nearest to `value`; 0 for a value that is no number, the 64-bit limit for one
// beyond it.
qint64 amountToCents(double value);
double centsToAmount(qint64 cents);
// `a + b` and `a - b`, held at the 64-bit limit rather than wrapping round.
qint64 addCents(qint64 a, qint64 b);
qint64 subtractCents(qint64 a, qint64 b);
// The value to store for an amount: an integer when whole, otherwise the nearest double to
// the two-decimal value.
QVariant storedAmount(qint64 cents);

enum class AmountReading { Amount, NotAnAmount, OutOfRange };
// Reads "1500", "1500.50", "1.500,50" or "1500,5" into exact cents (half a cent rounds away
// from zero). OutOfRange: a number beyond the largest amount, whose cents (held at the
// 64-bit limit) are still given.
AmountReading readAmount(const QString &text, qint64 *cents);
// True for an amount in range.
bool parseAmount(const QString &text, qint64 *cents);

// A count grouped as Italians write it: "100.000".
QString groupedCount(qint64 count);

// Dates: stored form <-> QDate <-> shown form.
QDate dateFromStored(const QByteArray &stored);
QByteArray dateToStored(const QDate &date);
QString dateShown(const QByteArray &stored);
// Reads a date as the user types it (dd/MM/yyyy, d/M/yyyy, with an optional time) or in the
// stored form; an invalid QDate when it is neither.
QDate parseDate(const QString &text);

// The text a typed value is kept as in memory, as the engine would give it back.
QByteArray storedText(const QVariant &value, Kind kind);
// The text a value is bound as when it goes to the engine as text: a date as yyyy-MM-dd, a
// date and time as "yyyy-MM-dd HH:mm:ss" (the date alone at midnight), anything else as Qt
// writes it.
QByteArray boundText(const QVariant &value);

} // namespace Values
