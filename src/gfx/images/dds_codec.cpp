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

// The 124-byte surface descriptor after the magic, as far as this code reads
// or writes it; every other byte of it is zero in the files written.
struct DDSURFACEDESC2 {
    uint32_t size = 0;
    uint32_t flags = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint32_t linear_size = 0;
    uint32_t mipmap_count = 0;
    uint32_t format_size = 0;   // the pixel format's own record starts here
    uint32_t format_flags = 0;
    char fourcc[4] = {};
    uint32_t caps = 0;
};

// Offsets from the start of the file.
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

DDSURFACEDESC2 read_descriptor(const unsigned char* file)
{
    DDSURFACEDESC2 d;
    d.size = get32(file, at_descriptor_size);
    d.flags = get32(file, at_flags);
    d.height = get32(file, at_height);
    d.width = get32(file, at_width);
    d.linear_size = get32(file, at_linear_size);
    d.mipmap_count = get32(file, at_mipmap_count);
    d.format_size = get32(file, at_format_size);
    d.format_flags = get32(file, at_format_flags);
    std::memcpy(d.fourcc, file + at_fourcc, 4);
    d.caps = get32(file, at_caps);
    return d;
}

void write_descriptor(const DDSURFACEDESC2& d, unsigned char* file)
{
    put32(file, at_descriptor_size, d.size);
    put32(file, at_flags, d.flags);
    put32(file, at_height, d.height);
    put32(file, at_width, d.width);
    put32(file, at_linear_size, d.linear_size);
    put32(file, at_mipmap_count, d.mipmap_count);
    put32(file, at_format_size, d.format_size);
    put32(file, at_format_flags, d.format_flags);
    std::memcpy(file + at_fourcc, d.fourcc, 4);
    put32(file, at_caps, d.caps);
}

// The flags alone decide the format: the bit count and channel masks are
// not read, and the size check of the reader keeps every read of the pixel
// data inside the file whatever they claim.
unsigned int format_of(const DDSURFACEDESC2& d)
{
    unsigned int format = 0;
    if (d.format_flags & format_fourcc) {
        if (!std::memcmp(d.fourcc, "DXT1", 4))
            format = GL_COMPRESSED_RGB_S3TC_DXT1_EXT;
        else if (!std::memcmp(d.fourcc, "DXT3", 4))
            format = GL_COMPRESSED_RGBA_S3TC_DXT3_EXT;
        else if (!std::memcmp(d.fourcc, "DXT5", 4))
            format = GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        else
            return 0;
    }
    if (d.format_flags & format_rgb) format = (d.format_flags & format_alpha_pixels) ? GL_BGRA : GL_BGR;
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
    const DDSURFACEDESC2 surface = read_descriptor(header);
    const unsigned int format = format_of(surface);
    if (!format) return 0;

    if (!TEX_image_size_ok(surface.width, surface.height)) return 0;
    TEX_image_desc found;
    found.format = format;
    found.dx = int(surface.width);
    found.dy = int(surface.height);
    found.pad = 0;
    found.has_mipmaps = (surface.flags & flag_mipmap_count) && (surface.caps & caps_mipmap);
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

    DDSURFACEDESC2 surface;
    surface.size = 124;
    surface.flags = 0x000A1007;
    surface.height = uint32_t(dy);
    surface.width = uint32_t(dx);
    surface.linear_size = uint32_t(squish::GetStorageRequirements(dx, dy, flag));
    surface.mipmap_count = levels;
    surface.format_size = 32;
    surface.format_flags = format_fourcc;
    std::memcpy(surface.fourcc, alpha ? "DXT5" : "DXT1", 4);
    surface.caps = 0x00401008;
    unsigned char header[dds_header_bytes] = {};
    std::memcpy(header, "DDS ", 4);
    write_descriptor(surface, header);

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
