// Fuzzes the .xls or .xlsx reader (chosen at build time): any bytes give a sheet or an
// Italian reason, never a crash. The .xlsx reader takes the bytes as they are; the .xls one
// a file, as freexl opens only paths.
// The .xls side is the in-process reader: the child's reading and the program's side of its
// answer, the very code the program runs in two processes.
#include "exchange/freexlsheetreader.h"
#include "exchange/sheetreader.h"
#include "exchange/xlsxsheetreader.h"

#include <cstdint>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
#ifdef PRATILIO_FUZZ_XLSX
    XlsxSheetReader reader;
    SheetContent content;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!reader.readBytes(bytes, QStringLiteral("fuzz.xlsx"), &content) && reader.errorString().isEmpty())
        std::abort(); // a refusal always says why
#else
    // A file in memory, named through /proc: no disk behind the many runs.
    static const int fd = memfd_create("pratilio-fuzz.xls", 0);
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        std::abort();
    FreexlSheetReader reader;
    SheetContent content;
    if (!reader.read(path, &content) && reader.errorString().isEmpty())
        std::abort(); // a refusal always says why
#endif
    return 0;
}
