#include "widgets/digit_wheels.h"

#include "gfx/draw_2d.h"

namespace {

// The widget sheet and the two arrow cells in it, in sheet pixels.
constexpr int widget_sheet = 410;
constexpr float sheet_size = 512.0f;
constexpr float arrow_s1 = 83.0f, arrow_s2 = 97.0f;
constexpr float lower_t1 = 178.0f, lower_t2 = 196.0f;
constexpr float upper_t1 = 197.0f, upper_t2 = 215.0f;

void arrow(float x1, float y1, float x2, float y2, float t1, float t2)
{
    const float s1 = arrow_s1 / sheet_size, s2 = arrow_s2 / sheet_size;
    t1 /= sheet_size;
    t2 /= sheet_size;
    OGL_2dquad(widget_sheet, 0, 1.0f, x1, y1, s1, t1, x1, y2, s1, t2, x2, y2, s2, t2, x2, y1, s2, t1, 1, 5);
}

}  // namespace

bool wheel_on_row(float x, float y, int cells, float mx, float my)
{
    return mx >= x && mx <= x + wheel_cell * static_cast<float>(cells) && my >= y - 2.0f && my <= y + 8.0f;
}

bool wheel_in_arrow_band(float x, float y, int cells, float mx, float my)
{
    return mx >= x && mx <= x + wheel_cell * static_cast<float>(cells) && my >= y - 18.0f &&
           my <= y + 24.0f;
}

int wheel_wrap(int index, int step, int count)
{
    const int moved = (index + step) % count;
    return moved < 0 ? moved + count : moved;
}

void wheel_draw_arrows(float x, float y, int cells)
{
    for (int k = 0; k < cells; ++k) {
        const float left = x + wheel_cell * static_cast<float>(k) - 1.0f;
        arrow(left, y - 19.0f, left + 14.0f, y - 1.0f, lower_t1, lower_t2);
        arrow(left, y + 9.0f, left + 14.0f, y + 27.0f, upper_t1, upper_t2);
    }
}

void wheel_draw_hot_cell(float x, float y, int hot)
{
    OGL_fillrect(8, 1.0f, x + 2.0f + wheel_cell * static_cast<float>(hot), y - 2.0f, 9.0f, 11.0f);
}
