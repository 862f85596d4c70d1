#include "widgets/widget_draw.h"

#include "gfx/draw/draw_2d.h"
#include "shell/mnw_state.h"

namespace {

std::vector<widget_draw_op>* recorder = nullptr;

}  // namespace

void BTN_record_drawing(std::vector<widget_draw_op>* log) { recorder = log; }

bool BTN_recording() { return recorder != nullptr; }

bool BTN_mouse_in(float left, float right, float bottom, float top)
{
    return left <= mnw.mouse_x && mnw.mouse_x <= right && bottom <= mnw.mouse_y &&
           mnw.mouse_y <= top;
}

bool BTN_no_menu_open() { return mnw.open_menu == -1; }

sheet_run::sheet_run(sheet_layout::sheet_id sheet, int colour, float alpha)
    : texture_(sheet == sheet_layout::skin_sheet ? skin_sheet_texture : widget_sheet_texture),
      colour_(colour),
      sheet_w_(sheet == sheet_layout::skin_sheet ? sheet_layout::skin_width
                                                 : sheet_layout::widget_sheet_side),
      sheet_h_(sheet == sheet_layout::skin_sheet ? sheet_layout::skin_height
                                                 : sheet_layout::widget_sheet_side)
{
    OGL_2dquad_batch_begin(texture_, 5);
    OGL_2dquad_batch_colour(colour, alpha);
}

sheet_run::~sheet_run() { OGL_2dquad_batch_end(); }

void sheet_run::quad(float x1, float y1, float x2, float y2, float s1, float t1, float s2, float t2)
{
    if (recorder)
        recorder->push_back({widget_draw_op::piece, texture_, colour_, x1, y1, x2, y2, s1, t1, s2,
                             t2, std::string(), 0});
    x1 += mnw.origin_x;
    x2 += mnw.origin_x;
    y1 += mnw.origin_y;
    y2 += mnw.origin_y;
    OGL_quad_array_add(x1, y1, x2, y2, s1 / sheet_w_, t1 / sheet_h_, s2 / sheet_w_, t2 / sheet_h_);
}

void BTN_sheet_quad(int colour, float x1, float y1, float x2, float y2, float s1, float t1, float s2,
                    float t2)
{
    if (recorder)
        recorder->push_back({widget_draw_op::piece, widget_sheet_texture, colour, x1, y1, x2, y2,
                             s1, t1, s2, t2, std::string(), 0});
    const float side = sheet_layout::widget_sheet_side;
    s1 /= side;
    s2 /= side;
    t1 /= side;
    t2 /= side;
    OGL_2dquad(widget_sheet_texture, colour, 1.0f, x1, y1, s1, t1, x1, y2, s1, t2, x2, y2, s2, t2,
               x2, y1, s2, t1, 1, 5);
}

float BTN_text(int colour, float x, float y, const std::string& text, float wrap, charset_t cs,
               int align)
{
    if (recorder)
        recorder->push_back(
            {widget_draw_op::text, 0, colour, x, y, x, y, 0, 0, 0, 0, text, align});
    return OGL_string(colour, x, y, text, wrap, cs, align);
}
