#include "exchange/utf8bytes.h"

namespace Utf8Bytes {

char32_t decodeOne(const unsigned char *p, const unsigned char *end, int *length)
{
    *length = 0;
    const unsigned char c = *p;
    int count = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (c < 0x80) {
        *length = 1;
        return c;
    }
    if ((c & 0xE0) == 0xC0) {
        count = 2;
        code = c & 0x1F;
        least = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        count = 3;
        code = c & 0x0F;
        least = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        count = 4;
        code = c & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (end - p < count)
        return 0;
    for (int i = 1; i < count; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || (code & 0xFFFE) == 0xFFFE
        || (code >= 0xFDD0 && code <= 0xFDEF) || code == 0xFEFF)
        return 0;
    *length = count;
    return code;
}

} // namespace Utf8Bytes
