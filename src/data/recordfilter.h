#pragma once

#include "data/values.h"

#include <QString>
#include <QStringView>

#include <string_view>
#include <vector>

// The client-side record filter and sort of a result, over rows already in memory.
//
// A filter is one condition "Column LIKE 'pattern'" or "Column op value" with op one of
// = <> < > <= >=. In patterns "*" and "%" stand for any run of characters. Text compares
// without regard to case; a bare value (Importo_totale=1500) or a quoted one on a numeric
// column (IdProgetto = '7') compares as a number.
// A sort is "Column [ASC|DESC]", several separated by commas.
namespace RecordFilter {

enum class Op { Like, Equal, NotEqual, Less, Greater, LessEqual, GreaterEqual };

struct Condition
{
    QString column;
    Op op = Op::Equal;
    QString value;
    bool quoted = false;
};

// Splits an expression; throws DbError when it is not one of the forms above.
Condition parse(const QString &expression);

// Prepared test of one cell against a condition on a column of the given kind.
class Matcher
{
public:
    Matcher(const Condition &condition, Values::Kind kind); // throws DbError on a bad value
    bool matches(std::string_view cell, bool isNull) const;

private:
    bool matchesText(std::string_view cell) const;
    bool matchesBytes(std::string_view cell) const; // an ASCII pattern's LIKE over UTF-8 bytes

    Condition condition_;
    Values::Kind kind_;
    bool numeric_ = false;
    double number_ = 0;
    QByteArray asciiPattern_;  // lower-cased pattern when it is all ASCII
    QByteArray containedText_; // of an ASCII pattern '*text*' without other wildcards: text
    bool patternHasSOrK_ = false;
    QString foldedPattern_;
    QByteArray storedValue_; // dates compare in their stored form
};

struct SortKey
{
    QString column;
    bool descending = false;
};
std::vector<SortKey> parseSort(const QString &sort); // throws DbError

// Case- and accent-insensitive form of a text for sorting.
QString sortFold(QStringView text);
// Reads a stored number; false for an empty or non-numeric text.
bool toNumber(std::string_view text, double *value);

} // namespace RecordFilter
