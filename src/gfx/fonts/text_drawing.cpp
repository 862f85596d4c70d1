// The text calls built on the font layer.
//
// -- Widget calls ---
// -- Strings and boxes ---
// -- Fixed cells and numbers ---
// -- Colour ramp legend ---

#include "gfx/fonts/text_drawing.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "core/shell_hooks.h"
#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/gl_state_cache.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_refs.h"
#include "gfx/window_link.h"

// -- Widget calls ---

namespace {

void whole_label_left(const std::string& label, std::string* left, std::string* right, std::string* help)
{
    *left = label;
    right->clear();
    help->clear();
}
void no_frame(int, float, float, float, int) {}
void no_label(float, float, int, const std::string&, int) {}

const text_widget_hooks default_hooks = {whole_label_left, no_frame, no_label};
text_widget_hooks hooks = default_hooks;

// Halves away from zero, as the widget grid rounds.
float round_half_away(float v) { return std::trunc(v + (v < 0 ? -0.5f : 0.5f)); }

}  // namespace

void set_text_widget_hooks(const text_widget_hooks* h) { hooks = h ? *h : default_hooks; }

// -- Strings and boxes ---

float OGL_string(int colour, float x, float y, const std::string& text, float width, charset_t cs, int flags)
{
    return OGL_font_string(colour, x, y - 1.0f, text, width, cs, flags, 0);
}

float str_dx(const std::string& text) { return OGL_measure_string(text, charset_regular); }

void OGL_gray_string(int colour, float x, float y, const std::string& text)
{
    const float w = OGL_measure_string(text, charset_regular);
    const float left = x - w / 2;
    OGL_grayrect(left - 2, y - 2, x + w / 2 + 2, y + 8, 0.5f);
    OGL_font_string(colour, left, y - 1.0f, text, 9999.0f, charset_regular, 0, 0);
}

void OGL_boxed_string(float x, float y, const std::string& label, const std::string& value, charset_t cs,
                      int colour)
{
    std::string left, right, help;
    hooks.expand_label(label, &left, &right, &help);
    float width = 100;
    if (cs == charset_bold)
        width = 10.0f * static_cast<float>(value.size()) + 7;
    else if (cs == charset_regular)
        width = OGL_measure_string(value, charset_regular) + 7;
    hooks.frame1(9, x, y + 3.0f, width, 0);
    hooks.draw_label(x - width / 2 - 8, y, 0, left, 0);
    hooks.draw_label(x + width / 2 + 8, y, 2, right, 0);
    OGL_font_string(colour, x - width / 2 + 4, y - 1.0f, value, 9999.0f, cs, 0, 0);
}

// -- Fixed cells and numbers ---

int OGL_strtex(charset_t cs, int colour, float* s1, float* t1, float* s2, float* t2)
{
    if (cs != charset_regular && cs != charset_bold) {
        __MACIBM_alert(0, "String proc with bad charset!", "", "", "", 2, __FILE__, __LINE__);
        return 0;
    }
    OGL_setstate(1, 1, 3, 5, 9, 11);
    OGL_set_colour(colour, 1.0f);
    tman.bind_ref(tex_ref::widget_sheet, 0, 0);
    *s1 = 0;
    *t1 = 0;
    *s2 = 14.0f;
    *t2 = 15.0f;
    return cs == charset_bold ? 10 : 0;
}

void OGL_char(int colour, float x, float y, float, float, float, float, int c, charset_t cs)
{
    const unsigned char byte = static_cast<unsigned char>(c & 0xFF);
    OGL_font_string_range(colour, x - ogl_win->origin_x, y - ogl_win->origin_y + 1.0f, &byte, &byte + 1, 0,
                          cs, 0, cs == charset_bold ? 10 : 0);
}

void OGL_number(int colour, float x, float y, float value, int digits, int decimals, charset_t cs)
{
    if (cs != charset_bold) {
        unsigned char text[OGL_number_text_size];
        const int len = OGL_number_text(value, digits, decimals, reinterpret_cast<char*>(text));
        OGL_font_string_range(colour, x, y - 1.0f, text, text + len, 9999.0f, cs, 0, 0);
        return;
    }
    float s1, t1, s2, t2;
    const float w = static_cast<float>(OGL_strtex(cs, colour, &s1, &t1, &s2, &t2));
    const float x0 = round_half_away(x + ogl_win->origin_x) - w;
    const float y0 = round_half_away(y + ogl_win->origin_y) - 2;
    OGL_number_cell cells[OGL_number_cells_max];
    const int count = OGL_number_cells(value, digits, decimals, cells);
    for (int i = 0; i < count; ++i) OGL_char(colour, x0 + cells[i].x, y0, s1, t1, s2, t2, cells[i].c, cs);
}

// -- Colour ramp legend ---

void colr_class::spectrum_plotscale(float x, float y, float low, float high, int n)
{
    ramp_low = low;
    ramp_high = high;
    ramp_span = high - low;
    OGL_number(0, x + 4, y + 996, high, 5, n, charset_regular);
    OGL_number(0, x + 4, y - 4, low, 5, n, charset_regular);
    OGL_setstate(1, 0, 3, 5, 9, 11);
    glPointSize(4);
    glBegin(GL_POINTS);
    for (int i = 0; i <= 996; i += 4) {
        float v = low + ramp_span * 0.001001001f * static_cast<float>(i);
        v = ramp_span > 0 ? std::min(std::max(v, low), high) : std::min(std::max(v, high), low);
        int s = 0;
        if (ramp_span != 0) {
            // Limited as a float (NaN included): a span of a few ulps or an
            // infinite range must not overflow the conversion.
            const float step = std::trunc((v - low) / ramp_span * 1000.0f);
            s = step >= ramp_steps - 1 ? ramp_steps - 1 : step > 0 ? static_cast<int>(step) : 0;
        }
        glColor4f(ramp[s][0], ramp[s][1], ramp[s][2], 1.0f);  // explicit alpha: see OGL_set_colour
        glVertex2f(x + ogl_win->origin_x, y + ogl_win->origin_y + static_cast<float>(i));
    }
    glEnd();
    glPointSize(1);
}
