// The texture load pipeline on Mesa: file choice, decoding by content,
// sizing and padding, the resolution setting and the GPU limit, DDS chains,
// in-memory pictures, reloads, and every way a load can fail.

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "../gfx_test_helpers.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/shared_buffers.h"
#include "gfx/textures/texture_binding.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_object.h"
#include "gfx/window_link.h"
#include "gl_test_environment.h"
#include "texture_fixtures.h"

using gfx_test::captured;

namespace {

GLint bound_texture()
{
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

// A texture object of the test's own, loaded from `path`.
std::unique_ptr<TEX_obj> load(const std::string& path, int flags, tex_fail_mode fail = tex_fail_silent)
{
    auto obj = std::make_unique<TEX_obj>(0, path, flags, fail);
    obj->load();
    return obj;
}

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class TextureLoading : public testing::Test {
protected:
    void TearDown() override
    {
        ogl_win->texture_res_setting = 5;
        glExt.max_tex_size = max_size_;
    }
    int max_size_ = glExt.max_tex_size;
};

}  // namespace

TEST_F(TextureLoading, PngIsPaddedToPowersOfTwoWithOneWarning)
{
    captured run;
    const std::string png = gfx_test::write_png(run.folder() + "odd.png", 300, 200);
    auto obj = load(png, 0x82);
    EXPECT_EQ(obj->dx_vis, 300);
    EXPECT_EQ(obj->dy_vis, 200);
    EXPECT_EQ(obj->dx_tot, 512);
    EXPECT_EQ(obj->dy_tot, 256);
    EXPECT_EQ(obj->format, static_cast<unsigned>(GL_RGBA));
    EXPECT_EQ(obj->vram, 512 * 256 * 4);
    EXPECT_EQ(count(run.log(), "WARNING: texture " + png +
                                   " has a size that is not a power of 2; it may not render correctly.\n"),
              1u);
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, obj->tex_id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    TEX_reset_bind();
    EXPECT_EQ(width, 512);

    auto quiet = load(png, 0x2082);
    EXPECT_EQ(count(run.log(), "WARNING: texture"), 1u) << "flag 0x2000 silences it";
}

TEST_F(TextureLoading, UploadedPixelsAreThePicturesBottomRowFirst)
{
    captured run;
    const std::string png = gfx_test::write_png(run.folder() + "grid.png", 4, 4);
    auto obj = load(png, 0x82);
    ASSERT_GT(obj->vram, 0);
    const auto pixels = gfx_test::texture_pixels(obj->tex_id, 4, 4);
    const auto expected = gfx_test::test_picture(4, 4, 4);
    EXPECT_EQ(pixels, expected);
}

TEST_F(TextureLoading, BmpAndPngAreToldApartByContentNotName)
{
    captured run;
    std::vector<unsigned char> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    const std::string bmp = gfx_test::write_bmp(run.folder() + "really_a_bmp.png", 2, 2, rgb);
    auto obj = load(bmp, 0x81);
    ASSERT_GT(obj->vram, 0) << run.log();
    EXPECT_EQ(obj->format, static_cast<unsigned>(GL_RGB));
    // Rows of two RGB pixels are six bytes: uploaded with GL's default
    // four-byte row alignment the top row would start two bytes late.
    const std::vector<unsigned char> expected = {255, 0, 0, 255, 0, 255, 0, 255,
                                                 0, 0, 255, 255, 255, 255, 255, 255};
    EXPECT_EQ(gfx_test::texture_pixels(obj->tex_id, 2, 2), expected);
}

TEST_F(TextureLoading, DdsBesideThePngWinsAndArrivesFlipped)
{
    captured run;
    gfx_test::write_png(run.folder() + "pic.png", 8, 8, 4);
    // Bottom half red, top half blue: one colour per DXT block, so the
    // compression keeps it exactly and only the row order is in question.
    std::vector<unsigned char> halves(8 * 8 * 4);
    for (int i = 0; i < 64; ++i) {
        const bool top = i >= 32;
        unsigned char* q = &halves[i * 4];
        q[0] = top ? 0 : 255;
        q[1] = 0;
        q[2] = top ? 255 : 0;
        q[3] = 255;
    }
    TEX_image_desc desc;
    desc.format = GL_RGBA;
    desc.dx = desc.dy = 8;
    ASSERT_TRUE(TEX_save_dds(run.folder() + "pic.dds", halves.data(), desc));
    auto obj = load(run.folder() + "pic.png", 0x1082);
    ASSERT_GT(obj->vram, 0) << run.log();
    EXPECT_EQ(obj->format, static_cast<unsigned>(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT));
    EXPECT_EQ(obj->dx_tot, 8);
    EXPECT_EQ(obj->vram, 64) << "the driver's compressed size of level 0";
    EXPECT_EQ(gfx_test::texture_pixels(obj->tex_id, 8, 8), halves) << "rows in GL order";
}

TEST_F(TextureLoading, SizeFollowsTheResolutionSettingTheFlagsAndTheGpu)
{
    struct sizing {
        const char* name;
        int w, h;
        bool dds;
        int setting, flags, max_size;
        int want_w, want_h;
    };
    const sizing cases[] = {
        {"quarter.png", 1024, 1024, false, 3, 0x81, 0, 256, 256},
        {"override.png", 1024, 1024, false, 3, 0x10081, 0, 1024, 1024},
        {"half_of_quarter.png", 1024, 1024, false, 3, 0x8081, 0, 128, 128},
        {"double_of_quarter.png", 1024, 1024, false, 3, 0x4081, 0, 512, 512},
        {"wide.png", 2048, 4, false, 5, 0x81, 1024, 1024, 2},
        {"tiny.png", 4, 4, false, 0, 0x81, 0, 1, 1},
        {"chain.dds", 64, 64, true, 3, 0x1082, 0, 16, 16},
    };
    for (const sizing& c : cases) {
        captured run;
        const std::string path = c.dds ? gfx_test::write_dds(run.folder() + c.name, c.w, c.h)
                                       : gfx_test::write_png(run.folder() + c.name, c.w, c.h);
        ogl_win->texture_res_setting = c.setting;
        glExt.max_tex_size = c.max_size ? c.max_size : max_size_;
        auto obj = load(path, c.flags);
        EXPECT_EQ(obj->dx_tot, c.want_w) << c.name;
        EXPECT_EQ(obj->dy_tot, c.want_h) << c.name;
        EXPECT_GT(obj->vram, 0) << c.name;
        EXPECT_TRUE(gfx_test::alerts().empty()) << c.name << ": " << gfx_test::alerts()[0].line1;
    }
}

TEST_F(TextureLoading, TooWideAPictureStopsTheProgramWhateverTheSetting)
{
    captured run;
    const std::string huge = gfx_test::write_png(run.folder() + "huge.png", 4096, 2);
    ogl_win->texture_res_setting = 0;
    auto obj = load(huge, 0x81);
    ASSERT_FALSE(gfx_test::alerts().empty());
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Trying to create a texture either less than 1 or greater than 2048!");
    EXPECT_EQ(gfx_test::alerts()[0].line2, huge);
    EXPECT_EQ(gfx_test::alerts()[0].line4, "4096");
    EXPECT_EQ(gfx_test::alerts()[0].level, 2);
}

TEST_F(TextureLoading, BadColourCodeAndFlagsAreFatal)
{
    captured run;
    auto no_colour = load("whatever.png", 0x80);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "BAD color enum for tman - see tman.h for valid colors!  We cannot pass 0.");
    auto bad_flags = load("whatever.png", 0x40000);
    ASSERT_EQ(gfx_test::alerts().size(), 2u);
    EXPECT_EQ(gfx_test::alerts()[1].line1, "Trying to bind an invalid filter type!");
    EXPECT_EQ(gfx_test::alerts()[1].line4, "262144");
}

TEST_F(TextureLoading, MissingFileLeavesAPlaceholderThatBindsTheBlankTexture)
{
    captured run;
    auto obj = std::make_unique<TEX_obj>(0, run.folder() + "absent.png", 0x81, tex_fail_silent);
    EXPECT_FALSE(obj->load());
    EXPECT_EQ(obj->loaded, 1);
    EXPECT_EQ(obj->vram, 0);
    EXPECT_EQ(obj->dx_tot, 2);
    EXPECT_EQ(obj->format, static_cast<unsigned>(GL_RGB));
    EXPECT_EQ(obj->tex_id, 0) << "GL is not touched";
    EXPECT_EQ(run.log().find("WARNING"), std::string::npos);
    TEX_reset_bind();
    obj->bind(0, 0);
    EXPECT_EQ(bound_texture(), 950);
}

TEST_F(TextureLoading, FailModesCountLogOrStop)
{
    captured run;
    const std::string absent = run.folder() + "absent.png";
    tman.reset_instl_load_fail();
    load(absent, 0x81, tex_fail_instl);
    EXPECT_TRUE(tman.has_instl_load_fail());
    EXPECT_NE(run.log().find("WARNING: we are missing the texture: " + absent + ".\n"), std::string::npos);
    tman.reset_instl_load_fail();
    EXPECT_FALSE(tman.has_instl_load_fail());

    load(absent, 0x81, tex_fail_fatal);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Trying to load a texture that you do not have!");
    EXPECT_EQ(gfx_test::alerts()[0].line2, "This smacks of a mis-installed copy of Nimbrel!");
    EXPECT_EQ(gfx_test::alerts()[0].line4, absent);
    EXPECT_EQ(gfx_test::alerts()[0].level, 2);
}

TEST_F(TextureLoading, InMemoryPictureAndReloadsKeepTheName)
{
    captured run;
    const auto first = gfx_test::test_picture(4, 4, 4);
    std::copy(first.begin(), first.end(), scratch_array);
    scratch_dx = scratch_dy = 4;
    auto obj = std::make_unique<TEX_obj>(0, "scratch_array-test", 0x1092, tex_fail_fatal);
    ASSERT_TRUE(obj->load());
    const int name = obj->tex_id;
    EXPECT_EQ(gfx_test::texture_pixels(name, 4, 4), first);

    std::fill(scratch_array, scratch_array + 64, 0x40);
    ASSERT_TRUE(obj->load());
    EXPECT_EQ(obj->tex_id, name) << "same size and format: updated in place";
    EXPECT_EQ(gfx_test::texture_pixels(name, 4, 4)[5], 0x40);
}

TEST_F(TextureLoading, BlankTextureIsTwoByTwoGrey)
{
    ASSERT_TRUE(tman.tex_loaded(950));
    EXPECT_EQ(tman.get_known_obj(950)->tex_id, 950);
    const auto pixels = gfx_test::texture_pixels(950, 2, 2);
    EXPECT_EQ(pixels[0], 0x82);
    EXPECT_EQ(pixels[3], 255);
}

TEST_F(TextureLoading, PictureTooLargeForTheSharedBufferIsRefusedBeforeDecoding)
{
    captured run;
    // A PNG header claiming 4096 x 4096: refused from the header alone.
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x10\0\0\0\x10\0\x08\x06\0\0\0", 29);
    png += std::string(64, '\0');
    testing_support::write_file(run.folder() + "claims_huge.png", png);
    std::fill(scratch_array, scratch_array + 16, 0x5A);
    auto obj = load(run.folder() + "claims_huge.png", 0x20082);
    EXPECT_EQ(obj->vram, 0);
    EXPECT_EQ(scratch_array[0], 0x5A) << "nothing was written into the buffer";
    EXPECT_NE(run.log().find("too large for the image buffer"), std::string::npos) << run.log();

    // A BMP whose height is negative (top-down) is refused too.
    std::vector<unsigned char> rgb(12, 0);
    std::string bmp_path = gfx_test::write_bmp(run.folder() + "upside.bmp", 2, 2, rgb);
    std::string bmp = testing_support::read_file(bmp_path);
    bmp[25] = '\xff';
    bmp[24] = '\xff';
    bmp[23] = '\xff';
    bmp[22] = '\xfe';
    testing_support::write_file(bmp_path, bmp);
    auto refused = load(bmp_path, 0x20081);
    EXPECT_EQ(refused->vram, 0);
}
