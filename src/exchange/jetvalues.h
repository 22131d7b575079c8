#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>

// How the values of a Jet file become the program's: amounts in whole cents, dates without
// their time. Exact: a Currency amount is a whole number of ten-thousandths and goes to cents
// without a double in between; a Double amount is taken as its decimal of fifteen significant
// digits (what the user typed, without the binary tail of a sum), then to cents. What does not fit in cents is rounded half to
// even (the way Jet itself rounds Currency) and said.
namespace JetValues {

struct Amount
{
    bool valid = false;      // false: no number (NaN, infinite) or past 64 bits of cents
    qint64 cents = 0;        // rounded half to even
    bool roundedOff = false; // a fraction of a cent was lost
    QByteArray decimal;      // the value as read, for the report ("12.3456")
};

// A Currency value in ten-thousandths.
Amount fromMoney(qint64 tenThousandths);
// A decimal text ("-1234.5678", "1e-05", "12"), as a Double prints at its shortest.
Amount fromDecimal(const QByteArray &text);
// A Double value.
Amount fromDouble(double value);

struct Date
{
    bool valid = false; // false: no number, or outside the years 100 to 9999
    QDate date;
    bool hadTime = false; // a time of day was dropped
};

// A Jet date: days since 30/12/1899 with the time as the fraction; before that day the whole
// days count backwards and the fraction still moves forwards (-1.25 is 29/12/1899 06:00).
Date fromJetDate(double value);

// "1.234,56": cents as the report shows them.
QString centsText(qint64 cents);

} // namespace JetValues
