#include <gtest/gtest.h>

#include <squish.h>

#include <cstring>
#include <vector>

#include "gfx_test_helpers.h"
#include "core/files/xmap.h"
#include "gfx/draw/colour_table.h"
#include "gfx/images/dds_codec.h"
#include "image_fixtures.h"
#include "test_support.h"

using testing_support::read_file;
using testing_support::scratch_dir;

namespace {

using bytes = std::vector<unsigned char>;

struct loaded {
    int result = 0;
    unsigned char* data = nullptr;
    TEX_image_desc desc;
};

loaded load(memory_map& map)
{
    loaded out;
    out.result = TEX_load_dds("test.dds", map.get(), out.data, out.desc);
    return out;
}

std::string dxt5_256(bool mips)
{
    return dds_header(256, 256, 0x4, "DXT5", 0, mips) + std::string(87408, '\x11');
}

}  // namespace

TEST(DdsReader, DxtChainPointsIntoTheMapping)
{
    memory_map map(dxt5_256(true));
    const loaded dds = load(map);
    ASSERT_EQ(dds.result, 1);
    EXPECT_EQ(dds.desc.format, unsigned(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT));
    EXPECT_EQ(dds.desc.dx, 256);
    EXPECT_EQ(dds.desc.dy, 256);
    EXPECT_EQ(dds.desc.pad, 0);
    EXPECT_EQ(dds.desc.has_mipmaps, 1);
    EXPECT_EQ(dds.data, reinterpret_cast<const unsigned char*>(map.get()->begin) + 128);
    EXPECT_EQ(TEX_bytes_needed_for_image(dds.desc), 87408u);
}

TEST(DdsReader, MipmapsNeedBothTheFlagAndTheCapsBit)
{
    std::string file = dxt5_256(true);
    poke32(file, 108, 0x1008);
    memory_map map(file);
    const loaded dds = load(map);
    ASSERT_EQ(dds.result, 1);
    EXPECT_EQ(dds.desc.has_mipmaps, 0);
}

TEST(DdsReader, PixelFormats)
{
    const struct {
        const char* what;
        uint32_t flags;
        const char* fourcc;
        uint32_t bits;
        int ok;
        unsigned int format;
    } cases[] = {
        {"DXT1", 0x4, "DXT1", 0, 1, GL_COMPRESSED_RGB_S3TC_DXT1_EXT},
        {"DXT3", 0x4, "DXT3", 0, 1, GL_COMPRESSED_RGBA_S3TC_DXT3_EXT},
        {"another FourCC", 0x4, "ATI2", 0, 0, 0},
        {"DXT1 and the RGB flag", 0x44, "DXT1", 0, 1, GL_BGR},
        {"DXT5 and the RGB and alpha flags", 0x45, "DXT5", 0, 1, GL_BGRA},
        {"32-bit with alpha", 0x41, nullptr, 32, 1, GL_BGRA},
        {"24-bit", 0x40, nullptr, 24, 1, GL_BGR},
        // The flags decide; the bit count is not read.
        {"RGB claiming 32 bits without alpha", 0x40, nullptr, 32, 1, GL_BGR},
        {"RGB with alpha claiming 24 bits", 0x41, nullptr, 24, 1, GL_BGRA},
        {"16-bit RGB", 0x40, nullptr, 16, 1, GL_BGR},
        {"neither FourCC nor RGB", 0x2, "DXT1", 0, 0, 0},
    };
    for (const auto& c : cases) {
        memory_map map(dds_header(8, 8, c.flags, c.fourcc, c.bits, false) + std::string(256, '\0'));
        const loaded dds = load(map);
        EXPECT_EQ(dds.result, c.ok) << c.what;
        if (c.ok) {
            EXPECT_EQ(dds.desc.format, c.format) << c.what;
        }
    }
}

TEST(DdsReader, FilesThatDoNotHoldTheirWholeChainAreRefused)
{
    const std::string whole = dxt5_256(true);
    const struct { const char* what; std::string file; } bad[] = {
        {"chain one byte short", whole.substr(0, whole.size() - 1)},
        {"header only", whole.substr(0, 128)},
        {"header cut short", whole.substr(0, 127)},
        {"wrong magic", "DDS!" + whole.substr(4)},
        {"empty", ""},
    };
    for (const auto& b : bad) {
        memory_map map(b.file);
        EXPECT_EQ(load(map).result, 0) << b.what;
    }
    std::string zero_width = whole, huge = whole, negative = whole;
    poke32(zero_width, 16, 0);
    poke32(huge, 16, 0x40000000);
    poke32(negative, 12, 0xFFFFFFFF);
    for (const std::string* file : {&zero_width, &huge, &negative}) {
        memory_map map(*file);
        EXPECT_EQ(load(map).result, 0);
    }
    // The flags, not the bit count, size the pixels: too few for four bytes each.
    memory_map short_bgra(dds_header(8, 8, 0x41, nullptr, 24, false) + std::string(8 * 8 * 3, '\0'));
    EXPECT_EQ(load(short_bgra).result, 0);
    xmap_class nothing;
    loaded none;
    EXPECT_EQ(TEX_load_dds("none", &nothing, none.data, none.desc), 0);
}

TEST(DdsWriter, RgbBecomesDxtOneWithTheWholeChain)
{
    scratch_dir dir;
    const bytes rgb(4 * 2 * 3, 128);
    ASSERT_EQ(TEX_save_dds(dir / "a.dds", rgb.data(), image_desc_of(GL_RGB, 4, 2)), 1);
    const std::string file = read_file(dir / "a.dds");
    ASSERT_EQ(file.size(), 152u) << "4x2, 2x1 and 1x1, one block each";
    EXPECT_EQ(file.substr(0, 4), "DDS ");
    EXPECT_EQ(peek32(file, 4), 124u);
    EXPECT_EQ(peek32(file, 8), 0x000A1007u);
    EXPECT_EQ(peek32(file, 12), 2u);
    EXPECT_EQ(peek32(file, 16), 4u);
    EXPECT_EQ(peek32(file, 20), 8u) << "linear size";
    EXPECT_EQ(peek32(file, 28), 3u) << "mipmap count";
    EXPECT_EQ(peek32(file, 76), 32u);
    EXPECT_EQ(peek32(file, 80), 4u);
    EXPECT_EQ(file.substr(84, 4), "DXT1");
    EXPECT_EQ(peek32(file, 108), 0x00401008u);

    memory_map map(file);
    const loaded back = load(map);
    ASSERT_EQ(back.result, 1);
    EXPECT_EQ(back.desc.has_mipmaps, 1);
}

TEST(DdsWriter, RgbaBecomesDxtFiveWithLevelsAveragedInPairs)
{
    scratch_dir dir;
    // 1 x 4, bottom row first: the file's top row is the buffer's last.
    const bytes rgba = {0, 0, 0, 0, 100, 100, 100, 100, 200, 200, 200, 200, 255, 255, 255, 255};
    ASSERT_EQ(TEX_save_dds(dir / "b.dds", rgba.data(), image_desc_of(GL_RGBA, 1, 4)), 1);
    const std::string file = read_file(dir / "b.dds");
    ASSERT_EQ(file.size(), 176u);
    EXPECT_EQ(file.substr(84, 4), "DXT5");
    EXPECT_EQ(peek32(file, 28), 3u);

    unsigned char level1[4 * 4 * 4];
    squish::DecompressImage(level1, 1, 2, file.data() + 128 + 16, squish::kDxt5);
    EXPECT_NEAR(level1[3], (255 + 200) >> 1, 1) << "top pair, alpha";
    EXPECT_NEAR(level1[4 + 3], (100 + 0) >> 1, 1) << "bottom pair, alpha";
    EXPECT_NEAR(level1[0], 227, 8) << "top pair, colour";
    unsigned char level2[4 * 4 * 4];
    squish::DecompressImage(level2, 1, 1, file.data() + 128 + 32, squish::kDxt5);
    EXPECT_NEAR(level2[3], (227 + 50) >> 1, 1);
}

TEST(DdsWriter, SinglePixelHasOneLevel)
{
    scratch_dir dir;
    const bytes rgb = {1, 2, 3, 0xEE};
    ASSERT_EQ(TEX_save_dds(dir / "c.dds", rgb.data(), image_desc_of(GL_RGB, 1, 1, 1)), 1);
    const std::string file = read_file(dir / "c.dds");
    EXPECT_EQ(file.size(), 136u);
    EXPECT_EQ(peek32(file, 28), 1u);
}

TEST(DdsWriter, RoundTripComesBackBottomFirstAfterTheFlip)
{
    scratch_dir dir;
    // 8 x 8 RGBA with padding: the bottom half red, the top half blue.
    const int pad = 4, stride = 8 * 4 + pad;
    bytes rgba(size_t(stride) * 8, 0xEE);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            unsigned char* p = &rgba[size_t(y) * stride + x * 4];
            p[0] = y < 4 ? 255 : 0;
            p[1] = 0;
            p[2] = y < 4 ? 0 : 255;
            p[3] = 255;
        }
    ASSERT_EQ(TEX_save_dds(dir / "d.dds", rgba.data(), image_desc_of(GL_RGBA, 8, 8, pad)), 1);
    xmap_class map(dir / "d.dds");
    loaded dds;
    ASSERT_EQ(TEX_load_dds(dir / "d.dds", &map, dds.data, dds.desc), 1);
    ASSERT_EQ(dds.desc.has_mipmaps, 1);
    // The mapping is read-only: flip a copy.
    bytes chain(dds.data, dds.data + TEX_bytes_needed_for_image(dds.desc));
    const colr_class saved = colr;
    colr.gamma_differs = 0;
    TEX_flip_y(dds.desc, chain.data());
    colr = saved;
    unsigned char pixels[8 * 8 * 4];
    squish::DecompressImage(pixels, 8, 8, chain.data(), squish::kDxt5);
    EXPECT_EQ(pixels[0], 255) << "bottom-left is red again";
    EXPECT_EQ(pixels[2], 0);
    EXPECT_EQ(pixels[7 * 32 + 2], 255) << "top-left is blue again";
}

TEST(DdsWriter, FullDiskIsAFailure)
{
    gfx_test::captured capture;
    const bytes rgba(64 * 64 * 4, 77);
    EXPECT_EQ(TEX_save_dds("/dev/full", rgba.data(), image_desc_of(GL_RGB, 4, 4)), 0)
        << "small enough to fail only when the file closes";
    EXPECT_EQ(TEX_save_dds("/dev/full", rgba.data(), image_desc_of(GL_RGBA, 64, 64)), 0)
        << "level 0 alone overflows the stream's buffer";
    EXPECT_EQ(TEX_save_dds("/nonexistent-folder/x.dds", rgba.data(), image_desc_of(GL_RGB, 4, 4)), 0);
    EXPECT_NE(capture.log().find("DDS write failed: No space left on device, /dev/full\n"),
              std::string::npos)
        << capture.log();
}

TEST(DdsWriter, UnsupportedFormatIsFatal)
{
    gfx_test::captured capture;
    const bytes data(16);
    EXPECT_EQ(TEX_save_dds("never.dds", data.data(), image_desc_of(GL_ALPHA, 4, 4)), 0);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    const gfx_test::alert& a = gfx_test::alerts()[0];
    EXPECT_EQ(a.level, 2);
    EXPECT_EQ(a.line1,
              "rel_assert Error! Possibly an out of range vector! Attach the debugger and see who called this!");
    EXPECT_EQ(a.line2, "in_desc.format == GL_RGBA || in_desc.format == GL_RGB");
    EXPECT_EQ(a.line3, "TEX_save_dds");
    EXPECT_EQ(a.line4, "Please report this to Orrindale Labs.");
}
