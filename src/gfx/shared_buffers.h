// Shared graphics globals: the pixel buffer that image loading, the
// background and screenshots share, and the whole-degree sine tables.
#pragma once

// 2048 x 2048 RGBA: the largest picture the buffer holds.
constexpr int scratch_array_bytes = 16777216;

// The store is 15 bytes larger so the buffer can start on 16 bytes.
extern unsigned char scratch_array_storage[scratch_array_bytes + 15];
extern unsigned char* scratch_array;
// Size of the in-memory image that a texture path "scratch_array..." names.
extern int scratch_dx, scratch_dy;

// Sine and cosine of 0 to 360 whole degrees; filled before main.
extern float lookup_sin[361];
extern float lookup_cos[361];
