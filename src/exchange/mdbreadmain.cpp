// pratilio-mdbread: reads one Jet database (.mdb) for the program and writes the answer
// described in mdbanswer.h to its standard output. The program runs it as a child, so that a
// fault of the library on a damaged file ends only this process. Plain C++ over libmdb.
#include "exchange/answerwriter.h"
#include "exchange/mdbanswer.h"

#include <cstdio>
#include <malloc.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Uso: pratilio-mdbread FILE.mdb\n");
        return 2;
    }
    // The library takes a buffer of the longest text for every text it converts: kept on the
    // heap, they are used again at once instead of being mapped and unmapped each time.
    mallopt(M_MMAP_THRESHOLD, int(MdbAnswer::kMaxTextBytes * 2));
    std::FILE *out = AnswerWriter::takeStandardOutput();
    if (!out)
        return 1;
    const bool written = MdbAnswer::write(argv[1], out);
    return std::fclose(out) == 0 && written ? 0 : 1;
}
