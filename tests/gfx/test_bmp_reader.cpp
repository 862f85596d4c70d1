#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "gfx_test_helpers.h"
#include "gfx/draw/colour_table.h"
#include "gfx/images/image_files.h"
#include "image_fixtures.h"

namespace {

using bytes = std::vector<unsigned char>;


void decode(decoded_picture& out, const std::string& file, unsigned int format, int row_width = 0,
            int power_of_two = 0)
{
    memory_map map(file);
    out.result = TEX_load_bmp("test.bmp", map.get(), out.data, format, row_width, power_of_two,
                              out.desc);
}

// 2 x 2, bottom row first: magenta, grey (10, 20, 30); blue, white.
const bytes two_by_two = {255, 0, 255, 30, 20, 10, 255, 0, 0, 255, 255, 255};

}  // namespace

TEST(BmpReader, RowsAreFourByteAlignedInTheFile)
{
    const std::string file = make_bmp(2, 2, two_by_two);
    EXPECT_EQ(file.size(), 54u + 2 * 8) << "6 bytes of pixels and 2 of padding per row";
    decoded_picture bmp;
    decode(bmp, file, GL_RGB);
    ASSERT_EQ(bmp.result, 1);
    EXPECT_EQ(bmp.desc.dx, 2);
    EXPECT_EQ(bmp.desc.dy, 2);
    EXPECT_EQ(bmp.desc.pad, 0);
    const unsigned char* g = colr.gamma_table;
    EXPECT_EQ(bmp.range(0, 6), (bytes{g[255], g[0], g[255], g[10], g[20], g[30]}));
    EXPECT_EQ(bmp.range(6, 12), (bytes{g[0], g[0], g[255], g[255], g[255], g[255]}));
}

TEST(BmpReader, MagentaIsTransparentBlackInRgba)
{
    decoded_picture bmp;
    decode(bmp, make_bmp(2, 2, two_by_two), GL_RGBA);
    ASSERT_EQ(bmp.result, 1);
    EXPECT_EQ(bmp.range(0, 4), (bytes{0, 0, 0, 0}));
    EXPECT_EQ(bmp.data[7], 255);
    EXPECT_EQ(bmp.data[15], 255);
}

TEST(BmpReader, GreyIsTheUncorrectedChannelAverage)
{
    decoded_picture bmp;
    decode(bmp, make_bmp(2, 2, two_by_two), GL_ALPHA);
    ASSERT_EQ(bmp.result, 1);
    EXPECT_EQ(bmp.range(0, 4), (bytes{170, 20, 85, 255}));
}

TEST(BmpReader, GammaIsLeftOutWhileTheTableSaysImagesNeedNone)
{
    const colr_class saved = colr;
    colr.gamma_differs = 0;
    decoded_picture bmp;
    decode(bmp, make_bmp(2, 2, two_by_two), GL_RGB);
    colr = saved;
    ASSERT_EQ(bmp.result, 1);
    EXPECT_EQ(bmp.range(3, 6), (bytes{10, 20, 30}));
}

TEST(BmpReader, PaddingModes)
{
    decoded_picture p2;
    decode(p2, make_bmp(3, 3, bytes(27, 90)), GL_RGBA, 0, 1);
    ASSERT_EQ(p2.result, 1);
    EXPECT_EQ(p2.desc.pad, 4);
    EXPECT_EQ(p2.range(12, 16), bytes(4, 0)) << "the fourth pixel of row 0";
    EXPECT_EQ(p2.range(48, 64), bytes(16, 0)) << "row 3";

    decoded_picture wide;
    decode(wide, make_bmp(3, 1, bytes(9, 90)), GL_RGB, 8);
    ASSERT_EQ(wide.result, 1);
    EXPECT_EQ(wide.desc.pad, 15);

    gfx_test::captured capture;
    decoded_picture narrow;
    decode(narrow, make_bmp(3, 1, bytes(9, 90)), GL_RGB, 2);
    EXPECT_EQ(narrow.result, 0);
    EXPECT_EQ(narrow.data, nullptr);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Picture does not fit its row width!");

    decoded_picture absurd;
    decode(absurd, make_bmp(3, 1, bytes(9, 90)), GL_RGBA, 0x7FFFFFFF);
    EXPECT_EQ(absurd.result, 0) << "padding that would overflow";
    EXPECT_EQ(gfx_test::alerts().size(), 2u);
}

TEST(BmpReader, PixelsCutShortKeepTheBuffersBytes)
{
    std::string file = make_bmp(2, 2, two_by_two);
    file.resize(54 + 8 + 4);  // the top row holds one whole pixel and a third of another
    bytes buffer(12, 0xAB);
    unsigned char* data = buffer.data();
    TEX_image_desc desc;
    memory_map map(file);
    ASSERT_EQ(TEX_load_bmp("cut.bmp", map.get(), data, GL_RGB, 0, 0, desc), 1);
    EXPECT_NE(buffer[6], 0xAB) << "first pixel of the top row is there";
    EXPECT_EQ(bytes(buffer.begin() + 9, buffer.end()), bytes(3, 0xAB));
}

TEST(BmpReader, UnsupportedKindsAreFatal)
{
    struct kind {
        const char* what;
        std::string file;
        const char* first_line;
    };
    std::string eight_bit = make_bmp(2, 2, two_by_two);
    poke16(eight_bit, 28, 8);
    std::string compressed = make_bmp(2, 2, two_by_two);
    poke32(compressed, 30, 1);
    const kind kinds[] = {
        {"8 bits per pixel", eight_bit, "Wrong bitmap color depth for texture!"},
        {"header cut short", make_bmp(2, 2, two_by_two).substr(0, 29),
         "Wrong bitmap color depth for texture!"},
        {"compressed", compressed, "Bitmap is compressed!"},
    };
    for (const kind& k : kinds) {
        gfx_test::captured capture;
        decoded_picture bmp;
        decode(bmp, k.file, GL_RGB);
        EXPECT_EQ(bmp.result, 0) << k.what;
        ASSERT_EQ(gfx_test::alerts().size(), 1u) << k.what;
        EXPECT_EQ(gfx_test::alerts()[0].line1, k.first_line) << k.what;
        EXPECT_EQ(gfx_test::alerts()[0].line4, "test.bmp") << k.what;
    }
    gfx_test::captured capture;
    decoded_picture bmp;
    decode(bmp, make_bmp(2, 2, two_by_two), GL_BGR);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Illegal desired format for bmp.");
}

TEST(BmpReader, SizesThatDoNotFitAreRefusedBeforeAllocating)
{
    const std::string good = make_bmp(2, 2, two_by_two);
    const struct { const char* what; size_t offset; uint32_t value; } damages[] = {
        {"negative height (top-down)", 22, uint32_t(-2)},
        {"negative width", 18, uint32_t(-2)},
        {"zero width", 18, 0},
        {"huge width", 18, 0x7FFFFFFF},
        {"huge area", 18, 16384},
        {"pixel offset past the end", 10, 1000},
    };
    for (const auto& damage : damages) {
        std::string file = good;
        poke32(file, damage.offset, damage.value);
        if (damage.offset == 18 && damage.value == 16384) poke32(file, 22, 16384);
        gfx_test::captured capture;
        decoded_picture bmp;
        decode(bmp, file, GL_RGBA, 0, 1);
        EXPECT_EQ(bmp.result, 0) << damage.what;
        EXPECT_EQ(bmp.data, nullptr) << damage.what;
        ASSERT_EQ(gfx_test::alerts().size(), 1u) << damage.what;
        EXPECT_EQ(gfx_test::alerts()[0].line1, "Bitmap is damaged or not supported!") << damage.what;
        EXPECT_EQ(gfx_test::alerts()[0].level, 2);
    }
    xmap_class nothing;
    decoded_picture none;
    EXPECT_EQ(TEX_load_bmp("none", &nothing, none.data, GL_RGB, 0, 0, none.desc), 0);
}
