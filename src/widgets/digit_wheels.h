// The digit-wheel look that number fields and character fields share: a
// row of 10-unit cells, a small arrow above and below each, the hot cell
// lit while the field has the focus.
#pragma once

constexpr float wheel_cell = 10.0f;
// Pointer shapes over the upper and the lower arrows.
constexpr int wheel_cursor_up = 20;
constexpr int wheel_cursor_down = 21;

// The cell row itself: a click there picks the hot cell.
bool wheel_on_row(float x, float y, int cells, float mouse_x, float mouse_y);
// The band of the arrows, the row included: y - 18 to y + 24.
bool wheel_in_arrow_band(float x, float y, int cells, float mouse_x, float mouse_y);
// Above the row's middle is the upper arrow.
inline bool wheel_upper_arrow(float y, float mouse_y) { return mouse_y > y + 3.0f; }
// `index` moved by `step`, wrapping inside 0 .. count - 1 (count > 0).
int wheel_wrap(int index, int step, int count);

void wheel_draw_arrows(float x, float y, int cells);
void wheel_draw_hot_cell(float x, float y, int hot);
