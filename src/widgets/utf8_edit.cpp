#include "widgets/utf8_edit.h"

int utf8_encode(unsigned int cp, char* out)
{
    const auto byte = [](unsigned int v) { return static_cast<char>(v); };
    if (cp < 0x80) {
        out[0] = byte(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = byte(0xC0 | (cp >> 6));
        out[1] = byte(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp >= 0xD800 && cp <= 0xDFFF) return 0;
    if (cp < 0x10000) {
        out[0] = byte(0xE0 | (cp >> 12));
        out[1] = byte(0x80 | ((cp >> 6) & 0x3F));
        out[2] = byte(0x80 | (cp & 0x3F));
        return 3;
    }
    if (cp <= 0x10FFFF) {
        out[0] = byte(0xF0 | (cp >> 18));
        out[1] = byte(0x80 | ((cp >> 12) & 0x3F));
        out[2] = byte(0x80 | ((cp >> 6) & 0x3F));
        out[3] = byte(0x80 | (cp & 0x3F));
        return 4;
    }
    return 0;
}

size_t utf8_cut_length(const std::string& text, size_t max_bytes)
{
    if (text.size() <= max_bytes) return text.size();
    size_t cut = max_bytes;
    while (cut > 0 && utf8_is_continuation(text[cut])) --cut;
    return cut;
}
