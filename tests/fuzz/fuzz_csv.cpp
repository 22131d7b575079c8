// Fuzzes the text file reader: any bytes give a sheet whose rows are as wide as its header.
#include "exchange/csvreader.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const CsvReader::Result result = CsvReader::read(bytes);
    if (result.lines.size() != result.sheet.rows.size())
        std::abort();
    for (const QStringList &row : result.sheet.rows) {
        if (row.size() != result.sheet.header.size())
            std::abort();
    }
    for (int i = 1; i < result.lines.size(); ++i) {
        if (result.lines.at(i) <= result.lines.at(i - 1))
            std::abort();
    }
    return 0;
}
