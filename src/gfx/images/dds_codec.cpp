#include "gfx/images/dds_codec.h"

#include <squish.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/files/xmap.h"
#include "gfx/images/image_layout.h"

namespace {

constexpr size_t dds_header_bytes = 128;

// Offsets of the fields this code reads or writes.
enum : size_t {
    at_descriptor_size = 4,
    at_flags = 8,
    at_height = 12,
    at_width = 16,
    at_linear_size = 20,
    at_mipmap_count = 28,
    at_format_size = 76,
    at_format_flags = 80,
    at_fourcc = 84,
    at_bit_count = 88,
    at_caps = 108,
};

constexpr uint32_t flag_mipmap_count = 0x20000;
constexpr uint32_t caps_mipmap = 0x400000;
constexpr uint32_t format_alpha_pixels = 0x1;
constexpr uint32_t format_fourcc = 0x4;
constexpr uint32_t format_rgb = 0x40;

uint32_t get32(const unsigned char* header, size_t offset)
{
    return uint32_t(header[offset]) | uint32_t(header[offset + 1]) << 8 |
           uint32_t(header[offset + 2]) << 16 | uint32_t(header[offset + 3]) << 24;
}

void put32(unsigned char* header, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i) header[offset + i] = uint8_t(value >> (8 * i));
}

unsigned int format_of(const unsigned char* header)
{
    const uint32_t flags = get32(header, at_format_flags);
    unsigned int format = 0;
    if (flags & format_fourcc) {
        const unsigned char* fourcc = header + at_fourcc;
        if (!std::memcmp(fourcc, "DXT1", 4))
            format = GL_COMPRESSED_RGB_S3TC_DXT1_EXT;
        else if (!std::memcmp(fourcc, "DXT3", 4))
            format = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
        else if (!std::memcmp(fourcc, "DXT5", 4))
            format = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        else
            return 0;
    }
    if (flags & format_rgb) {
        // The pixels must be as wide as the format says, or the size check
        // below would measure a different image than the one uploaded.
        const bool alpha = flags & format_alpha_pixels;
        if (get32(header, at_bit_count) != (alpha ? 32u : 24u)) return 0;
        format = alpha ? GL_BGRA : GL_BGR;
    }
    return format;
}

// Halves the working RGBA image in place: 2 x 2 boxes, or pairs where one
// side is already 1.
void shrink_working_image(unsigned char* rgba, int w, int h)
{
    const int nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
    const int sx = w > 1 ? 2 : 1, sy = h > 1 ? 2 : 1;
    const int shift = (sx == 2) + (sy == 2);
    for (int y = 0; y < nh; ++y)
        for (int x = 0; x < nw; ++x)
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int v = 0; v < sy; ++v)
                    for (int u = 0; u < sx; ++u)
                        sum += rgba[(size_t(y * sy + v) * w + x * sx + u) * 4 + c];
                rgba[(size_t(y) * nw + x) * 4 + c] = uint8_t(sum >> shift);
            }
}

bool write_all(std::FILE* file, const void* bytes, size_t n)
{
    return std::fwrite(bytes, 1, n, file) == n;
}

}  // namespace

int TEX_load_dds(const std::string&, xmap_class* map, unsigned char*& data, TEX_image_desc& desc)
{
    if (!map || !map->begin || map->size() < dds_header_bytes) return 0;
    const unsigned char* header = reinterpret_cast<const unsigned char*>(map->begin);
    if (std::memcmp(header, "DDS ", 4) != 0) return 0;
    const unsigned int format = format_of(header);
    if (!format) return 0;

    const uint32_t width = get32(header, at_width), height = get32(header, at_height);
    if (!TEX_image_size_ok(width, height)) return 0;
    TEX_image_desc found;
    found.format = format;
    found.dx = int(width);
    found.dy = int(height);
    found.pad = 0;
    found.has_mipmaps = (get32(header, at_flags) & flag_mipmap_count) &&
                        (get32(header, at_caps) & caps_mipmap);
    // The chain runs down to 1 x 1 whatever the mipmap count says; all of
    // it must be in the file, since the upload reads it straight from here.
    if (TEX_bytes_needed_for_image(found) > map->size() - dds_header_bytes) return 0;

    desc = found;
    data = const_cast<unsigned char*>(header + dds_header_bytes);
    return 1;
}

int TEX_save_dds(const std::string& path, const unsigned char* data, const TEX_image_desc& desc)
{
    if (desc.format != GL_RGBA && desc.format != GL_RGB) {
        __MACIBM_alert(0, "rel_assert Error! Possibly an out of range vector! Attach the debugger and see who called this!",
                       "in_desc.format == GL_RGBA || in_desc.format == GL_RGB", "TEX_save_dds",
                       "Please report this to Orrindale Labs.", 2, __FILE__, __LINE__);
        return 0;
    }
    const std::string full = app_path + path;
    if (desc.dx <= 0 || desc.dy <= 0) {
        xer << "DDS write refused: no pixels (" << desc.dx << " x " << desc.dy << "), " << full
            << "\n";
        return 0;
    }
    std::FILE* file = std::fopen(full.c_str(), "wb");
    if (!file) return 0;

    const bool alpha = desc.format == GL_RGBA;
    const int flag = alpha ? squish::kDxt5 : squish::kDxt1;
    const int bytes_per_pixel = alpha ? 4 : 3;
    const int dx = desc.dx, dy = desc.dy;

    // The working image is top row first, as the file wants it.
    std::vector<unsigned char> working(size_t(dx) * dy * 4);
    const size_t stride = size_t(bytes_per_pixel) * dx + desc.pad;
    for (int y = 0; y < dy; ++y) {
        const unsigned char* in = data + stride * y;
        unsigned char* out = &working[size_t(dy - 1 - y) * dx * 4];
        for (int x = 0; x < dx; ++x, in += bytes_per_pixel, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = alpha ? in[3] : 255;
        }
    }

    uint32_t levels = 1;
    for (int w = dx, h = dy; TEX_next_mip_level(w, h);) ++levels;

    unsigned char header[dds_header_bytes] = {};
    std::memcpy(header, "DDS ", 4);
    put32(header, at_descriptor_size, 124);
    put32(header, at_flags, 0x000A1007);
    put32(header, at_height, uint32_t(dy));
    put32(header, at_width, uint32_t(dx));
    put32(header, at_linear_size, uint32_t(squish::GetStorageRequirements(dx, dy, flag)));
    put32(header, at_mipmap_count, levels);
    put32(header, at_format_size, 32);
    put32(header, at_format_flags, format_fourcc);
    std::memcpy(header + at_fourcc, alpha ? "DXT5" : "DXT1", 4);
    put32(header, at_caps, 0x00401008);

    errno = 0;
    bool ok = write_all(file, header, sizeof header);
    std::vector<unsigned char> blocks(size_t(squish::GetStorageRequirements(dx, dy, flag)));
    int w = dx, h = dy;
    do {
        squish::CompressImage(working.data(), w, h, blocks.data(),
                              flag | squish::kColourIterativeClusterFit);
        ok = ok && write_all(file, blocks.data(), size_t(squish::GetStorageRequirements(w, h, flag)));
        if (w > 1 || h > 1) shrink_working_image(working.data(), w, h);
    } while (ok && TEX_next_mip_level(w, h));

    int error = ok ? 0 : (errno ? errno : EIO);
    if (std::fclose(file) != 0 && !error) error = errno ? errno : EIO;
    if (!error) return 1;
    xer << "DDS write failed: " << std::strerror(error) << ", " << full << "\n";
    return 0;
}
