// Numbers as the wizard's screens show them: sizes in KB, MB or GB,
// download rates and remaining times in the language's singular and plural
// forms, and numbers filled out to a width.
#pragma once

#include <string>

std::string int_str(int value);
// `kilobytes` as "%.0f KB", "%.0f MB" or "%.1f GB".
std::string size_string(float kilobytes);
// `format` holds one floating conversion; the text is at most 255 bytes.
std::string flt_str(const char* format, float value);
// "12 kilobytes/second", translated.
std::string rate_str(float kilobytes_per_second);
// Seconds below two minutes, minutes below two hours, hours above.
std::string time_str(float seconds);
// At least `digits` digits (at most ten); a sign always for a negative value
// and for any other when `sign` is set; leading zeros become blanks unless
// `zeros` is set or a sign leads.
void int_to_str(int value, std::string* out, int digits, int sign, int zeros);
// `width` digits in all, `decimals` of them after the point, rounded half
// away from zero; a negative `decimals` leaves `out` alone.
void flt_to_str(float value, std::string* out, int width, int decimals);
