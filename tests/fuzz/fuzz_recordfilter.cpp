// Fuzzes the record filter and sort parsers and the matcher over a few cells of every kind:
// a bad expression is refused with DbError, never a crash. A text LIKE must give the answer
// of a plain reference: both sides case-folded, '*' and '%' standing for any run of
// characters, whatever shortcut the matcher takes for ASCII patterns.
#include "data/dberror.h"
#include "data/recordfilter.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

bool referenceLike(const QString &cell, const QString &pattern)
{
    const QString c = cell.toCaseFolded();
    const QString p = pattern.toCaseFolded();
    // matched[j]: the pattern so far matches the first j characters of the cell.
    std::vector<char> matched(size_t(c.size()) + 1, 0);
    matched[0] = 1;
    for (const QChar pc : p) {
        std::vector<char> next(matched.size(), 0);
        const bool star = pc == QLatin1Char('*') || pc == QLatin1Char('%');
        for (size_t j = 0; j < matched.size(); ++j) {
            if (star)
                next[j] = matched[j] || (j > 0 && next[j - 1]);
            else
                next[j] = j > 0 && matched[j - 1] && c.at(qsizetype(j - 1)) == pc;
        }
        matched.swap(next);
    }
    return matched.back();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    try {
        const RecordFilter::Condition condition = RecordFilter::parse(text);
        for (const Values::Kind kind :
             {Values::Kind::Text, Values::Kind::Integer, Values::Kind::Amount, Values::Kind::Date}) {
            try {
                const RecordFilter::Matcher matcher(condition, kind);
                for (const char *cell : {"", "Rossi", "1500", "1500.5", "2007-01-31", "%_*'"})
                    (void) matcher.matches(cell, false);
                (void) matcher.matches("", true);
                if (kind != Values::Kind::Text || condition.op != RecordFilter::Op::Like || condition.value.size() > 64)
                    continue;
                QString bare = condition.value;
                bare.remove(QLatin1Char('*')).remove(QLatin1Char('%'));
                for (const QString &cell : {QString(), bare, bare.toUpper(), QStringLiteral("x") + bare + QChar(0x00F2),
                                            QStringLiteral("Nicol\u00F2 ca\u017Fa \u212Ailo FORL\u00CC")}) {
                    const QByteArray utf8 = cell.toUtf8();
                    if (matcher.matches(std::string_view(utf8.constData(), size_t(utf8.size())), false)
                        != referenceLike(cell, condition.value))
                        std::abort();
                }
            } catch (const DbError &) {
            }
        }
    } catch (const DbError &) {
    }
    try {
        (void) RecordFilter::parseSort(text);
    } catch (const DbError &) {
    }
    double number = 0;
    (void) RecordFilter::toNumber(std::string_view(reinterpret_cast<const char *>(data), size), &number);
    (void) RecordFilter::sortFold(text);
    return 0;
}
