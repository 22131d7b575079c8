#pragma once

#include <cstdint>
#include <cstring>

// UTF-8 read byte by byte, for the writers that copy stored text as it is when that gives the
// same bytes as decoding it to a QString and encoding it again.
namespace Utf8Bytes {

// The code point of a valid UTF-8 sequence at `p` (before `end`) and its length; length 0 when
// the bytes are not a sequence QString::fromUtf8 would take as it is: malformed, overlong, a
// surrogate, past U+10FFFF, a non-character or a byte order mark.
char32_t decodeOne(const unsigned char *p, const unsigned char *end, int *length);

// Eight bytes at once, for the loops that look for a few ASCII bytes in a text.
constexpr uint64_t kLowBits = 0x0101010101010101ULL;
constexpr uint64_t kHighBits = 0x8080808080808080ULL;

inline uint64_t word(const void *p)
{
    uint64_t w = 0;
    std::memcpy(&w, p, 8);
    return w;
}

// Non-zero when one of the eight bytes of `word` is `byte` (exact for any bytes: a borrow
// only reaches past a byte that is `byte` itself).
inline uint64_t hasByte(uint64_t word, unsigned char byte)
{
    const uint64_t x = word ^ (kLowBits * byte);
    return (x - kLowBits) & ~x & kHighBits;
}

} // namespace Utf8Bytes
