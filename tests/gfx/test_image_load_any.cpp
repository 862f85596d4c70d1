#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>

#include "gfx_test_helpers.h"
#include "gfx/images/image_files.h"
#include "image_fixtures.h"
#include "test_support.h"

using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

std::string tiny_png()
{
    png_recipe recipe;
    recipe.width = 2;
    recipe.rows = {1, 2, 3, 4, 5, 6};
    return encode_png(recipe);
}

std::string tiny_bmp() { return make_bmp(3, 1, {9, 9, 9, 9, 9, 9, 9, 9, 9}); }

// Loads and reports the width, or 0.
int width_of(int (*load)(const std::string&, unsigned char*&, unsigned int, int, int, TEX_image_desc&),
             const std::string& path)
{
    unsigned char* data = nullptr;
    TEX_image_desc desc;
    const int result = load(path, data, GL_RGB, 0, 0, desc);
    std::free(data);
    return result ? desc.dx : 0;
}

}  // namespace

TEST(ImageLoadAny, ContentDecidesNotTheName)
{
    scratch_dir dir;
    write_file(dir / "really_a_bitmap.png", tiny_bmp());
    write_file(dir / "really_a_png.bmp", tiny_png());
    write_file(dir / "text.png", "this is no picture at all");
    write_file(dir / "short.png", "BM");
    EXPECT_EQ(width_of(TEX_load_any, dir / "really_a_bitmap.png"), 3);
    EXPECT_EQ(width_of(TEX_load_any, dir / "really_a_png.bmp"), 2);
    EXPECT_EQ(width_of(TEX_load_any, dir / "text.png"), 0);
    EXPECT_EQ(width_of(TEX_load_any, dir / "short.png"), 0);
    EXPECT_EQ(width_of(TEX_load_any, dir / "missing.png"), 0);
}

TEST(ImageLoadAny, ExtensionsAreTriedPngFirstThenBmp)
{
    scratch_dir dir;
    write_file(dir / "both.png", tiny_png());
    write_file(dir / "both.bmp", tiny_bmp());
    write_file(dir / "only.bmp", tiny_bmp());
    EXPECT_EQ(width_of(TEX_load_any_ext, dir / "both.bmp"), 2) << "the .png sibling wins";
    EXPECT_EQ(width_of(TEX_load_any_ext, dir / "only.png"), 3);
    EXPECT_EQ(width_of(TEX_load_any_ext, dir / "only"), 3) << "no extension to strip";
    EXPECT_EQ(width_of(TEX_load_any_ext, dir / "nothing"), 0);
}

TEST(ImageLoadAny, FourCharacterNameKeepsItsDot)
{
    scratch_dir dir;
    write_file(dir / ".png.bmp", tiny_bmp());
    // The four-character rule looks at the whole path, so run it from inside.
    char old_dir[4096];
    ASSERT_NE(getcwd(old_dir, sizeof old_dir), nullptr);
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
    const int width = width_of(TEX_load_any_ext, ".png");
    ASSERT_EQ(chdir(old_dir), 0);
    EXPECT_EQ(width, 3) << ".png tries .png.png, then .png.bmp";
}
