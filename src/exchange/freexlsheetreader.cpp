#include "exchange/freexlsheetreader.h"

#include "exchange/xlsanswer.h"
#include "exchange/xlssheetreader.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <new>

bool FreexlSheetReader::read(const QString &path, SheetContent *content)
{
    char *bytes = nullptr;
    std::size_t size = 0;
    std::FILE *out = open_memstream(&bytes, &size);
    if (!out)
        throw std::bad_alloc();
    XlsAnswer::write(QFile::encodeName(path).constData(), out);
    std::fclose(out);
    const QByteArray answer(bytes, qsizetype(size));
    std::free(bytes);

    XlsSheetReader program;
    const bool ok = program.readAnswer(answer, path, content);
    if (!ok)
        setErrorString(program.errorString());
    return ok;
}
