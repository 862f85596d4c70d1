#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "gfx_test_helpers.h"
#include "gfx/draw/colour_table.h"
#include "gfx/images/image_files.h"
#include "image_fixtures.h"

namespace {

using bytes = std::vector<unsigned char>;


void decode(decoded_picture& out, const std::string& file, unsigned int format, int row_width = 0,
            int power_of_two = 0, int follow_alpha = 0)
{
    memory_map map(file);
    out.result = TEX_load_png("test.png", map.get(), out.data, format, row_width, power_of_two,
                              follow_alpha, out.desc);
}

// 3 x 2 RGB: top row red, green, blue; bottom row white, black, white.
png_recipe three_by_two()
{
    png_recipe recipe;
    recipe.width = 3;
    recipe.height = 2;
    recipe.rows = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 255, 255, 255};
    return recipe;
}

}  // namespace

TEST(PngReader, RowsArriveBottomFirstWithoutPadding)
{
    decoded_picture png;
    decode(png, encode_png(three_by_two()), GL_RGB);
    ASSERT_EQ(png.result, 1);
    EXPECT_EQ(png.desc.format, unsigned(GL_RGB));
    EXPECT_EQ(png.desc.dx, 3);
    EXPECT_EQ(png.desc.dy, 2);
    EXPECT_EQ(png.desc.pad, 0);
    EXPECT_EQ(png.desc.has_mipmaps, 0);
    EXPECT_EQ(png.range(0, 9), (bytes{255, 255, 255, 0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(png.range(9, 18), (bytes{255, 0, 0, 0, 255, 0, 0, 0, 255})) << "the top row last";
}

TEST(PngReader, PowerOfTwoModePadsBothSidesWithZeros)
{
    decoded_picture png;
    decode(png, encode_png(three_by_two()), GL_RGB, 0, 1);
    ASSERT_EQ(png.result, 1);
    EXPECT_EQ(png.desc.dx, 3);
    EXPECT_EQ(png.desc.pad, 3) << "stride 12";
    EXPECT_EQ(png.range(9, 12), (bytes{0, 0, 0}));
    EXPECT_EQ(png.range(21, 24), (bytes{0, 0, 0}));
    EXPECT_EQ(png.range(12, 15), (bytes{255, 0, 0}));

    png_recipe five_by_three;
    five_by_three.width = 5;
    five_by_three.height = 3;
    five_by_three.colour_type = PNG_COLOR_TYPE_RGBA;
    five_by_three.rows.assign(5 * 3 * 4, 200);
    decoded_picture rgba;
    decode(rgba, encode_png(five_by_three), GL_RGBA, 0, 1);
    ASSERT_EQ(rgba.result, 1);
    EXPECT_EQ(rgba.desc.dx, 5);
    EXPECT_EQ(rgba.desc.dy, 3);
    EXPECT_EQ(rgba.desc.pad, 12);
    EXPECT_EQ(rgba.range(96, 128), bytes(32, 0)) << "row 3 of the 8 x 4 buffer is empty";
    EXPECT_EQ(rgba.range(20, 32), bytes(12, 0)) << "padding of row 0";
}

TEST(PngReader, RowWidthPadsEveryRow)
{
    png_recipe wide;
    wide.width = 640;
    wide.height = 2;
    wide.colour_type = PNG_COLOR_TYPE_RGBA;
    wide.rows.assign(640 * 2 * 4, 7);
    decoded_picture png;
    decode(png, encode_png(wide), GL_RGBA, 2048);
    ASSERT_EQ(png.result, 1);
    EXPECT_EQ(png.desc.pad, 5632);
    EXPECT_EQ(png.data[8192], 7) << "row 1 starts at the stride of 8192";
}

TEST(PngReader, RowWidthNarrowerThanThePictureIsRefused)
{
    gfx_test::captured capture;
    decoded_picture png;
    png_recipe wide = three_by_two();
    decode(png, encode_png(wide), GL_RGB, 2);
    EXPECT_EQ(png.result, 0);
    EXPECT_EQ(png.data, nullptr);
    ASSERT_EQ(gfx_test::alerts().size(), 1u) << alert_summary();
    EXPECT_EQ(gfx_test::alerts()[0].level, 2);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Picture does not fit its row width!");
}

TEST(PngReader, GreyAndColourConvertToTheWantedChannels)
{
    png_recipe grey;
    grey.width = 2;
    grey.colour_type = PNG_COLOR_TYPE_GRAY;
    grey.rows = {10, 250};
    decoded_picture as_rgb;
    decode(as_rgb, encode_png(grey), GL_RGB);
    ASSERT_EQ(as_rgb.result, 1);
    EXPECT_EQ(as_rgb.range(0, 6), (bytes{10, 10, 10, 250, 250, 250}));

    png_recipe grey_alpha;
    grey_alpha.width = 2;
    grey_alpha.colour_type = PNG_COLOR_TYPE_GRAY_ALPHA;
    grey_alpha.rows = {30, 0, 90, 255};
    decoded_picture as_alpha;
    decode(as_alpha, encode_png(grey_alpha), GL_ALPHA);
    ASSERT_EQ(as_alpha.result, 1);
    EXPECT_EQ(as_alpha.range(0, 2), (bytes{30, 90})) << "grey levels, alpha dropped";

    decoded_picture rgb_as_grey;
    decode(rgb_as_grey, encode_png(three_by_two()), GL_ALPHA);
    ASSERT_EQ(rgb_as_grey.result, 1);
    EXPECT_EQ(rgb_as_grey.range(0, 3), (bytes{255, 0, 255}));
}

TEST(PngReader, AlphaIsAddedOrFollowedAsAsked)
{
    decoded_picture filled;
    decode(filled, encode_png(three_by_two()), GL_RGBA);
    ASSERT_EQ(filled.result, 1);
    EXPECT_EQ(filled.desc.format, unsigned(GL_RGBA));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(filled.data[4 * i + 3], 255) << "pixel " << i;

    decoded_picture followed;
    decode(followed, encode_png(three_by_two()), GL_RGBA, 0, 0, 1);
    ASSERT_EQ(followed.result, 1);
    EXPECT_EQ(followed.desc.format, unsigned(GL_RGB)) << "the file has no alpha";

    png_recipe palette;
    palette.width = 2;
    palette.colour_type = PNG_COLOR_TYPE_PALETTE;
    palette.palette = {255, 0, 0, 0, 0, 255};
    palette.trns = {0, 255};
    palette.rows = {0, 1};
    decoded_picture with_trns;
    decode(with_trns, encode_png(palette), GL_RGB, 0, 0, 1);
    ASSERT_EQ(with_trns.result, 1);
    EXPECT_EQ(with_trns.desc.format, unsigned(GL_RGBA)) << "tRNS gives the palette alpha";
    EXPECT_EQ(with_trns.range(0, 8), (bytes{255, 0, 0, 0, 0, 0, 255, 255}));

    decoded_picture stripped;
    decode(stripped, encode_png(palette), GL_RGB);
    ASSERT_EQ(stripped.result, 1);
    EXPECT_EQ(stripped.range(0, 6), (bytes{255, 0, 0, 0, 0, 255}));
}

TEST(PngReader, SixteenBitAndInterlacedPicturesDecodeLikeEightBitOnes)
{
    png_recipe deep;
    deep.width = 2;
    deep.bit_depth = 16;
    deep.rows = {0x80, 0x00, 0x10, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x40, 0x00, 0xC0, 0x00};
    decoded_picture wide;
    decode(wide, encode_png(deep), GL_RGB);
    ASSERT_EQ(wide.result, 1);
    EXPECT_EQ(wide.range(0, 6), (bytes{0x80, 0x10, 0xFF, 0x00, 0x40, 0xC0}));

    png_recipe plain;
    plain.width = 13;
    plain.height = 11;
    plain.colour_type = PNG_COLOR_TYPE_RGBA;
    for (int i = 0; i < 13 * 11 * 4; ++i) plain.rows.push_back((unsigned char)(i * 37));
    png_recipe interlaced = plain;
    interlaced.interlaced = true;
    decoded_picture a, b;
    decode(a, encode_png(plain), GL_RGBA);
    decode(b, encode_png(interlaced), GL_RGBA);
    ASSERT_EQ(a.result, 1);
    ASSERT_EQ(b.result, 1);
    EXPECT_EQ(a.range(0, 13 * 11 * 4), b.range(0, 13 * 11 * 4));
}

TEST(PngReader, PicturesWithoutGammaAreTakenAsMadeForGammaOnePointEight)
{
    png_recipe grey;
    grey.width = 4;
    grey.colour_type = PNG_COLOR_TYPE_GRAY;
    grey.gamma = 0;
    grey.rows = {0, 64, 128, 255};
    decoded_picture png;
    decode(png, encode_png(grey), GL_ALPHA);
    ASSERT_EQ(png.result, 1);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(png.data[i], colr.gamma_table[grey.rows[i]], 1) << "grey " << int(grey.rows[i]);
    EXPECT_GT(png.data[1], 64) << "mid tones brighten for the display";
}

TEST(PngReader, CallersBufferIsFilledInPlace)
{
    std::vector<unsigned char> buffer(18, 0xAB);
    unsigned char* data = buffer.data();
    TEX_image_desc desc;
    memory_map map(encode_png(three_by_two()));
    ASSERT_EQ(TEX_load_png("x.png", map.get(), data, GL_RGB, 0, 0, 0, desc), 1);
    EXPECT_EQ(data, buffer.data());
    EXPECT_EQ(buffer[9], 255);
}

TEST(PngReader, LibpngWarningsGoToTheLogAndDecodingGoesOn)
{
    gfx_test::captured capture;
    std::string file = encode_png(three_by_two());
    // A text chunk with a broken checksum right after the header.
    const std::string text_chunk = std::string("\0\0\0\x04tEXtabcd", 12) + "oops";
    file.insert(33, text_chunk);
    decoded_picture png;
    decode(png, file, GL_RGB);
    EXPECT_EQ(png.result, 1);
    EXPECT_TRUE(gfx_test::alerts().empty()) << alert_summary();
    const std::string log = capture.log();
    EXPECT_NE(log.find("PNG warning! tEXt: CRC error, test.png\n"), std::string::npos) << log;
}

TEST(PngReader, EmptyOrShortMapsAreNotPngs)
{
    gfx_test::captured capture;
    decoded_picture png;
    decode(png, std::string("\x89PNG", 4), GL_RGB);
    EXPECT_EQ(png.result, 0);
    xmap_class nothing;
    EXPECT_EQ(TEX_load_png("none", &nothing, png.data, GL_RGB, 0, 0, 0, png.desc), 0);
    EXPECT_TRUE(gfx_test::alerts().empty()) << alert_summary();
}

TEST(PngReader, WrongSignatureIsFatal)
{
    gfx_test::captured capture;
    decoded_picture png;
    decode(png, "GIF89a, not a PNG", GL_RGB);
    EXPECT_EQ(png.result, 0);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line2, "is_png=!png_sig_cmp(png_io_buf,0,8)");
    EXPECT_EQ(gfx_test::alerts()[0].line3, "test.png");
}

TEST(PngReader, DamagedFilesWarnWithLibpngsMessageThenFailFatally)
{
    const std::string whole = encode_png(three_by_two());
    for (size_t cut : {size_t(20), size_t(40), whole.size() - 20}) {
        gfx_test::captured capture;
        decoded_picture png;
        decode(png, whole.substr(0, cut), GL_RGB);
        EXPECT_EQ(png.result, 0) << "cut at " << cut;
        EXPECT_EQ(png.data, nullptr) << "nothing left allocated";
        ASSERT_EQ(gfx_test::alerts().size(), 2u) << alert_summary();
        EXPECT_EQ(gfx_test::alerts()[0].level, 1);
        EXPECT_EQ(gfx_test::alerts()[0].line1, "PNG error!");
        EXPECT_EQ(gfx_test::alerts()[0].line3, "test.png");
        EXPECT_EQ(gfx_test::alerts()[1].level, 2);
        EXPECT_EQ(gfx_test::alerts()[1].line1, "PING-FILE ERROR!");
        EXPECT_EQ(gfx_test::alerts()[1].line2, "setjmp(png_ptr->jmpbuf");
    }
    gfx_test::captured capture;
    decoded_picture png;
    decode(png, whole.substr(0, 20), GL_RGB);
    EXPECT_EQ(gfx_test::alerts()[0].line2, "PNG Read Error, overran end of buffer!");
}

TEST(PngReader, HeadersClaimingHugePicturesAreRefusedBeforeAllocating)
{
    const struct { uint32_t w, h; } sizes[] = {{20000, 1}, {1, 0x7FFFFFFF}, {16384, 16384}, {0, 5}};
    for (const auto& size : sizes) {
        gfx_test::captured capture;
        decoded_picture png;
        decode(png, png_header_only(size.w, size.h), GL_RGBA, 0, 1);
        EXPECT_EQ(png.result, 0) << size.w << " x " << size.h;
        EXPECT_EQ(png.data, nullptr);
        ASSERT_EQ(gfx_test::alerts().size(), 2u) << alert_summary();
        EXPECT_EQ(gfx_test::alerts()[1].line1, "PING-FILE ERROR!");
    }
}

TEST(PngReader, UnknownWantedFormatIsFatal)
{
    gfx_test::captured capture;
    decoded_picture png;
    decode(png, encode_png(three_by_two()), GL_BGR);
    ASSERT_FALSE(gfx_test::alerts().empty());
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Illegal bits per pixel");
}
