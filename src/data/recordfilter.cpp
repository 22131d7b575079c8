#include "data/recordfilter.h"

#include "data/dberror.h"

#include <QRegularExpression>

#include <charconv>

namespace RecordFilter {

namespace {

bool isWildcard(QChar c) { return c == QLatin1Char('*') || c == QLatin1Char('%'); }

// Classic wildcard match with backtracking to the last star; linear for the patterns the
// program builds ('x*', '*x*').
template<typename Char, typename Eq, typename Wild>
bool wildMatch(const Char *s, size_t sn, const Char *p, size_t pn, Eq eq, Wild wild)
{
    size_t si = 0, pi = 0, star = size_t(-1), mark = 0;
    while (si < sn) {
        if (pi < pn && wild(p[pi])) {
            star = pi++;
            mark = si;
        } else if (pi < pn && eq(s[si], p[pi])) {
            ++si;
            ++pi;
        } else if (star != size_t(-1)) {
            pi = star + 1;
            si = ++mark;
        } else {
            return false;
        }
    }
    while (pi < pn && wild(p[pi]))
        ++pi;
    return pi == pn;
}

bool isAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80)
            return false;
    return true;
}

// Of all characters outside ASCII, only U+017F (long s) and U+212A (Kelvin sign) fold to an
// ASCII letter ('s' and 'k'). Their UTF-8 lead bytes are 0xC5 and 0xE2; a cell without either
// byte holds neither.
bool mayFoldToAscii(std::string_view utf8)
{
    for (unsigned char c : utf8)
        if (c == 0xC5 || c == 0xE2)
            return true;
    return false;
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// Whether `text`, lower-case ASCII, is anywhere in `cell`, whatever the case there: the
// "contains" of the quick search, faster than the general match.
bool containsAscii(std::string_view cell, std::string_view text)
{
    if (text.size() > cell.size())
        return false;
    const size_t last = cell.size() - text.size();
    for (size_t i = 0; i <= last; ++i) {
        if (lowerAscii(cell[i]) != text[0])
            continue;
        size_t k = 1;
        while (k < text.size() && lowerAscii(cell[i + k]) == text[k])
            ++k;
        if (k == text.size())
            return true;
    }
    return false;
}

template<typename T>
bool compareWith(Op op, const T &a, const T &b)
{
    switch (op) {
    case Op::Like:
    case Op::Equal:
        return a == b;
    case Op::NotEqual:
        return a != b;
    case Op::Less:
        return a < b;
    case Op::Greater:
        return a > b;
    case Op::LessEqual:
        return a <= b;
    case Op::GreaterEqual:
        return a >= b;
    }
    return false;
}

} // namespace

bool toNumber(std::string_view text, double *value)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), *value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

Condition parse(const QString &expression)
{
    const QString text = expression.trimmed();
    Condition c;
    // Find the operator outside quotes.
    qsizetype opPos = -1, opLen = 0;
    bool inQuote = false;
    for (qsizetype i = 0; i < text.size() && opPos < 0; ++i) {
        const QChar ch = text.at(i);
        if (ch == QLatin1Char('\'')) {
            inQuote = !inQuote;
            continue;
        }
        if (inQuote)
            continue;
        if (ch.isSpace() && text.mid(i + 1, 5).compare(QLatin1String("LIKE "), Qt::CaseInsensitive) == 0) {
            opPos = i;
            opLen = 6;
            c.op = Op::Like;
        } else if (ch == QLatin1Char('<') || ch == QLatin1Char('>') || ch == QLatin1Char('=')) {
            opPos = i;
            const QString two = text.mid(i, 2);
            if (two == QLatin1String("<>")) {
                c.op = Op::NotEqual;
                opLen = 2;
            } else if (two == QLatin1String("<=")) {
                c.op = Op::LessEqual;
                opLen = 2;
            } else if (two == QLatin1String(">=")) {
                c.op = Op::GreaterEqual;
                opLen = 2;
            } else {
                c.op = ch == QLatin1Char('<') ? Op::Less : ch == QLatin1Char('>') ? Op::Greater : Op::Equal;
                opLen = 1;
            }
        }
    }
    if (opPos <= 0)
        throw DbError(QStringLiteral("Filtro non valido: %1").arg(expression));
    c.column = text.left(opPos).trimmed();
    if (c.column.startsWith(QLatin1Char('[')) && c.column.endsWith(QLatin1Char(']')))
        c.column = c.column.mid(1, c.column.size() - 2);
    QString value = text.mid(opPos + opLen).trimmed();
    if (value.startsWith(QLatin1Char('\''))) {
        if (value.size() < 2 || !value.endsWith(QLatin1Char('\'')))
            throw DbError(QStringLiteral("Filtro non valido: manca l'apice di chiusura in %1").arg(expression));
        value = value.mid(1, value.size() - 2);
        value.replace(QStringLiteral("''"), QStringLiteral("'"));
        c.quoted = true;
    } else if (value.startsWith(QLatin1Char('#')) && value.endsWith(QLatin1Char('#')) && value.size() >= 2) {
        value = value.mid(1, value.size() - 2);
        c.quoted = true;
    }
    if (c.column.isEmpty() || (!c.quoted && value.isEmpty()))
        throw DbError(QStringLiteral("Filtro non valido: %1").arg(expression));
    c.value = value;
    return c;
}

Matcher::Matcher(const Condition &condition, Values::Kind kind) : condition_(condition), kind_(kind)
{
    const bool numericColumn = kind == Values::Kind::Integer || kind == Values::Kind::Amount;
    if (condition.op != Op::Like) {
        if (!condition.quoted || numericColumn) {
            QString number = condition.value.trimmed();
            number.replace(QLatin1Char(','), QLatin1Char('.'));
            bool ok = false;
            number_ = number.toDouble(&ok);
            if (!ok)
                throw DbError(QStringLiteral("Il valore %1 del filtro non è un numero valido per il campo %2.")
                                  .arg(condition.value, condition.column));
            numeric_ = true;
        } else if (kind == Values::Kind::Date) {
            const QDate date = Values::parseDate(condition.value);
            if (date.isValid())
                storedValue_ = Values::dateToStored(date);
            else
                storedValue_ = condition.value.toUtf8();
        }
    }
    const QString pattern = condition.value;
    bool ascii = true;
    for (QChar ch : pattern)
        ascii = ascii && ch.unicode() < 0x80;
    if (ascii)
        asciiPattern_ = pattern.toLatin1().toLower();
    patternHasSOrK_ = asciiPattern_.contains('s') || asciiPattern_.contains('k');
    if (asciiPattern_.size() > 2 && asciiPattern_.startsWith('*') && asciiPattern_.endsWith('*')) {
        const QByteArray inner = asciiPattern_.mid(1, asciiPattern_.size() - 2);
        if (!inner.contains('*') && !inner.contains('%'))
            containedText_ = inner;
    }
    foldedPattern_ = pattern.toCaseFolded();
}

bool Matcher::matchesBytes(std::string_view cell) const
{
    if (!containedText_.isEmpty())
        return containsAscii(cell, std::string_view(containedText_.constData(), size_t(containedText_.size())));
    return wildMatch(
        cell.data(), cell.size(), asciiPattern_.constData(), size_t(asciiPattern_.size()),
        [](char a, char b) { return lowerAscii(a) == b; }, [](char c) { return c == '*' || c == '%'; });
}

bool Matcher::matchesText(std::string_view cell) const
{
    if (!asciiPattern_.isNull() && condition_.op == Op::Like) {
        // Matched byte by byte, a cell's other characters can only fall under a '*': its
        // ASCII bytes are whole characters. That gives the folded texts' answer, unless the
        // pattern has an 's' or a 'k' and the cell one of the two characters that fold to them.
        const bool matched = matchesBytes(cell);
        if (matched || !patternHasSOrK_ || !mayFoldToAscii(cell))
            return matched;
    } else if (!asciiPattern_.isNull() && isAscii(cell)) {
        std::string lowered(cell);
        for (char &ch : lowered)
            ch = lowerAscii(ch);
        return compareWith(condition_.op, std::string_view(lowered),
                           std::string_view(asciiPattern_.constData(), size_t(asciiPattern_.size())));
    }
    const QString folded = QString::fromUtf8(cell.data(), qsizetype(cell.size())).toCaseFolded();
    if (condition_.op == Op::Like) {
        return wildMatch(
            folded.constData(), size_t(folded.size()), foldedPattern_.constData(), size_t(foldedPattern_.size()),
            [](QChar a, QChar b) { return a == b; }, isWildcard);
    }
    return compareWith(condition_.op, folded, foldedPattern_);
}

bool Matcher::matches(std::string_view cell, bool isNull) const
{
    if (isNull)
        return condition_.op == Op::NotEqual;
    if (numeric_) {
        double v = 0;
        if (!toNumber(cell, &v))
            return condition_.op == Op::NotEqual;
        return compareWith(condition_.op, v, number_);
    }
    if (condition_.op != Op::Like && kind_ == Values::Kind::Date) {
        const std::string_view stored(storedValue_.constData(), size_t(storedValue_.size()));
        return compareWith(condition_.op, cell.substr(0, std::min(cell.size(), stored.size())), stored);
    }
    if (condition_.op == Op::Like && kind_ == Values::Kind::Date) {
        // A date is matched in the form the user sees.
        const QByteArray shown = Values::dateShown(QByteArray(cell.data(), qsizetype(cell.size()))).toUtf8();
        return matchesText(std::string_view(shown.constData(), size_t(shown.size())));
    }
    return matchesText(cell);
}

std::vector<SortKey> parseSort(const QString &sort)
{
    std::vector<SortKey> keys;
    const QStringList parts = sort.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        QString text = part.trimmed();
        SortKey key;
        if (text.endsWith(QLatin1String(" DESC"), Qt::CaseInsensitive)) {
            key.descending = true;
            text.chop(5);
        } else if (text.endsWith(QLatin1String(" ASC"), Qt::CaseInsensitive)) {
            text.chop(4);
        }
        text = text.trimmed();
        if (text.startsWith(QLatin1Char('[')) && text.endsWith(QLatin1Char(']')))
            text = text.mid(1, text.size() - 2);
        if (text.isEmpty())
            throw DbError(QStringLiteral("Ordinamento non valido: %1").arg(sort));
        key.column = text;
        keys.push_back(key);
    }
    return keys;
}

QString sortFold(QStringView text)
{
    // Accented Latin letters sort with their base letter, as in a printed index.
    static const char16_t kBase[] = u"aaaaaaaceeeeiiiidnooooo*ouuuuyts"  // U+00C0..U+00DF
                                    u"aaaaaaaceeeeiiiidnooooo/ouuuuyty"; // U+00E0..U+00FF
    QString out;
    out.reserve(text.size());
    for (QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80)
            out += QChar(u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u);
        else if (u >= 0xC0 && u <= 0xFF)
            out += QChar(kBase[u - 0xC0]);
        else
            out += ch.toCaseFolded();
    }
    return out;
}

} // namespace RecordFilter
