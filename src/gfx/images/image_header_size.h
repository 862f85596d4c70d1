// The size a PNG or BMP header claims, read before anything is decoded
// into a buffer of fixed size (the shared scratch_array).
#pragma once

#include <cstddef>

// False when the bytes are neither a PNG nor a BMP header, or are cut
// short.  BMP sizes are signed: a top-down picture has a negative height.
bool TEX_peek_image_size(const char* bytes, size_t size, long long& dx, long long& dy);
