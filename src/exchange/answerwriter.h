#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// How a reading child (pratilio-xlsread, pratilio-mdbread) writes its framed answer: fields
// in the byte order of the machine, collected and handed to the stream in large pieces (a
// sheet or a table is some hundred thousand small fields). Plain C++, without Qt: the
// children start for every file read, and loading Qt would cost more than the reading.
class AnswerWriter
{
public:
    explicit AnswerWriter(std::FILE *out) : out_(out) { buffer_.reserve(1 << 16); }

    template<typename T>
    void put(T value)
    {
        buffer_.append(reinterpret_cast<const char *>(&value), sizeof value);
        if (buffer_.size() >= kChunk)
            flush();
    }

    // A text: a u32 length and that many bytes. A null text goes as an empty one.
    void putText(const char *text, std::size_t length);
    void putText(const char *text);

    // Writes the end marker and hands over the rest. False when any writing failed.
    bool finish(std::uint32_t endMarker);

    // The child's real standard output, kept for the answer alone: whatever a library prints
    // goes to the error output and cannot corrupt the answer. Null when it cannot be had.
    static std::FILE *takeStandardOutput();

private:
    static constexpr std::size_t kChunk = 1 << 20;

    void flush();

    std::FILE *out_; // Not owned.
    std::string buffer_;
    bool ok_ = true;
};
