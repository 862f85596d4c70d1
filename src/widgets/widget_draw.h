// How the widgets put sheet pieces and text on screen, and the recorder
// tests read them back from.  A frame draws its pieces as one run of quads
// in one tint: `sheet_run` begins the run, `quad` adds a piece in sheet
// pixels, the destructor ends it.
#pragma once

#include <string>
#include <vector>

#include "gfx/sheet_layout.h"
#include "gfx/fonts/text_drawing.h"
#include "gfx/textures/texture_refs.h"

constexpr int widget_sheet_texture = tex_ref::widget_sheet;
constexpr int skin_sheet_texture = tex_ref::skin;

// One drawing call of a widget, as recorded for tests: a sheet piece
// (screen rectangle, sheet rectangle in pixels) or a text.
struct widget_draw_op {
    enum kind_t { piece, text } kind;
    int texture;
    int colour;
    float x1, y1, x2, y2;  // screen, relative to the window's origin
    float s1, t1, s2, t2;  // sheet pixels
    std::string string;
    int align;             // text: OGL_string's alignment
};

// Null (the default) records nothing; a test points it at its own vector.
void BTN_record_drawing(std::vector<widget_draw_op>* log);
bool BTN_recording();

// The quads of one sheet in one colour, drawn together when the run ends.
class sheet_run {
public:
    // `alpha` is multiplied by the global alpha like every primitive's.
    sheet_run(sheet_layout::sheet_id sheet, int colour, float alpha);
    ~sheet_run();
    sheet_run(const sheet_run&) = delete;
    sheet_run& operator=(const sheet_run&) = delete;
    // Screen x1..x2, y1..y2 from sheet pixels s1..s2, t1..t2.
    void quad(float x1, float y1, float x2, float y2, float s1, float t1, float s2, float t2);
    void quad(float x1, float y1, float x2, float y2, const sheet_layout::rect& r)
    {
        quad(x1, y1, x2, y2, float(r.x0), float(r.y0), float(r.x1), float(r.y1));
    }

private:
    int texture_;
    int colour_;
    float sheet_w_, sheet_h_;
};

// One sheet rectangle through OGL_2dquad, corners lower-left, upper-left,
// upper-right, lower-right.
void BTN_sheet_quad(int colour, float x1, float y1, float x2, float y2, float s1, float t1, float s2,
                    float t2);
inline void BTN_sheet_quad(int colour, float x1, float y1, float x2, float y2,
                           const sheet_layout::rect& r)
{
    BTN_sheet_quad(colour, x1, y1, x2, y2, float(r.x0), float(r.y0), float(r.x1), float(r.y1));
}

// OGL_string, recorded.
float BTN_text(int colour, float x, float y, const std::string& text, float wrap, charset_t cs,
               int align);

// Half away from zero, as the frames round their positions.
inline float BTN_round(float v) { return v < 0 ? float(int(v - 0.5f)) : float(int(v + 0.5f)); }

// Hit boxes include their edges.
bool BTN_mouse_in(float left, float right, float bottom, float top);
// No menu or pop-up open: buttons and check boxes react only then.
bool BTN_no_menu_open();
