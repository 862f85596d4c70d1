// Packs a picture made from the input and decodes rectangles of it at any
// offset and width: every decoder must stay inside its output and agree
// with the picture, however tokens fall against the rectangle's edges.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx/images/image_rle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 12) return 0;
    const int dx = 1 + data[0] % 64, dy = 1 + data[1] % 32, tile = 1 + data[2] % 32;
    const int pad = data[3] % 8;
    const int tiles = std::max(1, (dx + tile - 1) / tile + int(data[4] % 4) - 1);
    const int region_width = tiles * tile, region_rows = dy + data[5] % 4;
    const int x0 = data[6] % region_width, width = 1 + data[7] % (region_width - x0);
    const int y0 = data[8] % (region_rows + 1), rows = 1 + data[9] % 8;
    const int opacity = data[10] | ((data[11] & 1) << 8);
    const uint8_t* rest = data + 12;
    const size_t rest_size = size - 12;

    // Pixels come from the input, repeated so that runs happen.
    const size_t stride = size_t(4) * dx + pad;
    std::vector<unsigned char> picture(stride * dy, 0xEE);
    std::vector<uint32_t> region(size_t(region_width) * (region_rows + rows + 1), 0);
    for (int y = 0; y < dy; ++y)
        for (int x = 0; x < dx; ++x) {
            const size_t i = size_t(y) * dx + x;
            const uint8_t pick = rest_size ? rest[(i / 3) % rest_size] : 0;
            const uint32_t word = (pick & 0xC0) == 0 ? 0 : uint32_t(pick) * 0x01030507u;
            std::memcpy(&picture[stride * y + 4 * size_t(x)], &word, 4);
            if (x < region_width) region[size_t(y) * region_width + x] = word;
        }

    TEX_image_desc desc;
    desc.format = GL_RGBA;
    desc.dx = dx;
    desc.dy = dy;
    desc.pad = pad;
    unsigned char* stream = nullptr;
    TEX_pack_image_rle(desc, picture.data(), region_width, region_rows, tile, stream);
    if (!stream) return 0;

    const int skip = y0 * region_width + x0, gap = region_width - width;
    std::vector<uint32_t> out(size_t(width) * rows);
    TEX_unpack_image_rle(stream, skip, gap, width, rows, reinterpret_cast<unsigned char*>(out.data()));
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x)
            if (out[size_t(y) * width + x] != region[size_t(y0 + y) * region_width + x0 + x])
                __builtin_trap();

    TEX_unpack_composite_rle(stream, skip, gap, width, rows,
                             reinterpret_cast<unsigned char*>(out.data()), opacity);
    int m[4][4] = {{256, 0, 0, 0}, {0, 256, 0, 0}, {0, 0, 256, 0}, {0, 0, 0, 256}};
    int bias[4] = {int(data[10]) - 128, 0, 64, -64};
    TEX_unpack_multi_mix_rle(stream, stream, skip, gap, width, rows,
                             reinterpret_cast<unsigned char*>(out.data()), m[0], m[1], m[2], m[3],
                             bias);
    std::free(stream);
    return 0;
}
