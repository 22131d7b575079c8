// Fuzzes the record filter and sort parsers and the matcher over a few cells of every kind:
// a bad expression is refused with DbError, never a crash.
#include "data/dberror.h"
#include "data/recordfilter.h"

#include <cstdint>

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
