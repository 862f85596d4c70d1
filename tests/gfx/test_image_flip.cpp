#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include <squish.h>

#include "gfx_test_helpers.h"
#include "gfx/draw/colour_table.h"
#include "gfx/images/dxt_blocks.h"
#include "gfx/images/image_desc.h"
#include "image_fixtures.h"

namespace {

// The gamma of the colour table is global; each test sets what it needs and
// gets the default back afterwards.
class ImageFlip : public testing::Test {
protected:
    void SetUp() override { saved_ = colr; }
    void TearDown() override { colr = saved_; }
    colr_class saved_;
};

int squish_flag(unsigned int format)
{
    switch (format) {
    case GL_COMPRESSED_RGBA_S3TC_DXT3_EXT: return squish::kDxt3;
    case GL_COMPRESSED_RGBA_S3TC_DXT5_EXT: return squish::kDxt5;
    default: return squish::kDxt1;
    }
}

// RGBA levels of a random picture, each half the one before, with enough
// transparency to make DXT1 use its transparent colour.
std::vector<std::vector<unsigned char>> random_levels(int dx, int dy, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<std::vector<unsigned char>> levels;
    do {
        std::vector<unsigned char> level(size_t(dx) * dy * 4);
        for (size_t i = 0; i < level.size(); ++i)
            level[i] = (i % 4 == 3) ? ((rng() % 4) ? 255 : 0) : rng() & 0xFF;
        levels.push_back(level);
    } while (TEX_next_mip_level(dx, dy));
    return levels;
}

std::vector<unsigned char> upside_down(const std::vector<unsigned char>& rgba, int dx, int dy)
{
    std::vector<unsigned char> out(rgba.size());
    for (int y = 0; y < dy; ++y)
        std::memcpy(&out[size_t(y) * dx * 4], &rgba[size_t(dy - 1 - y) * dx * 4], size_t(dx) * 4);
    return out;
}

}  // namespace

TEST_F(ImageFlip, RowsOfUncompressedImagesSwapAroundTheMiddleRow)
{
    // 2 x 3 RGB with one byte of padding per row: rows of 7 bytes.
    std::vector<unsigned char> data = {1, 1, 1, 1, 1, 1, 9, 2, 2, 2, 2, 2, 2, 9, 3, 3, 3, 3, 3, 3, 9};
    EXPECT_EQ(TEX_flip_y(image_desc_of(GL_RGB, 2, 3, 1), data.data()), 0);
    EXPECT_EQ(data, (std::vector<unsigned char>{3, 3, 3, 3, 3, 3, 9, 2, 2, 2, 2, 2, 2, 9, 1, 1, 1,
                                                1, 1, 1, 9}));
}

TEST_F(ImageFlip, EveryLevelOfAnUncompressedChainIsFlipped)
{
    // GL_ALPHA 2 x 4 -> 1 x 2 -> 1 x 1.
    std::vector<unsigned char> data = {1, 2, 3, 4, 5, 6, 7, 8, 10, 20, 30};
    TEX_flip_y(image_desc_of(GL_ALPHA, 2, 4, 0, 1), data.data());
    EXPECT_EQ(data, (std::vector<unsigned char>{7, 8, 5, 6, 3, 4, 1, 2, 20, 10, 30}));
}

namespace {

// Compresses random levels with libsquish, flips them and checks that every
// level decodes to the original's pixels upside down.
void expect_flip_matches_pixels(unsigned int format, int dx, int dy, int mips)
{
    const int flag = squish_flag(format);
    auto levels = random_levels(dx, dy, format);
    if (!mips) levels.resize(1);
    std::vector<unsigned char> blocks;
    std::vector<std::vector<unsigned char>> before;
    int w = dx, h = dy;
    for (const auto& level : levels) {
        std::vector<unsigned char> packed(size_t(squish::GetStorageRequirements(w, h, flag)));
        squish::CompressImage(level.data(), w, h, packed.data(), flag);
        std::vector<unsigned char> decoded(level.size());
        squish::DecompressImage(decoded.data(), w, h, packed.data(), flag);
        before.push_back(decoded);
        blocks.insert(blocks.end(), packed.begin(), packed.end());
        TEX_next_mip_level(w, h);
    }
    const TEX_image_desc desc = image_desc_of(format, dx, dy, 0, mips);
    ASSERT_EQ(blocks.size(), TEX_bytes_needed_for_image(desc));

    TEX_flip_y(desc, blocks.data());

    w = dx;
    h = dy;
    size_t offset = 0;
    for (const auto& decoded_before : before) {
        std::vector<unsigned char> after(decoded_before.size());
        squish::DecompressImage(after.data(), w, h, &blocks[offset], flag);
        EXPECT_EQ(after, upside_down(decoded_before, w, h))
            << "format " << std::hex << format << std::dec << " level " << w << "x" << h;
        offset += size_t(squish::GetStorageRequirements(w, h, flag));
        TEX_next_mip_level(w, h);
    }
}

}  // namespace

TEST_F(ImageFlip, DxtChainsFlipLikeTheirPixelsIncludingMiddleRowsAndSmallLevels)
{
    colr.gamma_differs = 0;  // a pure flip decodes to exactly the flipped pixels
    for (unsigned int format : {GL_COMPRESSED_RGB_S3TC_DXT1_EXT, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT,
                                GL_COMPRESSED_RGBA_S3TC_DXT5_EXT}) {
        // An even count of block rows, then single block rows and levels
        // under four pixels high.
        expect_flip_matches_pixels(format, 8, 16, 1);
        expect_flip_matches_pixels(format, 16, 4, 1);
        // Three block rows: the middle one stays but turns within its blocks.
        expect_flip_matches_pixels(format, 8, 12, 0);
    }
}

TEST_F(ImageFlip, DxtOneReportsItsTransparentColourOnlyWhenABlockUsesIt)
{
    colr.gamma_differs = 0;
    DXTColBlock four_colour = {0xF800, 0x001F, {0xFF, 0xFF, 0xFF, 0xFF}};
    DXTColBlock three_colour_opaque = {0x001F, 0xF800, {0x22, 0x00, 0x11, 0x22}};
    DXTColBlock three_colour_clear = {0x001F, 0xF800, {0x00, 0xC0, 0x00, 0x00}};

    std::vector<DXTColBlock> opaque(4, four_colour);
    opaque[1] = three_colour_opaque;
    EXPECT_EQ(TEX_flip_y(image_desc_of(GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 8, 8), reinterpret_cast<unsigned char*>(opaque.data())), 0);

    std::vector<DXTColBlock> clear(4, four_colour);
    clear[3] = three_colour_clear;
    EXPECT_NE(TEX_flip_y(image_desc_of(GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 8, 8), reinterpret_cast<unsigned char*>(clear.data())), 0);
    EXPECT_EQ(clear[1].row[2], 0xC0) << "block rows swapped and index rows reversed";
    EXPECT_EQ(clear[1].row[1], 0x00);

    EXPECT_NE(nv_flip_blocks_dxtc1(&four_colour, 1, 1), 0) << "an earlier finding carries through";
    EXPECT_EQ(nv_flip_blocks_dxtc5(&four_colour, 0, 1), 0) << "only DXT1 reports alpha";
}

TEST_F(ImageFlip, DxtFiveAlphaRowsReverseAsTwelveBitFields)
{
    // Rows 0x001, 0x002, 0x003, 0x004 from the lowest bits up.
    DXT5AlphaBlock block = {7, 9, {0x01, 0x20, 0x00, 0x03, 0x40, 0x00}};
    nv_flip_dxt5_alpha(&block);
    const DXT5AlphaBlock expected = {7, 9, {0x04, 0x30, 0x00, 0x02, 0x10, 0x00}};
    EXPECT_EQ(std::memcmp(&block, &expected, sizeof block), 0);
}

TEST_F(ImageFlip, GammaKeepsTheBlockModeWhenEndpointsMeet)
{
    std::memset(colr.gamma_table, 128, sizeof colr.gamma_table);  // every endpoint meets
    const unsigned short met = (16 << 11) | (32 << 5) | 16;

    DXTColBlock four = {0x8000, 0x4000, {0x1B, 0xE4, 0x00, 0xFF}};
    nv_gamma_correct(&four);
    unsigned short one_up = met;
    ASSERT_TRUE(IncColor565(one_up));
    EXPECT_EQ(four.col0, one_up) << "colour 0 one step above colour 1";
    EXPECT_EQ(four.col1, met);
    EXPECT_EQ(four.row[0], 0x1B ^ 0x55);
    EXPECT_EQ(four.row[1], 0xE4 ^ 0x55);
    EXPECT_EQ(four.row[2], 0x55);
    EXPECT_EQ(four.row[3], 0xAA);

    DXTColBlock three = {0x4000, 0x8000, {0x1B, 0, 0, 0}};
    nv_gamma_correct(&three);
    EXPECT_EQ(three.col0, met);
    EXPECT_EQ(three.col1, met);
    EXPECT_EQ(three.row[0], 0x1B) << "the mode held, so no index moves";

    std::memset(colr.gamma_table, 255, sizeof colr.gamma_table);  // everything turns white
    DXTColBlock white = {0x8000, 0x4000, {0, 0, 0, 0}};
    nv_gamma_correct(&white);
    EXPECT_EQ(white.col0, 0xFFFF);
    EXPECT_EQ(white.col1, 0xFFDF) << "green lowered by one below white";
    EXPECT_EQ(white.row[0], 0x55);
}

TEST_F(ImageFlip, GammaSwapsEndpointsAndIndicesWhenCorrectionWouldReverseThem)
{
    for (int i = 0; i < 256; ++i) colr.gamma_table[i] = static_cast<unsigned char>(255 - i);
    // Three-colour block: index 0 <-> 1, 2 and 3 (transparent) stay.
    DXTColBlock three = {0x0000, 0xFFFF, {0xE4, 0, 0, 0}};  // indices 0, 1, 2, 3
    nv_gamma_correct(&three);
    EXPECT_LE(three.col0, three.col1) << "still three-colour";
    EXPECT_EQ(three.row[0], 0xE1) << "indices 1, 0, 2, 3";
}

TEST_F(ImageFlip, FlipsCorrectGammaOnlyWhileTheTableSaysSo)
{
    DXTColBlock block = {0x8410, 0x4208, {1, 2, 3, 4}};
    DXTColBlock plain = block;
    colr.gamma_differs = 0;
    nv_flip_blocks_dxtc1(&plain, 1, 0);
    EXPECT_EQ(plain.col0, 0x8410);
    EXPECT_EQ(plain.row[0], 4);
    colr.gamma_differs = 1;
    nv_flip_blocks_dxtc1(&block, 1, 0);
    EXPECT_NE(block.col0, 0x8410) << "mid grey is brightened for the display";
}

TEST_F(ImageFlip, ColourStepsStopAtWhiteAndBlack)
{
    unsigned short c = 0xFFFF;
    EXPECT_FALSE(IncColor565(c));
    EXPECT_EQ(c, 0xFFFF);
    c = 0;
    EXPECT_FALSE(DecColor565(c));
    EXPECT_EQ(c, 0);
    c = 0x07E0;  // green full: blue steps next
    EXPECT_TRUE(IncColor565(c));
    EXPECT_EQ(c, 0x07E1);
    c = 0x07FF;  // green and blue full: red steps
    EXPECT_TRUE(IncColor565(c));
    EXPECT_EQ(c, 0x0FFF);
    c = 0xF800;  // only red left to lower
    EXPECT_TRUE(DecColor565(c));
    EXPECT_EQ(c, 0xF000);
}

TEST_F(ImageFlip, UnknownFormatIsAFatalAlert)
{
    gfx_test::captured capture;
    unsigned char data[64] = {};
    EXPECT_EQ(TEX_flip_y(image_desc_of(GL_DEPTH_COMPONENT, 4, 4), data), 0);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Illegal format!");
    EXPECT_EQ(gfx_test::alerts()[0].level, 2);
}
