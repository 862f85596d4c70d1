#include <gtest/gtest.h>

#include <png.h>

#include <cstdlib>
#include <random>
#include <vector>

#include "gfx_test_helpers.h"
#include "core/files/xmap.h"
#include "gfx/images/image_files.h"
#include "gfx/shared_buffers.h"
#include "test_support.h"
#include "image_fixtures.h"

using testing_support::scratch_dir;

namespace {

using bytes = std::vector<unsigned char>;

// The file as a plain reader sees it: top row first, no gamma applied.
struct plain_png {
    png_uint_32 width = 0, height = 0;
    int colour_type = -1;
    double gamma = 0;
    bytes pixels;
};

plain_png read_plain(const std::string& path)
{
    plain_png out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(f);
        return plain_png();
    }
    png_init_io(png, f);
    png_read_info(png, info);
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.colour_type = png_get_color_type(png, info);
    png_get_gAMA(png, info, &out.gamma);
    const size_t row = png_get_rowbytes(png, info);
    out.pixels.resize(row * out.height);
    std::vector<png_bytep> rows;
    for (png_uint_32 y = 0; y < out.height; ++y) rows.push_back(&out.pixels[row * y]);
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);
    return out;
}

}  // namespace

TEST(PngWriter, WritesAnUprightPictureWithDisplayGamma)
{
    scratch_dir dir;
    // 2 x 2 RGB, bottom row first, one padding byte per row.
    const bytes data = {1, 2, 3, 4, 5, 6, 0xEE, 7, 8, 9, 10, 11, 12, 0xEE};
    ASSERT_EQ(TEX_save_png(dir / "out.png", image_desc_of(GL_RGB, 2, 2, 1), data.data()), 1);
    const plain_png file = read_plain(dir / "out.png");
    EXPECT_EQ(file.width, 2u);
    EXPECT_EQ(file.height, 2u);
    EXPECT_EQ(file.colour_type, PNG_COLOR_TYPE_RGB);
    EXPECT_NEAR(file.gamma, 1 / 2.2, 1e-5);
    EXPECT_EQ(file.pixels, (bytes{7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}))
        << "the buffer's first row is the picture's bottom row";
}

TEST(PngWriter, RoundTripsThroughTheReaderForEveryFormat)
{
    scratch_dir dir;
    const struct { unsigned int format; int bpp; int colour_type; } kinds[] = {
        {GL_ALPHA, 1, PNG_COLOR_TYPE_GRAY}, {GL_RGB, 3, PNG_COLOR_TYPE_RGB},
        {GL_RGBA, 4, PNG_COLOR_TYPE_RGBA}};
    for (const auto& kind : kinds) {
        bytes data(size_t(kind.bpp) * 5 * 3);
        for (size_t i = 0; i < data.size(); ++i) data[i] = (unsigned char)(i * 29 + 3);
        ASSERT_EQ(TEX_save_png(dir / "rt.png", image_desc_of(kind.format, 5, 3), data.data()), 1);
        EXPECT_EQ(read_plain(dir / "rt.png").colour_type, kind.colour_type);
        unsigned char* back = nullptr;
        TEX_image_desc desc;
        xmap_class map(dir / "rt.png");
        ASSERT_EQ(TEX_load_png(dir / "rt.png", &map, back, kind.format, 0, 0, 0, desc), 1);
        EXPECT_EQ(bytes(back, back + data.size()), data) << "format " << kind.format;
        std::free(back);
    }
}

// A full disk, a missing folder and a device are failures the log names;
// a device (as a link, a pipe or a second name of another file) is never
// opened for writing at all.
TEST(PngWriter, FullDiskAndMissingFolderAreFailures)
{
    gfx_test::captured capture;
    bytes small(4 * 4 * 3, 100), large(256 * 256 * 3);
    std::mt19937 noise(3);  // incompressible, so libpng's writes overflow the stream's buffer
    for (unsigned char& b : large) b = (unsigned char)noise();
    scratch_dir dir;
    // Filled to the last byte before the pictures come: none fits.
    const testing_support::small_disk disk(dir.path(), "64k");
    if (disk.mounted()) {
        testing_support::run_shell("head -c 1M /dev/zero >'" + dir / "filler" + "'");
        EXPECT_EQ(TEX_save_png(dir / "small.png", image_desc_of(GL_RGB, 4, 4), small.data()), 0)
            << "a picture small enough to sit in the stream's buffer until it closes";
        EXPECT_EQ(TEX_save_png(dir / "large.png", image_desc_of(GL_RGB, 256, 256), large.data()), 0)
            << "a picture that fills the buffer while libpng writes";
    }
    EXPECT_EQ(TEX_save_png("/nonexistent-folder/x.png", image_desc_of(GL_RGB, 4, 4), small.data()), 0);
    EXPECT_EQ(TEX_save_png("/dev/full", image_desc_of(GL_RGB, 4, 4), small.data()), 0);
    EXPECT_TRUE(gfx_test::alerts().empty()) << alert_summary();
    const std::string log = capture.log();
    EXPECT_TRUE(!disk.mounted() || log.find("PNG write failed: No space left on device, " + dir / "small.png\n") !=
                                       std::string::npos)
        << log;
    EXPECT_TRUE(!disk.mounted() || log.find("PNG write failed: Write Error, " + dir / "large.png\n") != std::string::npos)
        << "libpng's own message when a write fails midway\n" << log;
    EXPECT_NE(log.find("Not writing /nonexistent-folder/x.png: /nonexistent-folder/x.png: No such file or directory.\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("Not writing /dev/full: /dev/full is not a regular file.\n"), std::string::npos) << log;
}

TEST(PngWriter, UnknownFormatIsFatal)
{
    scratch_dir dir;
    gfx_test::captured capture;
    bytes data(16);
    EXPECT_EQ(TEX_save_png(dir / "x.png", image_desc_of(GL_BGRA, 2, 2), data.data()), 0);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Illegal pixel format for png-write.");
    EXPECT_EQ(gfx_test::alerts()[0].line2, dir / "x.png");
    EXPECT_FALSE(testing_support::file_exists(dir / "x.png"));
}

TEST(PngWriter, ScreenBufferIsWrittenUprightFromItsStart)
{
    scratch_dir dir;
    const size_t row = 800 * 3;
    for (int y = 0; y < 600; ++y)
        for (size_t i = 0; i < row; ++i) scratch_array[y * row + i] = (unsigned char)(y + i % 3);
    scratch_array[600 * row] = 0x5A;  // beyond the picture: must not matter
    ASSERT_EQ(write_png_to_disk(dir / "shot.png", 800, 600, 3), 1);
    const plain_png file = read_plain(dir / "shot.png");
    ASSERT_EQ(file.width, 800u);
    ASSERT_EQ(file.height, 600u);
    EXPECT_EQ(file.colour_type, PNG_COLOR_TYPE_RGB);
    EXPECT_NEAR(file.gamma, 1 / 2.2, 1e-5);
    EXPECT_EQ(file.pixels[599 * row], scratch_array[0]) << "the first buffer row is the last PNG row";
    EXPECT_EQ(file.pixels[0], scratch_array[599 * row]);

    ASSERT_EQ(write_png_to_disk(dir / "rgba.png", 2, 2, 4), 1);
    EXPECT_EQ(read_plain(dir / "rgba.png").colour_type, PNG_COLOR_TYPE_RGBA);
    EXPECT_EQ(write_png_to_disk(dir / "huge.png", 4096, 4096, 3), 0)
        << "more than the shared buffer holds";
    EXPECT_FALSE(testing_support::file_exists(dir / "huge.png"));
}
