// Fuzzes the .xls or .xlsx reader (chosen at build time): any bytes give a sheet or an
// Italian reason, never a crash. The bytes go through a file, as the readers take a path.
// The .xls side is the in-process reader: the child's reading and the program's side of its
// answer, the very code the program runs in two processes.
#include "exchange/freexlsheetreader.h"
#include "exchange/sheetreader.h"
#include "exchange/xlsxsheetreader.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = QDir::temp().filePath(
        QStringLiteral("pratilio-fuzz-%1.%2").arg(getpid()).arg(QStringLiteral(PRATILIO_FUZZ_SUFFIX)));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
#ifdef PRATILIO_FUZZ_XLSX
    XlsxSheetReader reader;
#else
    FreexlSheetReader reader;
#endif
    SheetContent content;
    if (!reader.read(path, &content) && reader.errorString().isEmpty())
        std::abort(); // a refusal always says why
    return 0;
}
