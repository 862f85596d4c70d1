// Number fields: a value shown as a row of digits with an arrow above and
// below each, edited by the arrows and, once a digit is clicked, by the
// keyboard; clamped to a range and rounded to the shown decimals every
// frame.  BTN_flt_range is the widget; the others adapt it.
#pragma once

#include <string>

int BTN_flt_range(float x, float y, float* value, int digits, int decimals, float min, float max,
                  std::string label);
int BTN_flt_rangeij(float i, float j, float* value, int digits, int decimals, float min, float max,
                    std::string label);
int BTN_int_range(float x, float y, int* value, int digits, float min, float max, std::string label);
int BTN_int(float x, float y, int* value, int digits, int allow_negative, std::string label);
int BTN_dob_range(float x, float y, double* value, int digits, int decimals, float min, float max,
                  std::string label);
int BTN_flt(float x, float y, float* value, int digits, int decimals, int allow_negative,
            std::string label);
int BTN_fltij(float i, float j, float* value, int digits, int decimals, int allow_negative,
              std::string label);
void BTN_display_number(float x, float y, float value, int digits, int decimals,
                        const std::string& label);
bool enter_lat_lon(float* x, float* y, float* lon, float* lat);

// -- The arithmetic of the field, for its tests ---

// Weight of digit k (0 leftmost): 10^(digits - decimals - 1 - k).
double number_place_value(int digits, int decimals, int k);
// One queued key; hot_digit is the field's hot digit (0 .. digits - 1).
// Returns 1 when the value changed.
int number_field_key(float* value, int* hot_digit, int digits, int decimals, float min, float max,
                     int character, int vkey);
// A click in the arrow band (not on the digit row): every digit under the
// mouse steps by its weight, up above the row's middle.  1 when changed.
int number_field_arrow_click(float* value, float x, float y, int digits, int decimals,
                             float mouse_x, float mouse_y);
// Clamped to min .. max, then rounded to `decimals` places, halves away
// from zero; done in double, so ten-digit values neither overflow nor
// lose the unit.
float number_clamp_and_round(float value, int decimals, float min, float max);
// The largest value `digits` digits show with `decimals` of them after
// the point: 9, 99.9, 9999999999 ...
float number_field_max(int digits, int decimals);
// A float the field holds, as the int field stores it: whole already, but
// a range beyond int is pulled inside it.
int number_to_int(float value);
