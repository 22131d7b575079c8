// pratilio-mdbread: reads one Jet database (.mdb) for the program and writes the answer
// described in mdbanswer.h to its standard output. The program runs it as a child, so that a
// fault of the library on a damaged file ends only this process. Plain C++ over libmdb.
#include "exchange/mdbanswer.h"

#include <cstdio>
#include <malloc.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Uso: pratilio-mdbread FILE.mdb\n");
        return 2;
    }
    // The library takes a buffer of the longest text for every text it converts: kept on the
    // heap, they are used again at once instead of being mapped and unmapped each time.
    mallopt(M_MMAP_THRESHOLD, int(MdbAnswer::kMaxTextBytes * 2));
    // The answer keeps the real standard output to itself; whatever the library prints goes
    // to the error output and cannot corrupt it.
    const int answerFd = dup(STDOUT_FILENO);
    if (answerFd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 1;
    std::FILE *out = fdopen(answerFd, "wb");
    if (!out)
        return 1;
    std::setvbuf(out, nullptr, _IONBF, 0);
    const bool written = MdbAnswer::write(argv[1], out);
    return std::fclose(out) == 0 && written ? 0 : 1;
}
