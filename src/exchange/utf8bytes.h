#pragma once

// UTF-8 read byte by byte, for the writers that copy stored text as it is when that gives the
// same bytes as decoding it to a QString and encoding it again.
namespace Utf8Bytes {

// The code point of a valid UTF-8 sequence at `p` (before `end`) and its length; length 0 when
// the bytes are not a sequence QString::fromUtf8 would take as it is: malformed, overlong, a
// surrogate, past U+10FFFF, a non-character or a byte order mark.
char32_t decodeOne(const unsigned char *p, const unsigned char *end, int *length);

} // namespace Utf8Bytes
