#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "gfx/images/image_rle.h"

namespace {

using bytes = std::vector<unsigned char>;

uint32_t px(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
{
    const unsigned char p[4] = {r, g, b, a};
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}

// A picture as pixel words with a row padding in bytes, ready to pack.
struct picture {
    int dx, dy, pad;
    bytes data;
    picture(int w, int h, int padding = 0)
        : dx(w), dy(h), pad(padding), data(size_t(4 * w + padding) * h, 0xEE) {}
    void set(int x, int y, uint32_t word) { std::memcpy(&data[size_t(4 * dx + pad) * y + 4 * x], &word, 4); }
    uint32_t get(int x, int y) const
    {
        uint32_t w;
        std::memcpy(&w, &data[size_t(4 * dx + pad) * y + 4 * x], 4);
        return w;
    }
    TEX_image_desc desc() const
    {
        TEX_image_desc d;
        d.format = GL_RGBA;
        d.dx = dx;
        d.dy = dy;
        d.pad = pad;
        return d;
    }
};

// Owns a packed stream.
struct packed {
    unsigned char* stream = nullptr;
    packed(const picture& p, int region_width, int region_height, int tile_width)
    {
        TEX_pack_image_rle(p.desc(), p.data.data(), region_width, region_height, tile_width, stream);
    }
    ~packed() { std::free(stream); }
    packed(const packed&) = delete;
    packed& operator=(const packed&) = delete;

    // Every word up to and including the end word.
    std::vector<int32_t> words() const
    {
        std::vector<int32_t> out;
        for (const unsigned char* at = stream;; ) {
            int32_t n;
            std::memcpy(&n, at, 4);
            out.push_back(n);
            if (n == 0) return out;
            const int count = n > 0 ? n : 1;
            for (int i = 0; i < count; ++i) {
                int32_t w;
                std::memcpy(&w, at + 4 * (i + 1), 4);
                out.push_back(w);
            }
            at += 4 * (count + 1);
        }
    }
};

std::vector<uint32_t> unpack(const packed& s, int skip, int gap, int width, int rows)
{
    std::vector<uint32_t> out(size_t(width) * rows, 0xDEADBEEF);
    TEX_unpack_image_rle(s.stream, skip, gap, width, rows, reinterpret_cast<unsigned char*>(out.data()));
    return out;
}

const uint32_t A = px(1, 2, 3, 4), B = px(5, 6, 7, 8), C = px(9, 10, 11, 12);

int32_t w32(uint32_t word) { return int32_t(word); }

}  // namespace

TEST(ImageRle, RunsNeedThreeEqualPixelsAndTilesArePaddedWithClearRuns)
{
    picture row(6, 1);
    const uint32_t pixels[] = {A, A, A, B, C, C};
    for (int x = 0; x < 6; ++x) row.set(x, 0, pixels[x]);
    EXPECT_EQ(packed(row, 8, 1, 8).words(),
              (std::vector<int32_t>{-3, w32(A), 3, w32(B), w32(C), w32(C), -2, 0, 0}));

    picture pairs(7, 1);
    const uint32_t more[] = {A, A, B, C, C, C, C};
    for (int x = 0; x < 7; ++x) pairs.set(x, 0, more[x]);
    EXPECT_EQ(packed(pairs, 8, 1, 8).words(),
              (std::vector<int32_t>{3, w32(A), w32(A), w32(B), -4, w32(C), -1, 0, 0}));
}

TEST(ImageRle, NarrowPictureInAWideRegionFillsTheOtherTilesWithClearRuns)
{
    picture p(512, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 512; ++x) p.set(x, y, A);
    const std::vector<int32_t> row = {-512, w32(A), -512, 0, -512, 0, -512, 0};
    std::vector<int32_t> expected = row;
    expected.insert(expected.end(), row.begin(), row.end());
    expected.push_back(0);
    EXPECT_EQ(packed(p, 2048, 2048, 512).words(), expected);
}

TEST(ImageRle, EveryStreamEndsWithItsEndWordAndRowsAdvanceByTheFullStride)
{
    picture p(3, 3, 2);  // a padding that is no whole pixel
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) p.set(x, y, px(uint8_t(x), uint8_t(y), 0, 255));
    const packed s(p, 3, 2, 3);  // more rows than the region's height
    const std::vector<int32_t> words = s.words();
    EXPECT_EQ(words.back(), 0);
    const std::vector<uint32_t> out = unpack(s, 0, 0, 3, 4);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(out[y * 3 + x], p.get(x, y)) << x << "," << y;
    for (int x = 0; x < 3; ++x) EXPECT_EQ(out[9 + x], 0u) << "past the end: transparent";
}

TEST(ImageRle, TilesOfAShortPictureInATallRegion)
{
    // 512 x 600 in a 2048 x 2048 region of 512-pixel tiles.
    picture p(512, 600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 512; ++x) p.set(x, y, px(uint8_t(y), uint8_t(y >> 8), uint8_t(x / 16), 255));
    const packed s(p, 2048, 2048, 512);
    EXPECT_EQ(s.words().back(), 0);

    auto tile = [&](int r, int c) { return unpack(s, 2048 * 512 * r + 512 * c, 1536, 512, 512); };
    const std::vector<uint32_t> row1 = tile(1, 0);
    for (int y = 0; y < 88; ++y)
        for (int x = 0; x < 512; x += 37)
            ASSERT_EQ(row1[size_t(y) * 512 + x], p.get(x, 512 + y)) << x << "," << y;
    for (size_t i = size_t(88) * 512; i < row1.size(); ++i) ASSERT_EQ(row1[i], 0u) << i;
    for (auto rc : {std::make_pair(1, 1), std::make_pair(2, 0), std::make_pair(3, 3)}) {
        const std::vector<uint32_t> empty = tile(rc.first, rc.second);
        EXPECT_EQ(empty, std::vector<uint32_t>(512 * 512, 0u)) << rc.first << "," << rc.second;
    }
}

namespace {

// A random picture with runs, clear pixels and lone pixels, and the region
// it stands for when packed.
struct random_case {
    picture pic;
    int tile, region_width, region_rows;
    random_case(std::mt19937& rng)
        : pic(int(rng() % 40) + 1, int(rng() % 12) + 1, int(rng() % 7)),
          tile(int(rng() % 16) + 1), region_width(0), region_rows(0)
    {
        const uint32_t palette[] = {0, A, B, C, px(0, 0, 0, 128), px(200, 100, 50, 255)};
        uint32_t current = A;
        for (int y = 0; y < pic.dy; ++y)
            for (int x = 0; x < pic.dx; ++x) {
                if (rng() % 3 == 0) current = rng() % 4 ? palette[rng() % 6] : uint32_t(rng());
                pic.set(x, y, current);
            }
        // Sometimes narrower than the picture: its columns beyond drop out.
        int tiles = (pic.dx + tile - 1) / tile + int(rng() % 3) - (rng() % 5 == 0 ? 1 : 0);
        if (tiles < 1) tiles = 1;
        region_width = tiles * tile;
        region_rows = pic.dy + int(rng() % 3);
    }
    uint32_t at(int x, int y) const { return x < pic.dx && y < pic.dy ? pic.get(x, y) : 0; }

    // A rectangle anywhere in the region, reaching past the picture's rows
    // now and then, with the skip and gap that decode it.
    struct rectangle {
        int x0, y0, width, rows, skip, gap;
    };
    rectangle pick(std::mt19937& rng) const
    {
        rectangle r;
        r.x0 = int(rng() % region_width);
        r.width = int(rng() % (region_width - r.x0)) + 1;
        r.y0 = int(rng() % (region_rows + 1));
        r.rows = int(rng() % 4) + 1;
        r.skip = r.y0 * region_width + r.x0;
        r.gap = region_width - r.width;
        return r;
    }
};

}  // namespace

TEST(ImageRle, RandomRectanglesDecodeExactlyEvenAcrossTokenEdges)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        const random_case c(rng);
        const packed s(c.pic, c.region_width, c.region_rows, c.tile);
        for (int tries = 0; tries < 8; ++tries) {
            const auto r = c.pick(rng);
            const std::vector<uint32_t> out = unpack(s, r.skip, r.gap, r.width, r.rows);
            for (int y = 0; y < r.rows; ++y)
                for (int x = 0; x < r.width; ++x)
                    ASSERT_EQ(out[size_t(y) * r.width + x], c.at(r.x0 + x, r.y0 + y))
                        << "round " << round << " rect " << r.x0 << "," << r.y0 << " " << r.width
                        << "x" << r.rows << " pixel " << x << "," << y;
        }
    }
}

TEST(ImageRle, CompositeDrawsOverTheDestinationWithOpacity)
{
    picture p(4, 1);
    p.set(0, 0, px(200, 100, 50, 255));
    p.set(1, 0, px(9, 9, 9, 0));  // clear: leaves the destination
    p.set(2, 0, 0);
    p.set(3, 0, px(255, 255, 255, 255));
    const packed s(p, 4, 1, 4);
    const bytes dest = {10, 20, 30, 40, 1, 2, 3, 4, 5, 6, 7, 8, 0, 0, 0, 100};

    bytes full = dest;
    TEX_unpack_composite_rle(s.stream, 0, 0, 4, 1, full.data(), 256);
    EXPECT_EQ(full, (bytes{200, 100, 50, 255, 1, 2, 3, 4, 5, 6, 7, 8, 255, 255, 255, 255}));

    bytes half = dest;
    TEX_unpack_composite_rle(s.stream, 0, 0, 4, 1, half.data(), 128);
    EXPECT_EQ(bytes(half.begin(), half.begin() + 4),
              (bytes{(10 * 128 + 200 * 128) >> 8, (20 * 128 + 100 * 128) >> 8,
                     (30 * 128 + 50 * 128) >> 8, 255}));

    bytes none = dest;
    TEX_unpack_composite_rle(s.stream, 0, 0, 4, 1, none.data(), 0);
    EXPECT_EQ(none, dest);

    picture clear(8, 1);
    for (int x = 0; x < 8; ++x) clear.set(x, 0, 0);
    const packed cs(clear, 8, 1, 8);
    bytes under(32, 77);
    TEX_unpack_composite_rle(cs.stream, 0, 0, 8, 1, under.data(), 256);
    EXPECT_EQ(under, bytes(32, 77)) << "a clear run touches nothing";
}

TEST(ImageRle, CompositeOfRandomRectanglesMatchesPixelByPixelBlending)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        const random_case c(rng);
        const packed s(c.pic, c.region_width, c.region_rows, c.tile);
        const auto r = c.pick(rng);
        const int x0 = r.x0, y0 = r.y0, width = r.width, rows = r.rows;
        const int opacity = int(rng() % 257);
        bytes out(size_t(width) * rows * 4);
        for (auto& b : out) b = uint8_t(rng());
        bytes expected = out;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t word = c.at(x0 + x, y0 + y);
                unsigned char s4[4];
                std::memcpy(s4, &word, 4);
                unsigned char* d = &expected[(size_t(y) * width + x) * 4];
                if (opacity == 0 || s4[3] == 0) continue;
                const int w = ((s4[3] + 1) * opacity) >> 8;
                for (int k = 0; k < 3; ++k) d[k] = uint8_t((d[k] * (256 - w) + s4[k] * w) >> 8);
                d[3] = uint8_t(std::min(255, d[3] + s4[3]));
            }
        TEX_unpack_composite_rle(s.stream, r.skip, r.gap, width, rows, out.data(), opacity);
        ASSERT_EQ(out, expected) << "round " << round;
    }
}

TEST(ImageRle, MultiMixScalesColoursByTheMixMatrix)
{
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        random_case colour(rng);
        // The mix picture shares the layout but has other content and
        // sometimes fewer rows, so its stream ends first.
        picture mix(colour.pic.dx, std::max(1, colour.pic.dy - int(rng() % 2) * 2));
        for (int y = 0; y < mix.dy; ++y)
            for (int x = 0; x < mix.dx; ++x) mix.set(x, y, rng() % 2 ? px(64, 128, 255, 0) : uint32_t(rng()));
        const packed cs(colour.pic, colour.region_width, colour.region_rows, colour.tile);
        const packed ms(mix, colour.region_width, colour.region_rows, colour.tile);
        int m[4][4], bias[4];
        for (auto& row : m)
            for (int& v : row) v = int(rng() % 512) - 256;
        for (int& v : bias) v = int(rng() % 512) - 128;

        const auto r = colour.pick(rng);
        const int x0 = r.x0, y0 = r.y0, width = r.width, rows = r.rows;
        std::vector<uint32_t> out(size_t(width) * rows, 0xDEADBEEF);
        TEX_unpack_multi_mix_rle(cs.stream, ms.stream, r.skip, r.gap, width, rows,
                                 reinterpret_cast<unsigned char*>(out.data()), m[0], m[1], m[2],
                                 m[3], bias);
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < width; ++x) {
                const int gx = x0 + x, gy = y0 + y;
                const uint32_t c = colour.at(gx, gy);
                uint32_t expected = c;
                if (gy < mix.dy && c != 0) {
                    const uint32_t xw = gx < mix.dx ? mix.get(gx, gy) : 0;
                    unsigned char cc[4], xx[4], e[4];
                    std::memcpy(cc, &c, 4);
                    std::memcpy(xx, &xw, 4);
                    for (int k = 0; k < 4; ++k) {
                        int f = bias[k];
                        for (int j = 0; j < 4; ++j) f += (xx[j] * m[j][k]) >> 8;
                        e[k] = uint8_t((std::clamp(f, 0, 256) * cc[k]) >> 8);
                    }
                    std::memcpy(&expected, e, 4);
                }
                ASSERT_EQ(out[size_t(y) * width + x], expected)
                    << "round " << round << " pixel " << gx << "," << gy;
            }
    }
}

TEST(ImageRle, MultiMixWithIdentityOrZeroBias)
{
    picture p(5, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 5; ++x) p.set(x, y, x < 3 ? A : px(uint8_t(x), 50, 60, 70));
    const packed s(p, 8, 2, 4);
    int zero[4] = {0, 0, 0, 0}, full[4] = {256, 256, 256, 256};
    std::vector<uint32_t> out(16);
    TEX_unpack_multi_mix_rle(s.stream, s.stream, 0, 0, 8, 2, reinterpret_cast<unsigned char*>(out.data()),
                             zero, zero, zero, zero, full);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(out[y * 8 + x], x < 5 ? p.get(x, y) : 0u) << x;
    TEX_unpack_multi_mix_rle(s.stream, s.stream, 0, 0, 8, 2, reinterpret_cast<unsigned char*>(out.data()),
                             zero, zero, zero, zero, zero);
    EXPECT_EQ(out, std::vector<uint32_t>(16, 0u));
}

TEST(ImageRle, PackRgbaInterleavesAndZeroesMissingChannels)
{
    const unsigned char alpha[3] = {7, 8, 9};
    bytes out(12, 0xEE);
    TEX_pack_rgba(nullptr, nullptr, nullptr, alpha, 3, out.data());
    EXPECT_EQ(out, (bytes{0, 0, 0, 7, 0, 0, 0, 8, 0, 0, 0, 9}));
    const unsigned char r[2] = {1, 2}, g[2] = {3, 4}, b[2] = {5, 6};
    TEX_pack_rgba(r, g, b, alpha, 2, out.data());
    EXPECT_EQ(bytes(out.begin(), out.begin() + 8), (bytes{1, 3, 5, 7, 2, 4, 6, 8}));
}
