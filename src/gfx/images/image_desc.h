// An image in memory: a byte buffer and the descriptor that says how to read
// it.  Readers fill descriptors, the texture pipeline sizes, flips and
// cleans images through these operations, and the writers read them.
//
// Uncompressed rows follow each other at the row stride (bytes per pixel x
// dx + pad).  Buffers decoded from PNG and BMP hold the bottom row first,
// as OpenGL wants them; DDS data arrives top row first.  A mipmap chain
// packs level 0 and every smaller level down to 1 x 1 back to back.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>

struct TEX_image_desc {
    unsigned int format = 0;  // an OpenGL pixel format enum
    int dx = 0;               // width in pixels
    int dy = 0;               // height in pixels (rows)
    int pad = 0;              // bytes after the pixels of each row
    int has_mipmaps = 0;      // non-zero: the buffer holds the whole chain
};

// 1, 3 or 4 for the uncompressed formats, 4 for depth, 0 for DXT and for
// formats this code does not know.
int TEX_bytes_per_pixel(unsigned int format);
// 8 for the DXT1 formats, 16 for DXT3 and DXT5, 0 otherwise.
int TEX_bytes_per_block(unsigned int format);

// Byte size of one level.  0 for an unknown format, for a side of 0 or
// less, or for a row stride that padding makes negative.
size_t TEX_level_bytes(unsigned int format, int dx, int dy, int pad);
// Byte size of the whole buffer: one level, or the chain down to 1 x 1.
size_t TEX_bytes_needed_for_image(const TEX_image_desc& desc);
// Steps to the next smaller mipmap level (each side of 2 or more halves);
// false, with the sides unchanged, once the level is 1 x 1 or has a side
// of 0 or less, so that no chain walk can loop forever.
bool TEX_next_mip_level(int& dx, int& dy);

// Turns every level of the buffer upside down in place.  Returns non-zero
// when DXT1 data turned out to use its transparent colour.
int TEX_flip_y(const TEX_image_desc& desc, unsigned char* data);
