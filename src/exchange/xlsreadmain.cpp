// pratilio-xlsread: reads one .xls workbook for the program and writes the answer of
// XlsSheetReader::answer() to its standard output. The program runs it as a child, so that a
// fault inside the .xls library ends only this process.
#include "exchange/xlssheetreader.h"

#include <QFile>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Uso: pratilio-xlsread FILE.xls\n");
        return 2;
    }
    // The answer keeps the real standard output to itself; whatever the library may print
    // goes to the error output and cannot corrupt it.
    const int answerFd = dup(STDOUT_FILENO);
    if (answerFd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 1;
    QFile out;
    if (!out.open(answerFd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle))
        return 1;
    const QByteArray bytes = XlsSheetReader::answer(QFile::decodeName(argv[1]));
    if (out.write(bytes) != bytes.size() || !out.flush())
        return 1;
    return 0;
}
