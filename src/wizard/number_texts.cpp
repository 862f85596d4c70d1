#include "wizard/number_texts.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/text/translation.h"

namespace {

// A count that a float may not hold as an int (infinity from a rate over
// no time, NaN from nothing over nothing) reads as the largest count, or
// nothing, rather than the undefined result of the conversion.
int whole_count(float value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483520.0f) return std::numeric_limits<int>::max();
    if (value <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(value);
}

std::string counted(int n, const char* singular, const char* plural)
{
    return UTL_string_sub(UTL_translate_plural(n, singular, plural), std::to_string(n));
}

}  // namespace

std::string int_str(int value) { return std::to_string(value); }

std::string flt_str(const char* format, float value)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, format, static_cast<double>(value));
    return buffer;
}

std::string size_string(float kilobytes)
{
    // The GB threshold sits at 1,024,000 KB, so a size just short of a real
    // gigabyte already reads "1.0 GB" rather than "1000 MB".
    if (kilobytes > 1024000.0f) return flt_str("%.1f GB", kilobytes / 1048576.0f);
    if (kilobytes > 1024.0f) return flt_str("%.0f MB", kilobytes / 1024.0f);
    return flt_str("%.0f KB", kilobytes);
}

std::string rate_str(float kilobytes_per_second)
{
    return counted(whole_count(kilobytes_per_second), "%1:rate% kilobyte/second",
                   "%1:rate% kilobytes/second");
}

std::string time_str(float seconds)
{
    if (!(seconds >= 120.0f))  // NaN too
        return counted(whole_count(seconds), "%1:seconds% second", "%1:seconds% seconds");
    if (seconds < 7200.0f)
        return counted(whole_count(seconds * 0.016666668f), "%1:minutes% minute",
                       "%1:minutes% minutes");
    return counted(whole_count(seconds * 0.00027777778f), "%1:hours% hour", "%1:hours% hours");
}

void int_to_str(int value, std::string* out, int digits, int sign, int zeros)
{
    std::string text;
    if (value < 0)
        text = "-";
    else if (sign)
        text = "+";
    // The magnitude in unsigned arithmetic, so INT_MIN has one too.
    unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    if (digits > 10) digits = 10;
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*u", digits < 1 ? 1 : digits, magnitude);
    text += buffer;
    if (!zeros && text.size() > 1)
        for (std::size_t i = 0; i + 1 < text.size() && text[i] == '0'; ++i) text[i] = ' ';
    *out = text;
}

void flt_to_str(float value, std::string* out, int width, int decimals)
{
    static std::string lft_str;
    static std::string rgt_str;
    if (decimals < 0) return;
    int scale = 1;
    for (int i = 0; i < decimals && i < 9; ++i) scale *= 10;
    const float product = value * static_cast<float>(scale);
    const long long total = std::isfinite(product) ? std::llround(static_cast<double>(product)) : 0;
    const long long whole = total / scale;
    const long long fraction = std::llabs(total - whole * scale);
    int_to_str(static_cast<int>(std::llabs(whole)), &lft_str, width - decimals, 0, 0);
    int_to_str(static_cast<int>(fraction), &rgt_str, decimals, 0, 1);
    std::string text = value < 0 ? "-" : "";
    text += lft_str;
    if (decimals > 0) text += "." + rgt_str;
    *out = text;
}
