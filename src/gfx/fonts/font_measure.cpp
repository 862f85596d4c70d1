// Widths of text and how much of it fits: for the text calls, the text
// editor and the line breaker.  Measuring rasterises, so a glyph is in the
// atlas before anything draws it.

#include <cstring>

#include "gfx/fonts/fonts.h"
#include "gfx/fonts/utf8_text.h"

namespace {

float sum_advances(OGL_font_info& font, const unsigned char* p, const unsigned char* end)
{
    float width = 0;
    for (; p < end; p = utf8_next(p, end)) width += font.require_char(utf8_decode(p, end));
    return width;
}

}  // namespace

float OGL_measure_string(const std::string& text, charset_t cs)
{
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    return sum_advances(OGL_font_face(cs), begin, begin + std::strlen(text.c_str()));
}

float OGL_measure_range(const unsigned char* begin, const unsigned char* end, charset_t cs)
{
    return sum_advances(OGL_font_face(cs), begin, end);
}

float OGL_measure_char(unsigned int c, charset_t cs) { return OGL_font_face(cs).require_char(c); }

const unsigned char* OGL_fit_forward(const unsigned char* begin, const unsigned char* end, float width,
                                     charset_t cs)
{
    OGL_font_info& font = OGL_font_face(cs);
    float sum = 0;
    for (const unsigned char* p = begin; p < end; p = utf8_next(p, end)) {
        sum += font.require_char(utf8_decode(p, end));
        if (sum > width) return p;
    }
    return end;
}

const unsigned char* OGL_fit_reverse(const unsigned char* begin, const unsigned char* end, float width,
                                     charset_t cs)
{
    OGL_font_info& font = OGL_font_face(cs);
    float sum = 0;
    const unsigned char* fits = end;
    while (fits > begin) {
        const unsigned char* p = utf8_prev(begin, fits);
        sum += font.require_char(utf8_decode(p, end));
        if (sum > width) break;
        fits = p;
    }
    return fits;
}

OGL_font_line OGL_font_break_line(OGL_font_info& font, const unsigned char* start,
                                  const unsigned char* end, float wrap, int fixed_advance)
{
    const bool wrapping = wrap > 0 && wrap < 9999.0f;
    const unsigned char* blank = nullptr;
    float width_before_blank = 0;
    float width = 0;
    OGL_font_line line = {end, end, 0};
    const unsigned char* p = start;
    for (; p < end; p = utf8_next(p, end)) {
        if (wrapping && width >= wrap) {
            // A long word with no blank before it is cut where it reached
            // the width.
            line.end = blank ? blank : p;
            line.width = blank ? width_before_blank : width;
            break;
        }
        const unsigned int c = utf8_decode(p, end);
        if (c == '\r' || c == '\n') {
            line.end = p;
            line.width = width;
            break;
        }
        if (c == ' ') {
            blank = p;
            width_before_blank = width;
        }
        // Every glyph is rasterised, also under a fixed advance: the drawer
        // never rasterises, so a glyph skipped here would not show.
        const float advance = font.require_char(c);
        width += fixed_advance ? static_cast<float>(fixed_advance) : static_cast<float>(static_cast<int>(advance));
    }
    if (p >= end) {
        line.end = end;
        line.width = width;
    }

    // Characters, not bytes: a broken sequence can decode to a line end or
    // a blank, and stepping over its first byte alone would never move on.
    line.next = line.end;
    if (line.next < end) {
        const unsigned int c = utf8_decode(line.next, end);
        if (c == '\r' || c == '\n') line.next = utf8_next(line.next, end);
    }
    while (line.next < end && utf8_decode(line.next, end) == ' ') line.next = utf8_next(line.next, end);
    return line;
}
