// The character field's alphabet and its keys.
#include <cctype>

#include "widgets/char_field.h"
#include "widgets/digit_wheels.h"
#include "widgets/key_queue.h"

namespace {

// In the order the arrows step through it.
const char alphabet[chars_alphabet_size + 1] = " 0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-";

}  // namespace

int chars_alphabet_index(char c)
{
    if (c == ' ') return 0;
    if (c >= '0' && c <= '9') return 1 + (c - '0');
    if (c >= 'A' && c <= 'Z') return 11 + (c - 'A');
    if (c >= 'a' && c <= 'z') return 11 + (c - 'a');
    if (c == '-') return 37;
    return 1;
}

char chars_alphabet_symbol(int index) { return alphabet[wheel_wrap(index, 0, chars_alphabet_size)]; }

char chars_step(char c, int step)
{
    return alphabet[wheel_wrap(chars_alphabet_index(c), step, chars_alphabet_size)];
}

void chars_field_key(char* chars, int count, int* hot, int character, int vkey)
{
    switch (vkey) {
    case BTN_vk_left: *hot = wheel_wrap(*hot, -1, count); return;
    case BTN_vk_right: *hot = wheel_wrap(*hot, 1, count); return;
    case BTN_vk_up: chars[*hot] = chars_step(chars[*hot], -1); return;
    case BTN_vk_down: chars[*hot] = chars_step(chars[*hot], 1); return;
    default: break;
    }
    if (BTN_vkey_types_nothing(vkey)) return;
    const bool in_alphabet = (character >= '0' && character <= '9') ||
                             (character >= 'A' && character <= 'Z') ||
                             (character >= 'a' && character <= 'z') || character == '-' ||
                             character == ' ';
    if (!in_alphabet) return;
    chars[*hot] = static_cast<char>(std::toupper(character));
    *hot = wheel_wrap(*hot, 1, count);
}
