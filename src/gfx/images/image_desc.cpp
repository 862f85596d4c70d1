#include "gfx/images/image_desc.h"

#include <algorithm>

#include "core/shell_hooks.h"
#include "gfx/images/dxt_blocks.h"

int TEX_bytes_per_pixel(unsigned int format)
{
    switch (format) {
    case GL_ALPHA: return 1;
    case GL_RGB:
    case GL_BGR: return 3;
    case GL_RGBA:
    case GL_BGRA:
    case GL_DEPTH_COMPONENT: return 4;
    default: return 0;
    }
}

int TEX_bytes_per_block(unsigned int format)
{
    switch (format) {
    case GL_COMPRESSED_RGB_S3TC_DXT1_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT1_EXT: return 8;
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT:
    case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT: return 16;
    default: return 0;
    }
}

size_t TEX_level_bytes(unsigned int format, int dx, int dy, int pad)
{
    if (dx <= 0 || dy <= 0) return 0;
    if (const int block = TEX_bytes_per_block(format))
        return size_t((dx + 3) / 4) * size_t((dy + 3) / 4) * size_t(block);
    const int pixel = TEX_bytes_per_pixel(format);
    if (format == GL_DEPTH_COMPONENT) pad = 0;  // depth rows are never padded
    const long long stride = (long long)pixel * dx + pad;
    if (pixel == 0 || stride < 0) return 0;
    return size_t(stride) * size_t(dy);
}

bool TEX_next_mip_level(int& dx, int& dy)
{
    if (dx <= 0 || dy <= 0 || (dx == 1 && dy == 1)) return false;
    if (dx >= 2) dx /= 2;
    if (dy >= 2) dy /= 2;
    return true;
}

size_t TEX_bytes_needed_for_image(const TEX_image_desc& desc)
{
    int dx = desc.dx, dy = desc.dy;
    size_t total = 0;
    do {
        total += TEX_level_bytes(desc.format, dx, dy, desc.pad);
    } while (desc.has_mipmaps && TEX_next_mip_level(dx, dy));
    return total;
}

namespace {

void swap_rows(unsigned char* a, unsigned char* b, size_t length) { std::swap_ranges(a, a + length, b); }

// One DXT level.  A level under four pixels high is a single block row of
// which only the top rows are the image; an odd count of block rows has a
// middle row that stays in place but is turned round within its blocks.
int flip_dxt_level(unsigned int format, unsigned char* data, int dx, int dy, int alpha_found)
{
    const int block = TEX_bytes_per_block(format);
    const int across = (dx + 3) / 4, down = (dy + 3) / 4;
    const size_t row_bytes = size_t(across) * block;
    if (dy < 4) return dxt_flip_partial_blocks(format, data, across, dy, alpha_found);
    for (int j = 0; j < down / 2; ++j) {
        unsigned char* top = data + row_bytes * j;
        unsigned char* bottom = data + row_bytes * (down - 1 - j);
        alpha_found = dxt_flip_partial_blocks(format, top, across, 4, alpha_found);
        alpha_found = dxt_flip_partial_blocks(format, bottom, across, 4, alpha_found);
        swap_rows(top, bottom, row_bytes);
    }
    if (down % 2)
        alpha_found = dxt_flip_partial_blocks(format, data + row_bytes * (down / 2), across, 4,
                                              alpha_found);
    return alpha_found;
}

}  // namespace

int TEX_flip_y(const TEX_image_desc& desc, unsigned char* data)
{
    const unsigned int format = desc.format;
    const bool compressed = TEX_bytes_per_block(format) != 0;
    const bool flat = format == GL_ALPHA || format == GL_RGB || format == GL_RGBA ||
                      format == GL_BGR || format == GL_BGRA;
    if (!compressed && !flat) {
        __MACIBM_alert(0, "Illegal format!", "", "", "", 2, __FILE__, __LINE__);
        return 0;
    }
    int alpha_found = 0;
    int dx = desc.dx, dy = desc.dy;
    if (dx <= 0 || dy <= 0) return 0;
    do {
        const size_t level = TEX_level_bytes(format, dx, dy, desc.pad);
        if (compressed) {
            alpha_found = flip_dxt_level(format, data, dx, dy, alpha_found);
        } else {
            const size_t row = level / size_t(dy);
            for (int i = 0; i < dy / 2; ++i)
                swap_rows(data + row * i, data + row * (dy - 1 - i), row);
        }
        data += level;
    } while (desc.has_mipmaps && TEX_next_mip_level(dx, dy));
    // Only DXT1 can carry the transparent colour; the other formats never
    // change this.
    if (format != GL_COMPRESSED_RGB_S3TC_DXT1_EXT && format != GL_COMPRESSED_RGBA_S3TC_DXT1_EXT)
        return 0;
    return alpha_found;
}
