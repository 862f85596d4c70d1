// MD5 as published in RFC 1321: the digest behind every file signature in a
// manifest.
#pragma once

#include <cstdint>

struct MD5_CTX {
    uint32_t i[2];            // bits hashed so far, low word first
    uint32_t buf[4];          // the running state A, B, C, D
    unsigned char in[64];     // input not yet hashed
    unsigned char digest[16]; // written by MD5Final
};

void MD5Init(MD5_CTX* context);
// One call hashes at most 65535 bytes; MD5UpdateWide takes any 32-bit length.
void MD5Update(MD5_CTX* context, const unsigned char* input, unsigned short length);
void MD5UpdateWide(MD5_CTX* context, const unsigned char* input, unsigned length);
// Pads, hashes the bit count and leaves the digest in context->digest.
void MD5Final(MD5_CTX* context);
