// Pictures for the texture tests, written at run time with the program's
// own writers (PNG, DDS) or byte by byte (BMP).
#pragma once

#include <GL/gl.h>

#include <string>
#include <vector>

#include "gfx/images/dds_codec.h"
#include "gfx/images/image_files.h"
#include "test_support.h"

namespace gfx_test {

// A w x h picture whose pixel (x, y), bottom row first, is
// (x * 255 / (w - 1) or 0, y parity * 255, 255 - ..., 255): only 0 and
// 255 in the corners, so gamma leaves the values alone where tests look.
inline std::vector<unsigned char> test_picture(int w, int h, int channels)
{
    std::vector<unsigned char> p(static_cast<size_t>(w) * h * channels);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* q = &p[(static_cast<size_t>(y) * w + x) * channels];
            q[0] = (x % 2) ? 255 : 0;
            if (channels > 1) q[1] = (y % 2) ? 255 : 0;
            if (channels > 2) q[2] = 255;
            if (channels > 3) q[3] = 255;
        }
    return p;
}

inline std::string write_png(const std::string& path, int w, int h, int channels = 3)
{
    TEX_image_desc desc;
    desc.format = channels == 4 ? GL_RGBA : channels == 1 ? GL_ALPHA : GL_RGB;
    desc.dx = w;
    desc.dy = h;
    const auto pixels = test_picture(w, h, channels);
    if (!TEX_save_png(path, desc, pixels.data())) return "";
    return path;
}

inline std::string write_dds(const std::string& path, int w, int h)
{
    TEX_image_desc desc;
    desc.format = GL_RGBA;
    desc.dx = w;
    desc.dy = h;
    const auto pixels = test_picture(w, h, 4);
    if (!TEX_save_dds(path, pixels.data(), desc)) return "";
    return path;
}

// A 24-bit BMP, bottom row first, rows padded to four bytes; `pixels` is
// RGB bottom row first.
inline std::string write_bmp(const std::string& path, int w, int h, const std::vector<unsigned char>& pixels)
{
    const int stride = (w * 3 + 3) & ~3;
    std::string bytes(54 + static_cast<size_t>(stride) * h, '\0');
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h));
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c)
                bytes[54 + static_cast<size_t>(y) * stride + x * 3 + c] =
                    static_cast<char>(pixels[(static_cast<size_t>(y) * w + x) * 3 + 2 - c]);
    testing_support::write_file(path, bytes);
    return path;
}

// Level 0 of a texture as RGBA bytes, bottom row first.
std::vector<unsigned char> texture_pixels(GLuint name, int w, int h);

}  // namespace gfx_test
