#include "gfx/images/dxt_blocks.h"

#include <algorithm>
#include <cstring>

#include "gfx/draw/colour_table.h"
#include "gfx/images/image_desc.h"

namespace {

bool gamma_on() { return colr.gamma_differs == 1; }

// Blocks live in mapped files and byte buffers at any even offset; going
// through copies keeps every access aligned.
DXTColBlock load_colour(const unsigned char* at)
{
    DXTColBlock block;
    std::memcpy(&block, at, sizeof block);
    return block;
}

void store_colour(unsigned char* at, const DXTColBlock& block) { std::memcpy(at, &block, sizeof block); }

bool uses_transparent_index(const DXTColBlock& block)
{
    if (block.col0 > block.col1) return false;  // four-colour mode has no transparency
    for (uint8_t row : block.row)
        for (int shift = 0; shift < 8; shift += 2)
            if (((row >> shift) & 3) == 3) return true;
    return false;
}

void flip_colour_block(unsigned char* at, int rows, bool correct_gamma)
{
    DXTColBlock block = load_colour(at);
    std::reverse(block.row, block.row + rows);
    if (correct_gamma) nv_gamma_correct(&block);
    store_colour(at, block);
}

// DXT3: four 16-bit rows of 4-bit alphas.
void flip_explicit_alpha(unsigned char* at, int rows)
{
    for (int i = 0, j = rows - 1; i < j; ++i, --j) {
        std::swap(at[2 * i], at[2 * j]);
        std::swap(at[2 * i + 1], at[2 * j + 1]);
    }
}

void flip_interpolated_alpha(DXT5AlphaBlock* block, int rows)
{
    uint64_t bits = 0;
    for (int i = 0; i < 6; ++i) bits |= uint64_t(block->bits[i]) << (8 * i);
    uint64_t row[4];
    for (int i = 0; i < 4; ++i) row[i] = (bits >> (12 * i)) & 0xFFF;
    std::reverse(row, row + rows);
    bits = 0;
    for (int i = 0; i < 4; ++i) bits |= row[i] << (12 * i);
    for (int i = 0; i < 6; ++i) block->bits[i] = uint8_t(bits >> (8 * i));
}

uint16_t gamma_565(uint16_t colour)
{
    const unsigned char* g = colr.gamma_table;
    const int r5 = colour >> 11, g6 = (colour >> 5) & 63, b5 = colour & 31;
    const int r = g[r5 * 8 + r5 / 4] & 0xF8;
    const int gr = g[g6 * 4 + g6 / 16] & 0xFC;
    const int b = g[b5 * 8 + b5 / 4] / 8;
    return uint16_t((r << 8) | (gr << 3) | b);
}

}  // namespace

int dxt_flip_partial_blocks(unsigned int format, unsigned char* first, int count, int rows,
                            int alpha_found)
{
    const bool correct_gamma = gamma_on();
    const int size = TEX_bytes_per_block(format);
    for (int n = 0; n < count; ++n) {
        unsigned char* at = first + size_t(n) * size;
        switch (format) {
        case GL_COMPRESSED_RGB_S3TC_DXT1_EXT:
        case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT:
            // The transparent index is judged before gamma can swap endpoints.
            if (!alpha_found && uses_transparent_index(load_colour(at))) alpha_found = 1;
            flip_colour_block(at, rows, correct_gamma);
            break;
        case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT:
            flip_explicit_alpha(at, rows);
            flip_colour_block(at + 8, rows, correct_gamma);
            break;
        case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT: {
            DXT5AlphaBlock alpha;
            std::memcpy(&alpha, at, sizeof alpha);
            flip_interpolated_alpha(&alpha, rows);
            std::memcpy(at, &alpha, sizeof alpha);
            flip_colour_block(at + 8, rows, correct_gamma);
            break;
        }
        default:
            return alpha_found;
        }
    }
    return alpha_found;
}

int nv_flip_blocks_dxtc1(DXTColBlock* first, int count, int alpha_found)
{
    return dxt_flip_partial_blocks(GL_COMPRESSED_RGB_S3TC_DXT1_EXT,
                                   reinterpret_cast<unsigned char*>(first), count, 4, alpha_found);
}

int nv_flip_blocks_dxtc3(DXTColBlock* first, int count, int)
{
    dxt_flip_partial_blocks(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,
                            reinterpret_cast<unsigned char*>(first), count, 4, 0);
    return 0;
}

int nv_flip_blocks_dxtc5(DXTColBlock* first, int count, int)
{
    dxt_flip_partial_blocks(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT,
                            reinterpret_cast<unsigned char*>(first), count, 4, 0);
    return 0;
}

void nv_flip_dxt5_alpha(DXT5AlphaBlock* block) { flip_interpolated_alpha(block, 4); }

void nv_gamma_correct(DXTColBlock* block)
{
    const bool three_colour = block->col0 <= block->col1;
    const uint16_t k0 = gamma_565(block->col0);
    const uint16_t k1 = gamma_565(block->col1);
    if ((k0 <= k1) == three_colour) {
        block->col0 = k0;
        block->col1 = k1;
        return;
    }
    // Correction would flip the mode (and so the meaning of every index):
    // swap the endpoints back into the old order instead.
    if (k0 != k1) {
        block->col0 = k1;
        block->col1 = k0;
    } else {
        // Both endpoints of a four-colour block met: pull them one step
        // apart so the block stays in four-colour mode.
        unsigned short up = k1, down = k1;
        if (IncColor565(up)) {
            block->col0 = up;
            block->col1 = k0;
        } else {
            DecColor565(down);
            block->col0 = k0;
            block->col1 = down;
        }
    }
    for (uint8_t& row : block->row) {
        uint8_t remapped = 0;
        for (int shift = 0; shift < 8; shift += 2) {
            int index = (row >> shift) & 3;
            if (!three_colour)
                index ^= 1;
            else if (index < 2)
                index ^= 1;
            remapped |= uint8_t(index << shift);
        }
        row = remapped;
    }
}

bool IncColor565(unsigned short& colour)
{
    const int red = colour >> 11, green = (colour >> 5) & 63, blue = colour & 31;
    if (green < 63)
        colour = static_cast<unsigned short>(colour + (1 << 5));
    else if (blue < 31)
        colour = static_cast<unsigned short>(colour + 1);
    else if (red < 31)
        colour = static_cast<unsigned short>(colour + (1 << 11));
    else
        return false;
    return true;
}

bool DecColor565(unsigned short& colour)
{
    const int red = colour >> 11, green = (colour >> 5) & 63, blue = colour & 31;
    if (green > 0)
        colour = static_cast<unsigned short>(colour - (1 << 5));
    else if (blue > 0)
        colour = static_cast<unsigned short>(colour - 1);
    else if (red > 0)
        colour = static_cast<unsigned short>(colour - (1 << 11));
    else
        return false;
    return true;
}
