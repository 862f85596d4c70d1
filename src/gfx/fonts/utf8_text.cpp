#include "gfx/fonts/utf8_text.h"

namespace {

bool is_continuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

unsigned int utf8_decode(const unsigned char* p, const unsigned char* end)
{
    const unsigned char lead = *p;
    if (lead < 0x80) return lead;
    int trailing;
    unsigned int c;
    if ((lead & 0xE0) == 0xC0) {
        trailing = 1;
        c = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        trailing = 2;
        c = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        trailing = 3;
        c = lead & 0x07;
    } else {
        return 0;
    }
    for (++p; trailing > 0 && p < end; --trailing, ++p) c = (c << 6) | (*p & 0x3F);
    return c;
}

const unsigned char* utf8_next(const unsigned char* p, const unsigned char* end)
{
    for (++p; p < end && is_continuation(*p);) ++p;
    return p;
}

const unsigned char* utf8_prev(const unsigned char* begin, const unsigned char* p)
{
    for (--p; p > begin && is_continuation(*p);) --p;
    return p;
}
