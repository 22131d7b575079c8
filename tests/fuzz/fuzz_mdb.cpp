// Fuzzes the Jet reading: any bytes give the program's tables or an Italian reason, never a
// crash. The child's reading (libmdb over a file) and the program's side of its answer run
// here in one process, the very code the program runs in two.
#include "exchange/jetreader.h"
#include "exchange/mdbanswer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A file in memory, named through /proc: no disk behind the many runs.
    static const int fd = memfd_create("pratilio-fuzz.mdb", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        std::abort();
    char *answer = nullptr;
    size_t answerSize = 0;
    std::FILE *out = open_memstream(&answer, &answerSize);
    if (!out || !MdbAnswer::write(path.c_str(), out, 1 << 16))
        std::abort();
    std::fclose(out);
    JetReader reader;
    JetData tables;
    if (!reader.readAnswer(QByteArray(answer, qsizetype(answerSize)), &tables) && reader.errorString().isEmpty())
        std::abort(); // a refusal always says why
    std::free(answer);
    return 0;
}
