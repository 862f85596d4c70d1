// BTN_flt_range and the fields built on it.
#include <algorithm>
#include <cmath>

#include "gfx/fonts/text_drawing.h"
#include "shell/mnw_state.h"
#include "widgets/digit_wheels.h"
#include "widgets/field_needs.h"
#include "widgets/key_queue.h"
#include "widgets/number_field.h"
#include "widgets/widget_context.h"

namespace {

// The navigation keys, digits and the two signs.
constexpr int number_field_keys = 0xD0;
constexpr int text_colour = 48;

int& hot_digit = BTN_context.number_hot_digit;
BTN_key_queue& queue = BTN_context.number_keys;

void draw_frame_and_labels(float x, float y, int digits, const std::string& left,
                           const std::string& right)
{
    const float row = wheel_cell * static_cast<float>(digits);
    BTN_frame1(9, x + row / 2.0f - 1.0f, y + 3.0f, row + 15.0f, 0);
    BTN_util_draw_label(x - 12.0f, y, 0, left, 0);
    BTN_util_draw_label(x + row + 12.0f, y, 2, right, 0);
}

// Columns 75 units apart with the digit row's right end on the column's,
// rows 50 apart from 25.
float grid_x(float i, int digits) { return 75.0f * i + 75.0f - wheel_cell * static_cast<float>(digits); }
float grid_y(float j) { return 50.0f * j + 25.0f; }

}  // namespace

int BTN_flt_range(float x, float y, float* value, int digits, int decimals, float min, float max,
                  std::string label)
{
    if (digits <= 0) return 0;
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);

    const bool on_row = wheel_on_row(x, y, digits, mnw.mouse_x, mnw.mouse_y);
    if (on_row) stls.hover_help = help;
    const bool menus_closed = BTN_no_menu_open();
    const int grab = menus_closed && mnw.click && on_row;
    if (grab) hot_digit = static_cast<int>((mnw.mouse_x - x - 2.0f) * 0.1f);

    const int id = BTN_widget_id(x, y);
    const int focused = BTN_register_queue(queue, id, number_field_keys, grab);
    if (focused) hot_digit = std::clamp(hot_digit, 0, digits - 1);

    int changed = 0;
    BTN_take_keys(queue, id, [&](int character, int vkey, int) {
        changed |= number_field_key(value, &hot_digit, digits, decimals, min, max, character, vkey);
    });
    if (menus_closed && !on_row && wheel_in_arrow_band(x, y, digits, mnw.mouse_x, mnw.mouse_y)) {
        mnw.cursor_request = wheel_upper_arrow(y, mnw.mouse_y) ? wheel_cursor_up : wheel_cursor_down;
        if (mnw.click)
            changed |= number_field_arrow_click(value, x, y, digits, decimals, mnw.mouse_x, mnw.mouse_y);
    }
    *value = number_clamp_and_round(*value, decimals, min, max);

    draw_frame_and_labels(x, y, digits, left, right);
    wheel_draw_arrows(x, y, digits);
    if (focused) wheel_draw_hot_cell(x, y, hot_digit);
    OGL_number(text_colour, x + 3.0f, y, *value, digits, decimals, charset_bold);
    return changed;
}

int BTN_flt_rangeij(float i, float j, float* value, int digits, int decimals, float min, float max,
                    std::string label)
{
    return BTN_flt_range(grid_x(i, digits), grid_y(j), value, digits, decimals, min, max,
                         std::move(label));
}

int BTN_int_range(float x, float y, int* value, int digits, float min, float max, std::string label)
{
    float edited = static_cast<float>(*value);
    const int changed = BTN_flt_range(x, y, &edited, digits, 0, min, max, std::move(label));
    *value = number_to_int(edited);
    return changed;
}

int BTN_int(float x, float y, int* value, int digits, int allow_negative, std::string label)
{
    const float max = number_field_max(digits, 0);
    return BTN_int_range(x, y, value, digits, allow_negative ? -max : 0.0f, max, std::move(label));
}

int BTN_dob_range(float x, float y, double* value, int digits, int decimals, float min, float max,
                  std::string label)
{
    // Written back only when edited, so an untouched double keeps the
    // precision a float round trip would take from it.
    float edited = static_cast<float>(*value);
    const int changed = BTN_flt_range(x, y, &edited, digits, decimals, min, max, std::move(label));
    if (changed) *value = edited;
    return changed;
}

int BTN_flt(float x, float y, float* value, int digits, int decimals, int allow_negative,
            std::string label)
{
    const float max = number_field_max(digits, decimals);
    return BTN_flt_range(x, y, value, digits, decimals, allow_negative ? -max : 0.0f, max,
                         std::move(label));
}

int BTN_fltij(float i, float j, float* value, int digits, int decimals, int allow_negative,
              std::string label)
{
    return BTN_flt(grid_x(i, digits), grid_y(j), value, digits, decimals, allow_negative,
                   std::move(label));
}

void BTN_display_number(float x, float y, float value, int digits, int decimals,
                        const std::string& label)
{
    if (digits <= 0) return;
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    draw_frame_and_labels(x, y, digits, left, right);
    OGL_number(text_colour, x + 4.0f, y, value, digits, decimals, charset_bold);
}

namespace {

// Whole degrees and the minutes that go with them: signed while the
// degrees are 0, so that -0.5 keeps its sign.
void split_angle(float angle, float* degrees, float* minutes)
{
    *degrees = std::trunc(angle);
    *minutes = *degrees == 0.0f ? angle * 60.0f : std::fabs(angle - *degrees) * 60.0f;
}

float join_angle(float degrees, float minutes)
{
    constexpr float per_minute = 0.016666668f;
    if (degrees == 0.0f) return minutes * per_minute;
    return degrees + (degrees > 0.0f ? 1.0f : -1.0f) * minutes * per_minute;
}

bool angle_row(float degrees_x, float minutes_x, float y, float* angle, int degree_digits,
               const char* label)
{
    float degrees, minutes;
    split_angle(*angle, &degrees, &minutes);
    const float minutes_min = degrees == 0.0f ? -60.0f : 0.0f;
    int changed = BTN_flt(degrees_x, y, &degrees, degree_digits, 0, 1, label);
    changed |= BTN_flt_range(minutes_x, y, &minutes, 5, 3, minutes_min, 60.0f, "");
    *angle = join_angle(degrees, minutes);
    return changed != 0;
}

}  // namespace

bool enter_lat_lon(float* x, float* y, float* lon, float* lat)
{
    *y -= 50.0f;
    bool changed = angle_row(*x, *x + 50.0f, *y, lon, 3, "lon:");
    *y -= 50.0f;
    changed |= angle_row(*x + 10.0f, *x + 50.0f, *y, lat, 2, "lat:");
    return changed;
}
