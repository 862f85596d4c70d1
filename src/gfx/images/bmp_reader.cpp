// 24-bit uncompressed bitmaps, parsed by hand.

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/shell_hooks.h"
#include "core/files/xmap.h"
#include "gfx/draw/colour_table.h"
#include "gfx/images/image_files.h"
#include "gfx/images/image_layout.h"

namespace {

// The header fields, each read as 0 when the file ends before it does.
struct bmp_header {
    uint32_t pixel_offset;
    int32_t width, height;
    uint16_t bits_per_pixel;
    uint32_t compression;
};

uint32_t field(const xmap_class& map, size_t offset, size_t bytes)
{
    if (offset + bytes > map.size()) return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
        value |= uint32_t(static_cast<unsigned char>(map.begin[offset + i])) << (8 * i);
    return value;
}

bmp_header read_header(const xmap_class& map)
{
    bmp_header h;
    h.pixel_offset = field(map, 10, 4);
    h.width = static_cast<int32_t>(field(map, 18, 4));
    h.height = static_cast<int32_t>(field(map, 22, 4));
    h.bits_per_pixel = static_cast<uint16_t>(field(map, 28, 2));
    h.compression = field(map, 30, 4);
    return h;
}

}  // namespace

int TEX_load_bmp(const std::string& path, xmap_class* map, unsigned char*& data,
                 unsigned int format, int row_width, int power_of_two, TEX_image_desc& desc)
{
    if (!map || !map->begin) return 0;
    const int bytes_per_pixel = picture_bytes_per_pixel(format);
    if (!bytes_per_pixel) {
        __MACIBM_alert(0, "Illegal desired format for bmp.", path, "", "", 2, __FILE__, __LINE__);
        return 0;
    }
    map->swap = 0;
    const bmp_header h = read_header(*map);
    if (h.bits_per_pixel != 24) {
        __MACIBM_alert(0, "Wrong bitmap color depth for texture!", "We need 24-bit color.", "",
                       path, 2, __FILE__, __LINE__);
        return 0;
    }
    if (h.compression != 0) {
        __MACIBM_alert(0, "Bitmap is compressed!", "", "", path, 2, __FILE__, __LINE__);
        return 0;
    }
    // Top-down bitmaps (negative height) are not supported, and a header
    // whose size or pixel offset does not fit is refused before allocating.
    const size_t file_size = map->size();
    if (!TEX_image_size_ok(h.width, h.height) || h.pixel_offset > file_size) {
        __MACIBM_alert(0, "Bitmap is damaged or not supported!",
                       "Width " + std::to_string(h.width) + ", height " + std::to_string(h.height) +
                           ", pixels from byte " + std::to_string(h.pixel_offset) + " of " +
                           std::to_string(file_size) + ".",
                       "", path, 2, __FILE__, __LINE__);
        return 0;
    }

    decoded_rows plan;
    bool allocated;
    if (!plan_decoded_rows(path, h.width, h.height, bytes_per_pixel, row_width, power_of_two, plan) ||
        !claim_decoded_buffer(path, plan, data, allocated))
        return 0;
    desc.format = format;
    desc.dx = h.width;
    desc.dy = h.height;
    desc.pad = plan.pad;
    desc.has_mipmaps = 0;

    // A file cut short leaves the rest of the buffer as it was.
    const unsigned char* file = reinterpret_cast<const unsigned char*>(map->begin);
    const size_t file_stride = (size_t(h.width) * 3 + 3) & ~size_t(3);
    const unsigned char* gamma = colr.gamma_differs == 1 ? colr.gamma_table : nullptr;
    for (int y = 0; y < h.height; ++y) {
        const size_t row_start = h.pixel_offset + file_stride * y;
        if (row_start >= file_size) break;
        const int whole_pixels = int(std::min<size_t>(h.width, (file_size - row_start) / 3));
        const unsigned char* in = file + row_start;
        unsigned char* out = data + plan.stride * y;
        for (int x = 0; x < whole_pixels; ++x, in += 3, out += bytes_per_pixel) {
            const unsigned char b = in[0], g = in[1], r = in[2];
            if (format == GL_ALPHA) {
                out[0] = static_cast<unsigned char>((b + g + r) / 3);
                continue;
            }
            out[0] = gamma ? gamma[r] : r;
            out[1] = gamma ? gamma[g] : g;
            out[2] = gamma ? gamma[b] : b;
            if (format == GL_RGBA) {
                // Pure magenta is the bitmap's transparent colour.
                if (r == 255 && g == 0 && b == 255)
                    out[0] = out[1] = out[2] = out[3] = 0;
                else
                    out[3] = 255;
            }
        }
    }
    return 1;
}
