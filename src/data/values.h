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

// Amounts in whole cents.
qint64 amountToCents(double value);
double centsToAmount(qint64 cents);
// The value to store for an amount: an integer when whole, otherwise the nearest double to
// the two-decimal value.
QVariant storedAmount(qint64 cents);
// Parses "1500", "1500.50", "1.500,50" or "1500,5"; false when the text is not an amount.
bool parseAmount(const QString &text, qint64 *cents);

// Dates: stored form <-> QDate <-> shown form.
QDate dateFromStored(const QByteArray &stored);
QByteArray dateToStored(const QDate &date);
QString dateShown(const QByteArray &stored);
// Reads a date as the user types it (dd/MM/yyyy, d/M/yyyy, with an optional time) or in the
// stored form; an invalid QDate when it is neither.
QDate parseDate(const QString &text);

// The text a typed value is kept as in memory, as the engine would give it back.
QByteArray storedText(const QVariant &value, Kind kind);

} // namespace Values
