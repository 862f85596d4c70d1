// Single sheet elements, the title-bar boxes, tabs and the compass dial.
#include <cmath>

#include "gfx/draw/draw_2d.h"
#include "shell/mnw_state.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"

using namespace sheet_layout;

void BTN_util_element(float x, float y, float sheet_x, float sheet_y, float half_w, float half_h,
                      int colour)
{
    BTN_sheet_quad(colour, x - half_w, y - half_h, x + half_w, y + half_h, sheet_x - half_w,
                   sheet_y - half_h, sheet_x + half_w, sheet_y + half_h);
}

int BTN_zap_boxes(int look)
{
    const rect& box = look == 0 ? title_box : title_box_alt;
    const float H = mnw.window_height, W = mnw.window_width;
    BTN_sheet_quad(0, 7, H - 19, 25, H - 1, box);
    if (mnw.click && BTN_mouse_in(7, 25, H - 19, H - 1)) return 1;
    BTN_sheet_quad(0, W - 25, H - 19, W - 7, H - 1, box);
    return mnw.click && BTN_mouse_in(W - 25, W - 7, H - 19, H - 1) ? 1 : 0;
}

int BTN_tab(int column, int row, int* current, int value, std::string label)
{
    const float cx = 88.0f * column + 53, cy = mnw.window_height - 38 - 32.0f * row;
    int result = 0;
    if (mnw.click && BTN_mouse_in(cx - 50, cx + 40, cy - 13, cy + 13)) {
        *current = value;
        result = 1;
    }
    const bool selected = *current == value;
    BTN_sheet_quad(0, cx - 49, cy - 13, cx + 49, cy + 13, selected ? tab_selected : tab_unselected);
    BTN_text(selected ? 44 : 45, cx - 40, cy - 4, label, 9999, charset_regular, 0);
    return result;
}

void plot_dir(float x, float y, float* heading, int style)
{
    const rect& needle = style == 0 ? compass_needle : compass_needle_alt;
    const float side = widget_sheet_side;
    // The needle turns clockwise about the centre: rotate its corners.
    const float a = *heading * float(M_PI) / 180.0f, c = std::cos(a), s = std::sin(a);
    auto px = [&](float dx, float dy) { return x + dx * c + dy * s; };
    auto py = [&](float dx, float dy) { return y - dx * s + dy * c; };
    const float s1 = needle.x0 / side, s2 = needle.x1 / side, t1 = needle.y0 / side,
                t2 = needle.y1 / side;
    OGL_2dquad(widget_sheet_texture, 0, 1.0f, px(-5, -21), py(-5, -21), s1, t1, px(-5, 21),
               py(-5, 21), s1, t2, px(5, 21), py(5, 21), s2, t2, px(5, -21), py(5, -21), s2, t1, 1,
               5);
    BTN_sheet_quad(0, x - 28, y - 29, x + 28, y + 29, compass_dial);
    OGL_number(48, x - 14, y - 2, *heading, 3, 0, charset_bold);
    if (mnw.button_held && std::fabs(mnw.mouse_x - x) <= 30 && std::fabs(mnw.mouse_y - y) <= 30) {
        float h = std::atan2(mnw.mouse_x - x, mnw.mouse_y - y) * 180.0f / float(M_PI);
        while (h < 0) h += 360;
        while (h >= 360) h -= 360;
        *heading = h;
    }
}
