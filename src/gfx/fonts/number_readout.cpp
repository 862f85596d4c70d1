// Number readouts: the text of the regular form and the cell grid of the
// bold form.
//
// Values arrive from downloads, sizes and rates, so nothing here trusts
// them: infinity and NaN read as "inf" and "nan", and every digit is taken
// in floating point, never through an int that a large value would
// overflow.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "gfx/fonts/text_drawing.h"

namespace {

struct number_parts {
    double r;       // the scaled magnitude plus one half: digits by truncation
    int n;          // integer digits of the scaled magnitude
    bool negative;  // and not rounded to zero
};

number_parts split_number(float value, int decimals)
{
    const double m = std::fabs(static_cast<double>(value)) * std::pow(10.0, decimals);
    // Inclusive upper bounds of 1 to 9 digits; more is 10.
    static const double bounds[] = {9, 99, 999, 9999, 99999, 999999, 9999999, 99999999, 999999999};
    int n = 1;
    while (n <= 9 && m > bounds[n - 1]) ++n;
    return {m + 0.5, n, value < 0 && m > 0.1};
}

int digit_at(double r, int power) { return static_cast<int>(std::fmod(std::trunc(r / std::pow(10.0, power)), 10.0)); }

const char* non_finite_text(float value)
{
    if (std::isnan(value)) return "nan";
    return value < 0 ? "-inf" : "inf";
}

int clamp_count(int count) { return std::clamp(count, -OGL_number_max_digits, OGL_number_max_digits); }

}  // namespace

int OGL_number_text(float value, int digits, int decimals, char* out)
{
    if (!std::isfinite(value)) {
        std::strcpy(out, non_finite_text(value));
        return static_cast<int>(std::strlen(out));
    }
    digits = clamp_count(digits);
    decimals = clamp_count(decimals);
    const number_parts parts = split_number(value, decimals);
    int len = 0;
    if (parts.negative) out[len++] = '-';

    if (digits < std::max(decimals + 1, parts.n)) {
        // Too few positions: d.dd times ten to a single-digit power.
        double a = std::fabs(static_cast<double>(value));
        int e = 2;
        for (; a >= 999; ++e) a *= 0.1;
        const int k = static_cast<int>(a + 0.5);
        out[len++] = static_cast<char>('0' + k / 100 % 10);
        out[len++] = '.';
        out[len++] = static_cast<char>('0' + k / 10 % 10);
        out[len++] = static_cast<char>('0' + k % 10);
        out[len++] = 'x';
        out[len++] = e >= 10 ? '0' : static_cast<char>('0' + e);
    } else {
        const int integer_positions = digits - decimals;
        for (int p = digits - 1; p >= 0; --p) {
            if (p == decimals - 1) out[len++] = '.';
            const int i = p - decimals + 1;  // integer positions left, this one included
            if ((i == 3 && integer_positions > 3) || (i == 6 && integer_positions > 6) ||
                (i == 9 && integer_positions > 9))
                out[len++] = ',';
            out[len++] = static_cast<char>('0' + digit_at(parts.r, p));
        }
    }
    out[len] = '\0';
    return len;
}

int OGL_number_cells(float value, int digits, int decimals, OGL_number_cell* cells)
{
    constexpr float w = 10.0f;
    int count = 0;
    if (!std::isfinite(value)) {
        const char* text = non_finite_text(value);
        if (*text == '-') cells[count++] = {*text++, 1.0f};
        for (int i = 1; *text; ++i) cells[count++] = {*text++, i * w};
        return count;
    }
    digits = clamp_count(digits);
    decimals = clamp_count(decimals);
    const number_parts parts = split_number(value, decimals);
    if (parts.negative) cells[count++] = {'-', 1.0f};
    // The separators sit between digit cells and take none of their own.
    const int k = digits - decimals;
    if (decimals > 0) cells[count++] = {'.', (k + 0.5f) * w};
    for (int group = 3; group <= 9; group += 3)
        if (k > group) cells[count++] = {',', (k - group + 0.5f) * w};
    const int shown = std::min(digits, 11);
    for (int j = 0; j < shown; ++j)
        cells[count++] = {static_cast<char>('0' + digit_at(parts.r, digits - 1 - j)), (j + 1) * w};
    return count;
}
