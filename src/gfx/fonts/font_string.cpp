// The line-breaking text drawer: each line measured, then drawn as one run
// of glyph quads from the face's atlas.

#include <cstring>

#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/fonts.h"
#include "gfx/fonts/utf8_text.h"
#include "gfx/window_link.h"

namespace {

void draw_line(OGL_font_info& font, int colour, float pen, float baseline, const unsigned char* p,
               const unsigned char* end, int fixed_advance)
{
    font.sync_tex();
    // Nothing has pixels yet (blanks, tabs, glyphs FreeType refused): there
    // is no atlas texture to bind.
    if (!font.atlas) return;
    OGL_2dquad_batch_begin(font.tex_ref, 5);
    OGL_2dquad_batch_colour(colour, 1.0f);
    for (; p < end; p = utf8_next(p, end)) {
        const float advance = font.draw_char(utf8_decode(p, end), pen, baseline);
        pen += fixed_advance ? static_cast<float>(fixed_advance) : advance;
    }
    OGL_2dquad_batch_end();
}

}  // namespace

float OGL_font_string_range(int colour, float x, float y, const unsigned char* begin,
                            const unsigned char* end, float wrap_width, charset_t cs, int align,
                            int fixed_advance)
{
    if (begin >= end) return y;
    OGL_font_info& font = OGL_font_face(cs);
    x += ogl_win->origin_x;
    y += ogl_win->origin_y;
    const bool wrapping = wrap_width > 0 && wrap_width < 9999.0f;

    for (const unsigned char* start = begin; start < end;) {
        const int restarts = font.atlas_restarts;
        OGL_font_line line = OGL_font_break_line(font, start, end, wrap_width, fixed_advance);
        // The atlas filled up and started over while this line was
        // measured: measure it again so its first glyphs are back.
        if (font.atlas_restarts != restarts)
            line = OGL_font_break_line(font, start, end, wrap_width, fixed_advance);

        float pen = x;
        if (align == 1)
            pen = x - line.width / 2;
        else if (align == 2)
            pen = x - line.width;
        if (line.end > start) draw_line(font, colour, pen, y, start, line.end, fixed_advance);

        if (wrapping) y -= OGL_wrapped_line_step;
        start = line.next;
    }
    return y - ogl_win->origin_y;
}

float OGL_font_string(int colour, float x, float y, const std::string& text, float wrap_width,
                      charset_t cs, int align, int fixed_advance)
{
    // The text ends at its first NUL, as its measured width does.
    const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
    return OGL_font_string_range(colour, x, y, begin, begin + std::strlen(text.c_str()), wrap_width, cs,
                                 align, fixed_advance);
}
