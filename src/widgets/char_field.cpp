// The character-array field.
#include "widgets/char_field.h"

#include <algorithm>

#include "gfx/fonts/text_drawing.h"
#include "shell/mnw_state.h"
#include "widgets/digit_wheels.h"
#include "widgets/field_needs.h"
#include "widgets/key_queue.h"
#include "widgets/widget_context.h"

namespace {

// The navigation keys, letters, digits, signs and printable characters.
constexpr int char_field_keys = 0x1F0;
constexpr int text_colour = 48;

int& hot_digit = BTN_context.char_hot_digit;
BTN_key_queue& queue = BTN_context.char_keys;

}  // namespace

void BTN_chars(float x, float y, char* chars, int count, std::string label)
{
    if (count <= 0) return;
    const float mx = mnw.mouse_x, my = mnw.mouse_y;
    const int grab = BTN_no_menu_open() && mnw.click && wheel_on_row(x, y, count, mx, my);
    if (grab) hot_digit = static_cast<int>((mx - x) * 0.1f);

    const int id = BTN_widget_id(x, y);
    const int focused = BTN_register_queue(queue, id, char_field_keys, grab);
    if (focused) hot_digit = std::clamp(hot_digit, 0, count - 1);
    // Keys reach only the focused field, whose hot cell is in range.
    BTN_take_keys(queue, id, [&](int character, int vkey, int) {
        if (focused) chars_field_key(chars, count, &hot_digit, character, vkey);
    });

    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    const float row = wheel_cell * static_cast<float>(count);
    BTN_frame1(9, x + 1.0f + row / 2.0f, y + 3.0f, row + 11.0f, 0);
    wheel_draw_arrows(x, y, count);
    BTN_util_draw_label(x - 6.0f, y, 0, left, 0);
    if (focused) wheel_draw_hot_cell(x, y, hot_digit);

    for (int k = 0; k < count; ++k) {
        const float cell = x + wheel_cell * static_cast<float>(k);
        BTN_text(text_colour, cell + 2.0f, y, std::string(1, chars[k]), 9999.0f, charset_regular, 0);
        if (wheel_on_row(cell, y, 1, mx, my)) stls.hover_help = help;
        // The arrows answer a click that did not pick the hot cell, even
        // while a menu is open.
        if (!grab && mnw.click && wheel_in_arrow_band(cell, y, 1, mx, my)) {
            const bool upper = wheel_upper_arrow(y, my);
            mnw.cursor_request = upper ? wheel_cursor_up : wheel_cursor_down;
            chars[k] = chars_step(chars[k], upper ? -1 : 1);
        }
    }
}
