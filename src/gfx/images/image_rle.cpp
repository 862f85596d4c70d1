#include "gfx/images/image_rle.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Streams and pictures are byte buffers: words are read and written through
// copies, so no alignment is assumed.
uint32_t load_word(const unsigned char* at)
{
    uint32_t w;
    std::memcpy(&w, at, 4);
    return w;
}

// -- Encoding -----------------------------------------------------------------

void emit_literal(std::vector<uint32_t>& words, const uint32_t* p, int n)
{
    words.push_back(uint32_t(n));
    words.insert(words.end(), p, p + n);
}

// A run needs three equal pixels; two equal pixels stay in a literal.
void encode_tile(std::vector<uint32_t>& words, const uint32_t* p, int k)
{
    int i = 0;
    while (i < k) {
        int j = i;
        while (j + 2 < k && !(p[j] == p[j + 1] && p[j] == p[j + 2])) ++j;
        if (j + 2 >= k) {
            emit_literal(words, p + i, k - i);
            return;
        }
        if (j > i) emit_literal(words, p + i, j - i);
        int r = j + 3;
        while (r < k && p[r] == p[j]) ++r;
        words.push_back(uint32_t(-(r - j)));
        words.push_back(p[j]);
        i = r;
    }
}

// -- Reading ------------------------------------------------------------------

// The read position in a stream, possibly inside a token: a token cut by
// the rectangle's edge keeps its rest for the gap and the next row.
class rle_reader {
public:
    explicit rle_reader(const unsigned char* stream) : at_(stream) {}

    // Makes a token with pixels left current; false once the stream ended.
    bool ready()
    {
        if (left_ > 0) return true;
        if (ended_) return false;
        const int32_t n = int32_t(load_word(at_));
        if (n == 0) {
            ended_ = true;
            return false;
        }
        at_ += 4;
        literal_ = n > 0;
        left_ = n > 0 ? int64_t(n) : -int64_t(n);
        if (!literal_) {
            run_ = load_word(at_);
            at_ += 4;
        }
        return true;
    }

    int64_t left() const { return left_; }
    bool literal() const { return literal_; }
    uint32_t run() const { return run_; }
    // Pixel i of what is left of the current token.
    uint32_t pixel(int64_t i) const { return literal_ ? load_word(at_ + 4 * i) : run_; }
    const unsigned char* literal_bytes() const { return at_; }

    void take(int64_t n)
    {
        if (literal_) at_ += 4 * n;
        left_ -= n;
    }
    void pass(int64_t n)
    {
        while (n > 0 && ready()) {
            const int64_t t = std::min(n, left_);
            take(t);
            n -= t;
        }
    }

private:
    const unsigned char* at_;
    int64_t left_ = 0;
    bool literal_ = false;
    bool ended_ = false;
    uint32_t run_ = 0;
};

void fill_words(unsigned char* out, uint32_t word, int64_t n)
{
    for (int64_t i = 0; i < n; ++i) std::memcpy(out + 4 * i, &word, 4);
}

void blend_pixel(unsigned char* d, const unsigned char* s, int weight)
{
    const int rest = 256 - weight;
    for (int c = 0; c < 3; ++c) d[c] = uint8_t(((d[c] * rest + s[c] * weight) >> 8) & 0xFF);
    d[3] = uint8_t(std::min(255, d[3] + s[3]));
}

int blend_weight(int alpha, int opacity) { return ((alpha + 1) * opacity) >> 8; }

uint32_t mix_pixel(uint32_t colour, uint32_t mix, const int* const m[4], const int* bias)
{
    unsigned char c[4], x[4], out[4];
    std::memcpy(c, &colour, 4);
    std::memcpy(x, &mix, 4);
    for (int k = 0; k < 4; ++k) {
        int f = bias[k];
        for (int j = 0; j < 4; ++j) f += (x[j] * m[j][k]) >> 8;
        f = std::clamp(f, 0, 256);
        out[k] = uint8_t((f * c[k]) >> 8);
    }
    uint32_t w;
    std::memcpy(&w, out, 4);
    return w;
}

}  // namespace

void TEX_pack_image_rle(const TEX_image_desc& desc, const unsigned char* pixels,
                        int region_width, int region_height, int tile_width,
                        unsigned char*& stream)
{
    (void)region_height;  // every stream ends with its end word, whatever the height
    std::vector<uint32_t> words;
    const int tiles = tile_width > 0 ? region_width / tile_width : 0;
    const size_t stride = size_t(4) * std::max(desc.dx, 0) + desc.pad;
    std::vector<uint32_t> tile(size_t(std::max(tile_width, 0)));
    for (int y = 0; y < desc.dy; ++y) {
        const unsigned char* row = pixels + stride * y;
        for (int t = 0; t < tiles; ++t) {
            const int x = t * tile_width;
            const int taken = x < desc.dx ? std::min(tile_width, desc.dx - x) : 0;
            std::memcpy(tile.data(), row + size_t(4) * x, size_t(4) * taken);
            encode_tile(words, tile.data(), taken);
            if (taken < tile_width) {
                words.push_back(uint32_t(-(tile_width - taken)));
                words.push_back(0);
            }
        }
    }
    words.push_back(0);
    stream = static_cast<unsigned char*>(std::malloc(words.size() * 4));
    if (stream) std::memcpy(stream, words.data(), words.size() * 4);
}

void TEX_unpack_image_rle(const unsigned char* stream, int skip, int gap, int width, int rows,
                          unsigned char* out)
{
    rle_reader in(stream);
    in.pass(skip);
    for (int y = 0; y < rows; ++y) {
        unsigned char* row = out + size_t(4) * std::max(width, 0) * y;
        int x = 0;
        while (x < width && in.ready()) {
            const int64_t n = std::min<int64_t>(in.left(), width - x);
            if (in.literal())
                std::memcpy(row + size_t(4) * x, in.literal_bytes(), size_t(4 * n));
            else
                fill_words(row + size_t(4) * x, in.run(), n);
            in.take(n);
            x += int(n);
        }
        if (x < width) std::memset(row + size_t(4) * x, 0, size_t(4) * (width - x));
        in.pass(gap);
    }
}

void TEX_unpack_composite_rle(const unsigned char* stream, int skip, int gap, int width,
                              int rows, unsigned char* out, int opacity)
{
    if (opacity <= 0) return;
    opacity = std::min(opacity, 256);
    rle_reader in(stream);
    in.pass(skip);
    for (int y = 0; y < rows && in.ready(); ++y) {
        unsigned char* row = out + size_t(4) * std::max(width, 0) * y;
        int x = 0;
        while (x < width && in.ready()) {
            const int64_t n = std::min<int64_t>(in.left(), width - x);
            unsigned char* d = row + size_t(4) * x;
            if (in.literal()) {
                for (int64_t i = 0; i < n; ++i) {
                    const unsigned char* s = in.literal_bytes() + 4 * i;
                    if (s[3]) blend_pixel(d + 4 * i, s, blend_weight(s[3], opacity));
                }
            } else if (in.run() != 0) {
                unsigned char s[4];
                const uint32_t run = in.run();
                std::memcpy(s, &run, 4);
                if (s[3]) {
                    const int weight = blend_weight(s[3], opacity);
                    for (int64_t i = 0; i < n; ++i) blend_pixel(d + 4 * i, s, weight);
                }
            }
            in.take(n);
            x += int(n);
        }
        in.pass(gap);
    }
}

void TEX_unpack_multi_mix_rle(const unsigned char* colour_stream, const unsigned char* mix_stream,
                              int skip, int gap, int width, int rows, unsigned char* out,
                              int* m0, int* m1, int* m2, int* m3, int* bias)
{
    const int* const m[4] = {m0, m1, m2, m3};
    rle_reader colour(colour_stream), mix(mix_stream);
    colour.pass(skip);
    mix.pass(skip);
    for (int y = 0; y < rows; ++y) {
        unsigned char* row = out + size_t(4) * std::max(width, 0) * y;
        int x = 0;
        while (x < width) {
            unsigned char* o = row + size_t(4) * x;
            if (!colour.ready()) {
                std::memset(o, 0, size_t(4) * (width - x));
                break;
            }
            int64_t n = std::min<int64_t>(colour.left(), width - x);
            const bool mixing = mix.ready();
            if (mixing) n = std::min(n, mix.left());
            if (!colour.literal() && colour.run() == 0)
                fill_words(o, 0, n);
            else if (!mixing && colour.literal())
                std::memcpy(o, colour.literal_bytes(), size_t(4 * n));
            else if (!mixing)
                fill_words(o, colour.run(), n);
            else if (!colour.literal() && !mix.literal())
                fill_words(o, mix_pixel(colour.run(), mix.run(), m, bias), n);
            else
                for (int64_t i = 0; i < n; ++i) {
                    const uint32_t p = mix_pixel(colour.pixel(i), mix.pixel(i), m, bias);
                    std::memcpy(o + 4 * i, &p, 4);
                }
            colour.take(n);
            if (mixing) mix.take(n);
            x += int(n);
        }
        colour.pass(gap);
        mix.pass(gap);
    }
}

void TEX_pack_rgba(const unsigned char* r, const unsigned char* g, const unsigned char* b,
                   const unsigned char* a, int count, unsigned char* out)
{
    for (int i = 0; i < count; ++i, out += 4) {
        out[0] = r ? r[i] : 0;
        out[1] = g ? g[i] : 0;
        out[2] = b ? b[i] : 0;
        out[3] = a ? a[i] : 0;
    }
}
