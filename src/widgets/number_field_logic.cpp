// The number field's arithmetic: place values, keys, arrow clicks, clamp
// and rounding.  Values are floats in the callers' variables; every step
// is worked in double, where ten digits times the decimals' scale never
// overflow.
#include <climits>
#include <cmath>

#include "widgets/digit_wheels.h"
#include "widgets/key_queue.h"
#include "widgets/number_field.h"

double number_place_value(int digits, int decimals, int k)
{
    return std::pow(10.0, digits - decimals - 1 - k);
}

int number_field_key(float* value, int* hot_digit, int digits, int decimals, float min, float max,
                     int character, int vkey)
{
    if (digits <= 0) return 0;
    const float before = *value;
    double v = *value;
    switch (vkey) {
    case BTN_vk_left: *hot_digit = wheel_wrap(*hot_digit, -1, digits); return 0;
    case BTN_vk_right: *hot_digit = wheel_wrap(*hot_digit, 1, digits); return 0;
    case BTN_vk_up: v += number_place_value(digits, decimals, *hot_digit); break;
    case BTN_vk_down: v -= number_place_value(digits, decimals, *hot_digit); break;
    default:
        if (character >= '0' && character <= '9') {
            const double place = number_place_value(digits, decimals, *hot_digit);
            const double magnitude = std::fabs(v);
            const double shown = std::fmod(std::floor(magnitude / place), 10.0);
            const double written = magnitude + (character - '0' - shown) * place;
            v = v < 0 ? -written : written;
            *hot_digit = wheel_wrap(*hot_digit, 1, digits);
        } else if (character == '+' && min < 0) {
            v = std::fabs(v);
        } else if (character == '-' && max >= 0) {
            v = -std::fabs(v);
        }
    }
    *value = static_cast<float>(v);
    return *value != before;
}

int number_field_arrow_click(float* value, float x, float y, int digits, int decimals,
                             float mouse_x, float mouse_y)
{
    const float before = *value;
    double v = *value;
    const double sign = wheel_upper_arrow(y, mouse_y) ? 1.0 : -1.0;
    // Both ends of a cell count, so a click on a boundary steps both
    // neighbours.
    const int served = digits < 10 ? digits : 10;
    for (int k = 0; k < served; ++k) {
        const float left = x + wheel_cell * static_cast<float>(k);
        if (mouse_x >= left && mouse_x <= left + wheel_cell)
            v += sign * number_place_value(digits, decimals, k);
    }
    *value = static_cast<float>(v);
    return *value != before;
}

float number_clamp_and_round(float value, int decimals, float min, float max)
{
    double v = value;
    if (v < min) v = min;
    if (v > max) v = max;
    const double scale = std::pow(10.0, decimals);
    const double scaled = v * scale;
    const double whole = scaled < 0 ? -std::floor(-scaled + 0.5) : std::floor(scaled + 0.5);
    return static_cast<float>(whole / scale);
}

float number_field_max(int digits, int decimals)
{
    if (digits <= 0) return 0.0f;
    return static_cast<float>((std::pow(10.0, digits) - 1.0) / std::pow(10.0, decimals));
}

int number_to_int(float value)
{
    const double v = value;
    if (std::isnan(v)) return 0;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    return static_cast<int>(v);
}
