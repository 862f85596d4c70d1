// The text calls of the interface: plain strings and their widths, a
// caption on a grey box, a boxed value with labels, fixed-cell characters
// and number readouts.  Glyph work is the font layer's; this adds
// positions, boxes and number formatting.
#pragma once

#include <string>

#include "gfx/fonts/fonts.h"

// Draws `text` one unit lower than asked (wrap width and alignment as for
// OGL_font_string); returns the baseline after the last line.
float OGL_string(int colour, float x, float y, const std::string& text, float width, charset_t cs,
                 int flags);
// Width in the regular face.
float str_dx(const std::string& text);
// Centred on x over a translucent grey box.
void OGL_gray_string(int colour, float x, float y, const std::string& text);
// `value` in a widget frame centred on x, with the label's left and right
// texts outside it.
void OGL_boxed_string(float x, float y, const std::string& label, const std::string& value,
                      charset_t cs, int colour);

// Sets up fixed-cell text in the widget sheet and returns the character
// advance: 0 for the regular face, 10 for bold.  Any other charset is a
// fatal alert.
int OGL_strtex(charset_t cs, int colour, float* s1, float* t1, float* s2, float* t2);
// The character of the low byte of c at absolute (x, y); the cell corners
// are not used.
void OGL_char(int colour, float x, float y, float s1, float t1, float s2, float t2, int c, charset_t cs);
// A readout with `digits` digit positions, `decimals` of them after the
// point, thousands commas, and the compact form d.ddxE for a number that
// does not fit.  Bold draws on a 10-unit cell grid without a compact form.
void OGL_number(int colour, float x, float y, float value, int digits, int decimals, charset_t cs);

// -- Number layout, for OGL_number and its tests ---

// Digit positions beyond this are not written.
constexpr int OGL_number_max_digits = 40;
constexpr int OGL_number_text_size = 64;
// The regular form's text into `out`, NUL-ended; returns its length.
int OGL_number_text(float value, int digits, int decimals, char* out);

struct OGL_number_cell {
    char c;
    float x;  // from the grid's left edge, interface units
};
// The bold form: every character with its place on the 10-unit grid;
// returns how many were written (at most OGL_number_cells_max).
constexpr int OGL_number_cells_max = 24;
int OGL_number_cells(float value, int digits, int decimals, OGL_number_cell* cells);

// -- Widget calls ---

// The boxed string draws a widget frame and widget labels, which belong to
// the widget toolkit above graphics.  The toolkit installs its calls at
// start-up; until then a label is all left text and nothing is drawn.
struct text_widget_hooks {
    void (*expand_label)(const std::string& label, std::string* left, std::string* right,
                         std::string* help);
    void (*frame1)(int type, float x, float y, float width, int colour_row);
    // align 0 right-aligned at x, 1 centred, 2 left-aligned.
    void (*draw_label)(float x, float y, int align, const std::string& text, int highlight);
};
// Null restores the defaults.
void set_text_widget_hooks(const text_widget_hooks* hooks);
