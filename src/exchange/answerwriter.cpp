#include "exchange/answerwriter.h"

#include <cstring>
#include <unistd.h>

void AnswerWriter::putText(const char *text, std::size_t length)
{
    if (!text)
        length = 0;
    put(std::uint32_t(length));
    buffer_.append(text ? text : "", length);
    if (buffer_.size() >= kChunk)
        flush();
}

void AnswerWriter::putText(const char *text) { putText(text, text ? std::strlen(text) : 0); }

bool AnswerWriter::finish(std::uint32_t endMarker)
{
    put(endMarker);
    flush();
    return ok_ && std::fflush(out_) == 0;
}

void AnswerWriter::flush()
{
    if (!buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size())
        ok_ = false;
    buffer_.clear();
}

std::FILE *AnswerWriter::takeStandardOutput()
{
    const int answerFd = dup(STDOUT_FILENO);
    if (answerFd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return nullptr;
    std::FILE *out = fdopen(answerFd, "wb");
    // The answer is written in large pieces already: no second copy in the stream's buffer.
    if (out)
        std::setvbuf(out, nullptr, _IONBF, 0);
    return out;
}
