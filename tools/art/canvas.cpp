#include "canvas.h"

#include <algorithm>
#include <cmath>

#include "gfx/images/image_files.h"

namespace art {

rgba mix(const rgba& from, const rgba& to, float t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

rgba with_alpha(rgba c, float a)
{
    c.a = a;
    return c;
}

canvas::canvas(int width, int height)
    : width_(width), height_(height), clip_{0, 0, width, height},
      pixels_(size_t(width) * height * 4, 0.0f)
{
}

void canvas::clip_to(const box& b)
{
    clip_ = {std::max(b.x0, 0), std::max(b.y0, 0), std::min(b.x1, width_),
             std::min(b.y1, height_)};
}

void canvas::clip_off() { clip_ = {0, 0, width_, height_}; }

void canvas::blend(int x, int y, const rgba& c, float coverage)
{
    if (x < clip_.x0 || y < clip_.y0 || x >= clip_.x1 || y >= clip_.y1) return;
    const float a = std::clamp(c.a * coverage, 0.0f, 1.0f);
    if (a <= 0.0f) return;
    float* p = &pixels_[(size_t(y) * width_ + x) * 4];
    const float keep = 1.0f - a;
    p[0] = c.r * a + p[0] * keep;
    p[1] = c.g * a + p[1] * keep;
    p[2] = c.b * a + p[2] * keep;
    p[3] = a + p[3] * keep;
}

void canvas::put(int x, int y, const rgba& c)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    float* p = &pixels_[(size_t(y) * width_ + x) * 4];
    p[0] = c.r * c.a;
    p[1] = c.g * c.a;
    p[2] = c.b * c.a;
    p[3] = c.a;
}

rgba canvas::at(int x, int y) const
{
    const float* p = &pixels_[(size_t(y) * width_ + x) * 4];
    if (p[3] <= 0.0f) return {};
    return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
}

namespace {

unsigned char to_byte(float v)
{
    return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

}  // namespace

std::vector<unsigned char> canvas::bottom_up_bytes() const
{
    std::vector<unsigned char> bytes(size_t(width_) * height_ * 4);
    unsigned char* out = bytes.data();
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const rgba c = at(x, y);
            *out++ = to_byte(c.r);
            *out++ = to_byte(c.g);
            *out++ = to_byte(c.b);
            *out++ = to_byte(c.a);
        }
    }
    return bytes;
}

bool canvas::save_png(const std::string& path, std::string& error) const
{
    const std::vector<unsigned char> bytes = bottom_up_bytes();
    TEX_image_desc desc;
    desc.format = GL_RGBA;
    desc.dx = width_;
    desc.dy = height_;
    if (TEX_save_png(path, desc, bytes.data())) return true;
    error = "could not write the PNG file " + path;
    return false;
}

}  // namespace art
