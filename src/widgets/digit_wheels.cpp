#include "widgets/digit_wheels.h"

#include "gfx/draw/draw_2d.h"
#include "gfx/sheet_layout.h"
#include "widgets/widget_draw.h"

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
        BTN_sheet_quad(0, left, y - 19.0f, left + 14.0f, y - 1.0f, sheet_layout::digit_down_arrow);
        BTN_sheet_quad(0, left, y + 9.0f, left + 14.0f, y + 27.0f, sheet_layout::digit_up_arrow);
    }
}

void wheel_draw_hot_cell(float x, float y, int hot)
{
    OGL_fillrect(8, 1.0f, x + 2.0f + wheel_cell * static_cast<float>(hot), y - 2.0f, 9.0f, 11.0f);
}
