// The 4 x 4 blocks of DXT-compressed data, turned upside down in place, and
// the gamma correction of their colour endpoints.
#pragma once

#include <cstdint>

// Two 5-6-5 endpoints (little-endian) and one index byte per pixel row, top
// row first, leftmost pixel in the lowest two bits.  colour0 > colour1
// selects four-colour mode; otherwise index 3 is transparent black.
struct DXTColBlock {
    uint16_t col0;
    uint16_t col1;
    uint8_t row[4];
};

// Two alpha endpoints and sixteen 3-bit indices as one 48-bit little-endian
// number, twelve bits per pixel row, top row in the lowest bits.
struct DXT5AlphaBlock {
    uint8_t alpha0;
    uint8_t alpha1;
    uint8_t bits[6];
};

// Each flipper walks `count` consecutive blocks of its format starting at
// `first` (DXT3 and DXT5 blocks are 16 bytes: alpha first, then colour) and
// reverses their four pixel rows; with the colour table's gamma on it also
// corrects the colour endpoints.  The DXT1 flipper returns non-zero when
// `alpha_found` was, or when some block uses its transparent index.
int nv_flip_blocks_dxtc1(DXTColBlock* first, int count, int alpha_found);
int nv_flip_blocks_dxtc3(DXTColBlock* first, int count, int alpha_found);
int nv_flip_blocks_dxtc5(DXTColBlock* first, int count, int alpha_found);

// The same for blocks of which only the top `rows` (1 to 4) pixel rows are
// part of the image: the levels under four pixels high.
int dxt_flip_partial_blocks(unsigned int format, unsigned char* first, int count,
                            int rows, int alpha_found);

void nv_flip_dxt5_alpha(DXT5AlphaBlock* block);
// Corrects both endpoints through the colour table's gamma table while
// keeping the block's mode, swapping endpoints and remapping indices when
// the corrected endpoints would change it.
void nv_gamma_correct(DXTColBlock* block);

// One 5-6-5 step up (green first, then blue, then red) or down; false and
// unchanged at white or black.
bool IncColor565(unsigned short& colour);
bool DecColor565(unsigned short& colour);
