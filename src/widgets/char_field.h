// BTN_chars: a fixed number of characters edited in place, one per
// digit-wheel cell, from an alphabet of blank, digits, capitals and '-'.
#pragma once

#include <string>

// Edits chars[0] .. chars[count - 1]; writes no terminating zero.
void BTN_chars(float x, float y, char* chars, int count, std::string label);

// -- The alphabet and the keys, for the field's tests ---

constexpr int chars_alphabet_size = 38;
// A lower-case letter counts as its capital; a character outside the
// alphabet as '0'.
int chars_alphabet_index(char c);
char chars_alphabet_symbol(int index);
// One step along the alphabet (negative: towards the blank), wrapping.
char chars_step(char c, int step);
// One queued key of a focused field of `count` (> 0) cells.
void chars_field_key(char* chars, int count, int* hot, int character, int vkey);
