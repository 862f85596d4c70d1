#include "gfx/images/pixel_ops.h"

#include <algorithm>
#include <cmath>

namespace {

int rgb_or_rgba(unsigned int format) { return format == GL_RGBA ? 4 : 3; }

size_t stride_of(const TEX_image_desc& desc, int bytes_per_pixel)
{
    return size_t(bytes_per_pixel) * desc.dx + desc.pad;
}

int log2_ceil(int factor)
{
    int k = 0;
    while ((1 << k) < factor) ++k;
    return k;
}

unsigned char clamp_byte(float v)
{
    const int i = static_cast<int>(v);
    return static_cast<unsigned char>(std::clamp(i, 0, 255));
}

}  // namespace

void TEX_downscale(TEX_image_desc& desc, unsigned char* data, int fx, int fy)
{
    if (fx < 1 || fy < 1 || desc.dx <= 0 || desc.dy <= 0) return;
    const int bpp = desc.format == GL_RGBA ? 4 : desc.format == GL_RGB ? 3 : 1;
    const int shift = log2_ceil(fx) + log2_ceil(fy);
    const int new_dx = desc.dx / fx, new_dy = desc.dy / fy;
    const size_t in_stride = stride_of(desc, bpp);
    const size_t out_stride = size_t(bpp) * new_dx + desc.pad;
    // Output pixel i of a row lands at or before the first input pixel it
    // reads, and a row never reaches past the rows it came from, so the
    // buffer shrinks in place without a copy.
    for (int j = 0; j < new_dy; ++j) {
        unsigned char* out = data + out_stride * j;
        for (int i = 0; i < new_dx; ++i) {
            for (int c = 0; c < bpp; ++c) {
                unsigned sum = 0;
                for (int v = 0; v < fy; ++v) {
                    const unsigned char* in = data + in_stride * (size_t(fy) * j + v) + size_t(bpp) * fx * i + c;
                    for (int u = 0; u < fx; ++u) sum += in[size_t(bpp) * u];
                }
                out[size_t(bpp) * i + c] = static_cast<unsigned char>(sum >> shift);
            }
        }
    }
    desc.dx = new_dx;
    desc.dy = new_dy;
}

void TEX_zap_alpha(const TEX_image_desc& desc, unsigned char* data)
{
    const size_t stride = stride_of(desc, 4);
    for (int y = 0; y < desc.dy; ++y) {
        unsigned char* p = data + stride * y;
        for (int x = 0; x < desc.dx; ++x, p += 4)
            if (p[3] == 0) p[0] = p[1] = p[2] = 0;
    }
}

void TEX_clean_edge(const TEX_image_desc& desc, unsigned char* data)
{
    const int dx = desc.dx, dy = desc.dy;
    for (int y = 0; y < dy; ++y) {
        for (int x = 0; x < dx; ++x) {
            unsigned char* p = data + 4 * (size_t(y) * dx + x);
            if (p[3] != 0) continue;
            unsigned sum[3] = {0, 0, 0}, n = 0;
            for (int v = std::max(0, y - 2); v <= std::min(dy - 1, y + 2); ++v)
                for (int u = std::max(0, x - 2); u <= std::min(dx - 1, x + 2); ++u) {
                    const unsigned char* q = data + 4 * (size_t(v) * dx + u);
                    if (q[3] == 0) continue;
                    sum[0] += q[0];
                    sum[1] += q[1];
                    sum[2] += q[2];
                    ++n;
                }
            if (n == 0) continue;
            for (int c = 0; c < 3; ++c) p[c] = static_cast<unsigned char>(sum[c] / n);
        }
    }
}

void TEX_copy(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc,
              const unsigned char* src, unsigned char* dst, int x, int y)
{
    const int bpp = rgb_or_rgba(src_desc.format);
    const size_t in_stride = stride_of(src_desc, bpp), out_stride = stride_of(dst_desc, bpp);
    const size_t row = size_t(bpp) * std::max(src_desc.dx, 0);
    unsigned char* out = dst + out_stride * y + size_t(bpp) * x;
    for (int j = 0; j < src_desc.dy; ++j)
        std::copy_n(src + in_stride * j, row, out + out_stride * j);
}

void TEX_chroma_key(const TEX_image_desc& desc, unsigned char* data,
                    const unsigned char key[3], int tolerance)
{
    const size_t stride = stride_of(desc, 4);
    for (int y = 0; y < desc.dy; ++y) {
        unsigned char* p = data + stride * y;
        for (int x = 0; x < desc.dx; ++x, p += 4) {
            const int distance = std::abs(p[0] - key[0]) + std::abs(p[1] - key[1]) +
                                 std::abs(p[2] - key[2]);
            if (distance < tolerance) p[3] = 0;
        }
    }
}

void TEX_composite(const TEX_image_desc& src_desc, const TEX_image_desc& dst_desc,
                   const unsigned char* src, unsigned char* dst,
                   float left, float bottom, float right, float top)
{
    const int bs = rgb_or_rgba(src_desc.format), bd = rgb_or_rgba(dst_desc.format);
    const size_t src_stride = stride_of(src_desc, bs), dst_stride = stride_of(dst_desc, bd);
    const int x_begin = std::max(0, static_cast<int>(std::floor(left)));
    const int x_end = std::min(dst_desc.dx, static_cast<int>(std::ceil(right)));
    const int y_begin = std::max(0, static_cast<int>(std::floor(bottom)));
    const int y_end = std::min(dst_desc.dy, static_cast<int>(std::ceil(top)));
    if (x_begin >= x_end || y_begin >= y_end) return;

    for (int y = y_begin; y < y_end; ++y) {
        const float sy = top == bottom ? src_desc.dy * 0.5f
                                       : (y - bottom) * (src_desc.dy / (top - bottom));
        const int iy = static_cast<int>(std::floor(sy));
        const float fy = sy - iy;
        for (int x = x_begin; x < x_end; ++x) {
            const float sx = right == left ? src_desc.dx * 0.5f
                                           : (x - left) * (src_desc.dx / (right - left));
            const int ix = static_cast<int>(std::floor(sx));
            const float fx = sx - ix;

            const int col[4] = {ix, ix + 1, ix, ix + 1};
            const int row[4] = {iy, iy, iy + 1, iy + 1};
            float w[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
            const unsigned char* sample[4] = {};
            for (int k = 0; k < 4; ++k) {
                if (col[k] < 0 || col[k] >= src_desc.dx || row[k] < 0 || row[k] >= src_desc.dy)
                    w[k] = 0;
                else
                    sample[k] = src + src_stride * row[k] + size_t(bs) * col[k];
            }

            unsigned char* out = dst + dst_stride * y + size_t(bd) * x;
            if (bs == 4) {
                float alpha = 0;
                for (int k = 0; k < 4; ++k)
                    if (sample[k]) alpha += w[k] * sample[k][3];
                if (bd == 4) out[3] = clamp_byte(alpha + out[3]);
                for (int k = 0; k < 4; ++k)
                    if (sample[k]) w[k] *= sample[k][3] / 255.0f;
            } else if (bd == 4) {
                out[3] = clamp_byte((w[0] + w[1] + w[2] + w[3]) * 255.0f + out[3]);
            }
            // The destination keeps the share the source did not cover, so
            // the source's border fades into it.
            const float rest = 1.0f - (w[0] + w[1] + w[2] + w[3]);
            for (int c = 0; c < 3; ++c) {
                float v = out[c] * rest;
                for (int k = 0; k < 4; ++k)
                    if (sample[k]) v += w[k] * sample[k][c];
                out[c] = clamp_byte(v);
            }
        }
    }
}
