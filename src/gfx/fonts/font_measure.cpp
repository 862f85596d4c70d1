// Widths of text and how much of it fits: for the text calls, the text
// editor and the line breaker.  Measuring rasterises, so a glyph is in the
// atlas before anything draws it.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

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
        // The advances the pen moves by: counted in whole pixels, a condensed
        // Russian line would run past its wrap width, or past x when it is
        // right-aligned.
        width += fixed_advance ? static_cast<float>(fixed_advance) : advance;
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

// -- Fitting text into a region ---

int OGL_count_lines(const std::string& text, float wrap, charset_t cs)
{
    OGL_font_info& font = OGL_font_face(cs);
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + std::strlen(text.c_str());
    int lines = 0;
    for (; p < end; ++lines) p = OGL_font_break_line(font, p, end, wrap, 0).next;
    return lines;
}

std::string OGL_fit_lines(const std::string& text, float wrap, int lines, charset_t cs)
{
    if (lines < 1) return std::string();
    const std::string whole = text.c_str();  // the drawer stops at a NUL too
    if (OGL_count_lines(whole, wrap, cs) <= lines) return whole;

    // Where each character begins, so that no cut splits one.
    const auto* begin = reinterpret_cast<const unsigned char*>(whole.data());
    const auto* end = begin + whole.size();
    std::vector<size_t> starts;
    for (const unsigned char* p = begin; p < end; p = utf8_next(p, end)) starts.push_back(p - begin);
    starts.push_back(whole.size());
    const size_t count = starts.size() - 1;
    auto keeping = [&](size_t kept) {
        const size_t head = (kept + 1) / 2, tail = kept - head;
        return whole.substr(0, starts[head]) + "\u2026" + whole.substr(starts[count - tail]);
    };
    // The ellipsis alone fits one line; all of the text does not fit.
    size_t fits = 0, too_many = count;
    while (too_many - fits > 1) {
        const size_t kept = fits + (too_many - fits) / 2;
        (OGL_count_lines(keeping(kept), wrap, cs) <= lines ? fits : too_many) = kept;
    }
    return keeping(fits);
}

void OGL_fit_stacked(std::string* texts, const float* baselines, int count, float floor, float wrap,
                     charset_t cs)
{
    for (int i = 0; i < count; ++i) {
        if (texts[i].empty()) continue;
        int below = i + 1;
        while (below < count && texts[below].empty()) ++below;
        const float room = below < count ? baselines[i] - baselines[below] - OGL_wrapped_line_step
                                         : baselines[i] - floor;
        const int lines = 1 + std::max(0, static_cast<int>(std::floor(room / OGL_wrapped_line_step + 0.001f)));
        texts[i] = OGL_fit_lines(texts[i], wrap, lines, cs);
    }
}
