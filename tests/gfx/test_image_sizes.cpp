#include <gtest/gtest.h>

#include <squish.h>

#include "gfx/images/image_desc.h"
#include "image_fixtures.h"

namespace {

}  // namespace

TEST(ImageSizes, UncompressedChainsCountPaddingOnEveryLevel)
{
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_RGBA, 4, 4, 0, 1)), 84u);
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_RGBA, 4, 4, 4, 1)), 112u);
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_RGB, 3, 2, 3)), 24u);
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_BGR, 5, 3, 0, 1)), 45u + 6u + 3u)
        << "5x3 -> 2x1 -> 1x1";
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_ALPHA, 7, 1, 1)), 8u);
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_DEPTH_COMPONENT, 2, 2, 9)), 16u)
        << "depth rows are never padded";
}

TEST(ImageSizes, DxtLevelsMatchLibsquishDownToSingleBlocks)
{
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_COMPRESSED_RGB_S3TC_DXT1_EXT, 1, 1)), 8u);
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 1, 1)), 16u);
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 256, 256, 0, 1)),
              87408u);
    const struct { unsigned int format; int flag; } kinds[] = {
        {GL_COMPRESSED_RGB_S3TC_DXT1_EXT, squish::kDxt1},
        {GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, squish::kDxt1},
        {GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, squish::kDxt3},
        {GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, squish::kDxt5},
    };
    for (const auto& kind : kinds)
        for (int w : {1, 3, 4, 5, 17, 64})
            for (int h : {1, 2, 7, 8, 33})
                EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(kind.format, w, h, 12)),
                          size_t(squish::GetStorageRequirements(w, h, kind.flag)))
                    << std::hex << kind.format << std::dec << " " << w << "x" << h;
}

TEST(ImageSizes, UnknownFormatsAndEmptyImagesNeedNothingAndNeverLoop)
{
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_LUMINANCE, 8, 8, 0, 1)), 0u);
    for (int dx : {0, -1, -100000})
        for (int mips : {0, 1}) {
            EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_RGBA, dx, 4, 0, mips)), 0u) << dx;
            EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_RGBA, 4, dx, 0, mips)), 0u) << dx;
        }
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_RGB, 4, 4, -13)), 0u)
        << "padding that makes the stride negative";
}

TEST(ImageSizes, HugeImagesAreCountedWithoutOverflow)
{
    const size_t side = 65536;
    EXPECT_EQ(TEX_bytes_needed_for_image(image_desc_of(GL_RGBA, 65536, 65536)), side * side * 4);
}

TEST(ImageSizes, MipLevelsHalveEachSideDownToOne)
{
    int dx = 5, dy = 3;
    ASSERT_TRUE(TEX_next_mip_level(dx, dy));
    EXPECT_EQ(dx, 2);
    EXPECT_EQ(dy, 1);
    ASSERT_TRUE(TEX_next_mip_level(dx, dy));
    EXPECT_EQ(dx, 1);
    EXPECT_EQ(dy, 1);
    EXPECT_FALSE(TEX_next_mip_level(dx, dy));
    dx = 0;
    dy = 8;
    EXPECT_FALSE(TEX_next_mip_level(dx, dy)) << "a side of 0 never reaches 1x1";
}
