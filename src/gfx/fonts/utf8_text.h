// Walking UTF-8 text one character at a time, forward and back, within
// the bytes given.  Text comes from translations, file names and the user's
// typing, so nothing here trusts it: a sequence cut short by the end stops
// there, and no step reads before the start or past the end.
#pragma once

// The code point of the character whose lead byte is at `p` (p < end).
// A lead byte of 0x80 or above that starts no sequence (a stray
// continuation byte, 0xF8 and up) decodes as 0.  Trailing bytes are taken
// for their low six bits whatever their pattern.
unsigned int utf8_decode(const unsigned char* p, const unsigned char* end);

// Where the character after the one at `p` (p < end) begins: past the lead
// byte and every continuation byte (10xxxxxx) that follows it.
const unsigned char* utf8_next(const unsigned char* p, const unsigned char* end);

// Where the character before `p` (begin < p) begins: the nearest byte before
// `p` that is not a continuation byte, or `begin`.
const unsigned char* utf8_prev(const unsigned char* begin, const unsigned char* p);
