#include <gtest/gtest.h>

#include <vector>

#include "gfx/images/pixel_ops.h"
#include "image_fixtures.h"

namespace {

using bytes = std::vector<unsigned char>;

}  // namespace

TEST(PixelOps, DownscaleSumsBoxesAndTruncates)
{
    bytes data = {10, 20, 30, 40, 11, 21, 31, 41, 12, 22, 32, 42, 13, 23, 33, 43};
    TEX_image_desc desc = image_desc_of(GL_RGBA, 2, 2);
    TEX_downscale(desc, data.data(), 2, 2);
    EXPECT_EQ(desc.dx, 1);
    EXPECT_EQ(desc.dy, 1);
    EXPECT_EQ(bytes(data.begin(), data.begin() + 4), (bytes{11, 21, 31, 41}));
}

TEST(PixelOps, DownscaleDropsLeftoverColumnsAndKeepsPaddingWidth)
{
    // 5 x 3 GL_ALPHA with 2 bytes of padding per row: stride 7.
    bytes data = {1, 3, 5, 7, 99, 0, 0,
                  3, 5, 7, 9, 99, 0, 0,
                  99, 99, 99, 99, 99, 0, 0};
    TEX_image_desc desc = image_desc_of(GL_ALPHA, 5, 3, 2);
    TEX_downscale(desc, data.data(), 2, 2);
    EXPECT_EQ(desc.dx, 2);
    EXPECT_EQ(desc.dy, 1);
    EXPECT_EQ(data[0], 3);
    EXPECT_EQ(data[1], 7);
    TEX_image_desc wide = image_desc_of(GL_RGB, 4, 1);
    bytes row = {0, 0, 0, 3, 3, 3, 200, 100, 50, 100, 50, 25};
    TEX_downscale(wide, row.data(), 2, 1);
    EXPECT_EQ(bytes(row.begin(), row.begin() + 6), (bytes{1, 1, 1, 150, 75, 37}));
}

TEST(PixelOps, ZapAlphaBlackensOnlyTransparentPixels)
{
    // 1 x 2 RGBA with three bytes of padding per row (stride 7).
    bytes data = {9, 9, 9, 0, 77, 77, 77, 8, 8, 8, 1, 77, 77, 77};
    TEX_zap_alpha(image_desc_of(GL_RGBA, 1, 2, 3), data.data());
    EXPECT_EQ(data, (bytes{0, 0, 0, 0, 77, 77, 77, 8, 8, 8, 1, 77, 77, 77}));
}

TEST(PixelOps, CleanEdgeAveragesOpaqueNeighboursWithinTwoPixels)
{
    // 6 x 1: opaque pixels at 0 and 1, transparent elsewhere.
    bytes data(6 * 4, 0);
    const unsigned char a[4] = {10, 20, 30, 255}, b[4] = {21, 41, 61, 255};
    std::copy(a, a + 4, &data[0]);
    std::copy(b, b + 4, &data[4]);
    data[5 * 4] = 55;  // far from every opaque pixel
    TEX_clean_edge(image_desc_of(GL_RGBA, 6, 1), data.data());
    EXPECT_EQ(bytes(&data[8], &data[12]), (bytes{15, 30, 45, 0})) << "both neighbours, truncated";
    EXPECT_EQ(bytes(&data[12], &data[16]), (bytes{21, 41, 61, 0})) << "only the nearer one";
    EXPECT_EQ(data[20], 55) << "no opaque pixel in reach: unchanged";
}

TEST(PixelOps, CleanEdgeInACornerUsesTheClippedWindow)
{
    bytes data(5 * 5 * 4, 0);
    auto at = [&](int x, int y) { return &data[(y * 5 + x) * 4]; };
    at(2, 2)[0] = 100, at(2, 2)[3] = 255;  // outside the corner's 3 x 3 window
    at(1, 0)[0] = 40, at(1, 0)[3] = 255;
    at(0, 1)[0] = 20, at(0, 1)[3] = 255;
    TEX_clean_edge(image_desc_of(GL_RGBA, 5, 5), data.data());
    EXPECT_EQ(at(0, 0)[0], (40 + 20 + 100) / 3) << "2,2 is inside the clipped 5x5 window";
    EXPECT_EQ(at(4, 4)[0], 100) << "only 2,2 reaches the far corner";
}

TEST(PixelOps, CopyPlacesTheSourceAtItsCornerRespectingStrides)
{
    bytes src = {1, 2, 3, 4, 5, 6, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE};  // 2 x 2 RGB, pad 1
    bytes dst(4 * 3 * 3, 0);                                           // 4 x 3 RGB
    TEX_copy(image_desc_of(GL_RGB, 2, 2, 1), image_desc_of(GL_RGB, 4, 3), src.data(), dst.data(), 1, 1);
    EXPECT_EQ(bytes(&dst[12 + 3], &dst[12 + 9]), (bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(bytes(&dst[24 + 3], &dst[24 + 9]), (bytes{7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(dst[12 + 9], 0) << "padding is not copied";
    EXPECT_EQ(dst[0], 0);
}

TEST(PixelOps, ChromaKeyToleranceIsExclusive)
{
    const unsigned char key[3] = {255, 0, 255};
    bytes data = {255, 0, 255, 200, 254, 0, 255, 200};
    bytes copy = data;
    TEX_chroma_key(image_desc_of(GL_RGBA, 2, 1), copy.data(), key, 0);
    EXPECT_EQ(copy, data) << "tolerance 0 keys nothing";
    TEX_chroma_key(image_desc_of(GL_RGBA, 2, 1), data.data(), key, 1);
    EXPECT_EQ(data, (bytes{255, 0, 255, 0, 254, 0, 255, 200})) << "tolerance 1 keys the key only";
}

TEST(PixelOps, CompositeOfADegenerateRectangleCoversOneColumnOrNothing)
{
    // Source 4 x 1 RGB; its middle sample x = 2 is pixel 2.
    bytes src = {0, 0, 0, 0, 0, 0, 200, 100, 50, 0, 0, 0};
    bytes dst(16 * 1 * 3, 7);
    TEX_composite(image_desc_of(GL_RGB, 4, 1), image_desc_of(GL_RGB, 16, 1), src.data(), dst.data(), 10.0f,
                  0.0f, 10.0f, 1.0f);
    EXPECT_EQ(dst, bytes(16 * 3, 7)) << "left = right = 10.0 covers nothing";
    TEX_composite(image_desc_of(GL_RGB, 4, 1), image_desc_of(GL_RGB, 16, 1), src.data(), dst.data(), 10.5f,
                  0.0f, 10.5f, 1.0f);
    EXPECT_EQ(bytes(&dst[30], &dst[33]), (bytes{200, 100, 50})) << "column 10 takes pixel 2";
    EXPECT_EQ(dst[27], 7);
    EXPECT_EQ(dst[33], 7);
}

TEST(PixelOps, CompositeBlendsBySourceAlphaAndAddsAlpha)
{
    // 1 x 1 RGBA source half transparent, drawn over a 2 x 1 RGBA destination.
    bytes src = {200, 100, 0, 128};
    bytes dst = {0, 0, 100, 100, 50, 50, 50, 200};
    TEX_composite(image_desc_of(GL_RGBA, 1, 1), image_desc_of(GL_RGBA, 2, 1), src.data(), dst.data(), 0.0f,
                  0.0f, 1.0f, 1.0f);
    const float w = 128 / 255.0f;
    EXPECT_EQ(dst[0], static_cast<int>(200 * w));
    EXPECT_EQ(dst[1], static_cast<int>(100 * w));
    EXPECT_EQ(dst[2], static_cast<int>(100 * (1 - w)));
    EXPECT_EQ(dst[3], 228) << "source alpha added to the destination's";
    EXPECT_EQ(bytes(&dst[4], &dst[8]), (bytes{50, 50, 50, 200})) << "outside the rectangle";

    bytes opaque_dst = {0, 0, 0, 250};
    bytes rgb_src = {90, 90, 90};
    TEX_composite(image_desc_of(GL_RGB, 1, 1), image_desc_of(GL_RGBA, 1, 1), rgb_src.data(),
                  opaque_dst.data(), 0.0f, 0.0f, 1.0f, 1.0f);
    EXPECT_EQ(opaque_dst, (bytes{90, 90, 90, 255})) << "alpha clamps at 255";
}
