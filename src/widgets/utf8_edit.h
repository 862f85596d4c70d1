// The UTF-8 the text fields need beyond stepping: encoding a typed code
// point and cutting a text to a byte limit.
#pragma once

#include <string>

// The UTF-8 bytes of `code_point` into out (room for 4); their count, or 0
// for a value that has no encoding (above 0x10FFFF, or a UTF-16 surrogate).
int utf8_encode(unsigned int code_point, char* out);

// The longest prefix of `text` of at most `max_bytes` bytes that ends on a
// character boundary.
size_t utf8_cut_length(const std::string& text, size_t max_bytes);

inline bool utf8_is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
