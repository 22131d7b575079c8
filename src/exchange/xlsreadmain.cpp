// pratilio-xlsread: reads one .xls workbook for the program and writes the answer described
// in xlsanswer.h to its standard output. The program runs it as a child, so that a fault
// inside the .xls library ends only this process. It is plain C++ over libfreexl, without Qt:
// it is started for every .xls import, and loading Qt would cost more than the reading.
#include "exchange/answerwriter.h"
#include "exchange/xlsanswer.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Uso: pratilio-xlsread FILE.xls\n");
        return 2;
    }
    std::FILE *out = AnswerWriter::takeStandardOutput();
    if (!out)
        return 1;
    // The process ends at once: the library's memory goes back to the system with it.
    const bool written = XlsAnswer::write(argv[1], out, false);
    return std::fclose(out) == 0 && written ? 0 : 1;
}
