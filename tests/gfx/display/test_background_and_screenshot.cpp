// The start-up mosaic (built, placed and cropped as the splash and inside
// a window) and numbered screenshots written as PNG files.

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../gfx_test_helpers.h"
#include "gfx/draw/background_and_screenshot.h"
#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/images/image_files.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/window_link.h"
#include "gl_test_environment.h"

using gfx_test::pixel;
using gfx_test::screen_h;
using gfx_test::screen_w;

namespace {

// Runs in a folder of its own, as the program runs in its own folder.
class InOwnFolder : public testing::Test {
protected:
    void SetUp() override
    {
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        home_ = here;
        ASSERT_EQ(chdir(dir_.path().c_str()), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(chdir(home_.c_str()), 0);
        ogl_win->current_window = 0;
        for (int ref = 447; ref <= 462; ++ref) tman.unload_texture(ref);
    }
    // A picture of four quadrants: red bottom left, green bottom right,
    // blue top left, white top right.
    void write_intro(int w, int h)
    {
        std::vector<unsigned char> p(static_cast<size_t>(w) * h * 3);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                unsigned char* q = &p[(static_cast<size_t>(y) * w + x) * 3];
                const bool right = x >= w / 2, top = y >= h / 2;
                q[0] = (!right && !top) || (right && top) ? 255 : 0;
                q[1] = right ? 255 : 0;
                q[2] = top ? 255 : 0;
            }
        TEX_image_desc desc;
        desc.format = GL_RGB;
        desc.dx = w;
        desc.dy = h;
        testing_support::write_file(dir_ / "Resources/bitmaps/.keep", "");
        ASSERT_TRUE(TEX_save_png("Resources/bitmaps/intro.png", desc, p.data()));
    }
    // Builds the mosaic of a w x h picture and draws it, as the splash
    // (before the first window) or inside the main window.
    void draw_mosaic(int w, int h, bool splash)
    {
        write_intro(w, h);
        ogl_win->current_window = -1;
        OGL_make_back_tex();
        gfx_test::begin_2d_frame();
        if (splash) ogl_win->current_window = -1;
        colr_class keep = colr;
        colr.assign(0, 1, 1, 1);
        colr.assign(37, 0.5f, 0.5f, 0.5f);
        OGL_plot_back_tex();
        colr = keep;
    }
    // Takes a screenshot as if the screen were `width` pixels wide and
    // reads it back.  The counter goes on from the last number this run
    // used, so the file is the one screenshot in the folder.
    std::vector<unsigned char> shot_at_width(int width, TEX_image_desc& desc)
    {
        const int saved_w = ogl_win->screen_width;
        ogl_win->screen_width = width;
        OGL_screenshot(1);
        ogl_win->screen_width = saved_w;
        std::string name;
        for (int n = 0; n < 100 && name.empty(); ++n)
            if (testing_support::file_exists(dir_ / ("screenshot_" + std::to_string(n) + ".png")))
                name = "screenshot_" + std::to_string(n) + ".png";
        unsigned char* data = nullptr;
        if (name.empty() || !TEX_load_any(name, data, GL_RGB, 0, 0, desc)) return {};
        std::vector<unsigned char> pixels(data, data + static_cast<size_t>(desc.dx) * desc.dy * 3);
        std::free(data);
        return pixels;
    }
    testing_support::scratch_dir dir_;
    std::string home_;
};

testing::AssertionResult is_colour(gfx_test::rgb p, int r, int g, int b)
{
    if (std::abs(p.r - r) <= 1 && std::abs(p.g - g) <= 1 && std::abs(p.b - b) <= 1)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pixel is (" << p.r << ", " << p.g << ", " << p.b << "), expected ("
                                       << r << ", " << g << ", " << b << ")";
}

}  // namespace

TEST_F(InOwnFolder, MosaicIsBuiltOnlyBeforeTheFirstWindow)
{
    gfx_test::captured run;
    write_intro(64, 64);
    ogl_win->current_window = 0;
    OGL_make_back_tex();
    EXPECT_FALSE(tman.tex_exists(447));

    ogl_win->current_window = -1;
    OGL_make_back_tex();
    EXPECT_TRUE(gfx_test::alerts().empty());
    EXPECT_EQ(back_dx, 64);
    EXPECT_EQ(back_dy, 64);
    for (int ref = 447; ref <= 462; ++ref) {
        EXPECT_TRUE(tman.tex_loaded(ref)) << ref;
        EXPECT_EQ(tman.tex_dx_tot(ref), 512);
    }
}

TEST_F(InOwnFolder, SplashCropsAWidePictureOnTheLeftAndATallOneAtTheTop)
{
    gfx_test::captured run;
    // 512 x 384 on a 256 x 192 screen: right-aligned, bottom rows shown.
    draw_mosaic(512, 384, true);
    EXPECT_TRUE(is_colour(pixel(10, 10), 0, 255, 0)) << "the picture's bottom right quadrant";
    EXPECT_TRUE(is_colour(pixel(screen_w - 1, screen_h - 1), 0, 255, 0));
    EXPECT_TRUE(is_colour(pixel(screen_w - 1, 0), 0, 255, 0));
}

TEST_F(InOwnFolder, SplashOfASmallPictureOverTheBackgroundColour)
{
    gfx_test::captured run;
    draw_mosaic(128, 96, true);
    // Anchored at the left and at the top of the screen.
    EXPECT_TRUE(is_colour(pixel(5, screen_h - 5), 0, 0, 255)) << "top left quadrant";
    EXPECT_TRUE(is_colour(pixel(5, screen_h - 90), 255, 0, 0)) << "bottom left quadrant";
    EXPECT_TRUE(is_colour(pixel(200, 20), 128, 128, 128)) << "colour 37 around it";
}

TEST_F(InOwnFolder, InsideAWindowThePictureStandsOnTheBottomEdge)
{
    gfx_test::captured run;
    draw_mosaic(128, 96, false);
    EXPECT_TRUE(is_colour(pixel(5, 5), 255, 0, 0));
    EXPECT_TRUE(is_colour(pixel(100, 90), 255, 255, 255));
    EXPECT_TRUE(is_colour(pixel(200, 5), 0, 0, 0)) << "nothing drawn beside it";
}

TEST_F(InOwnFolder, MissingOrOversizedPictureIsFatal)
{
    gfx_test::captured run;
    ogl_win->current_window = -1;
    OGL_make_back_tex();
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "Trying to load a texture that you do not have!");
    EXPECT_EQ(gfx_test::alerts()[0].line4, "Resources/bitmaps/intro.png");

    // 2048 wide but 4096 rows: would run past the shared buffer.
    std::string png("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x08\0\0\0\x10\0\x08\x02\0\0\0", 29);
    testing_support::write_file(dir_ / "Resources/bitmaps/intro.png", png + std::string(64, '\0'));
    OGL_make_back_tex();
    ASSERT_EQ(gfx_test::alerts().size(), 2u);
    EXPECT_EQ(gfx_test::alerts()[1].level, 2);
    EXPECT_NE(run.log().find("is 2048 by 4096 pixels"), std::string::npos) << run.log();
}

TEST_F(InOwnFolder, ScreenshotsAreNumberedPastThoseOnDisk)
{
    gfx_test::captured run;
    testing_support::write_file(dir_ / "screenshot_0.png", "x");
    testing_support::write_file(dir_ / "screenshot_1.png", "x");
    // A name with a link at it is taken too: nothing is written through it.
    ASSERT_EQ(::symlink((dir_ / "elsewhere.png").c_str(), (dir_ / "screenshot_2.png").c_str()), 0);
    gfx_test::begin_2d_frame();
    colr_class keep = colr;
    colr.assign(60, 1, 0, 0);
    OGL_fillrect(60, 1.0f, 0, 0, 10, 10);  // marks the bottom left corner
    colr = keep;
    OGL_screenshot(1);
    OGL_screenshot(1);
    // 3 and 4 in a fresh process; later in a run the numbers go on from
    // the last one used.
    int first = 3;
    while (first < 100 && !testing_support::file_exists(dir_ / ("screenshot_" + std::to_string(first) + ".png")))
        ++first;
    ASSERT_LT(first, 100) << "no screenshot written";
    EXPECT_TRUE(testing_support::file_exists(dir_ / ("screenshot_" + std::to_string(first + 1) + ".png")));
    EXPECT_EQ(testing_support::read_file(dir_ / "screenshot_1.png"), "x") << "existing shots are kept";
    EXPECT_FALSE(testing_support::file_exists(dir_ / "elsewhere.png")) << "a shot was written through a link";

    unsigned char* data = nullptr;
    TEX_image_desc desc;
    ASSERT_TRUE(TEX_load_any("screenshot_" + std::to_string(first) + ".png", data, GL_RGB, 0, 0, desc));
    EXPECT_EQ(desc.dx, screen_w);
    EXPECT_EQ(desc.dy, screen_h);
    // Bottom row first again after the round trip.
    EXPECT_EQ(data[0], 255);
    EXPECT_EQ(data[1], 0);
    const size_t top_left = static_cast<size_t>(screen_h - 1) * screen_w * 3;
    EXPECT_EQ(data[top_left], 0);
    std::free(data);
}

TEST_F(InOwnFolder, ScreenLargerThanTheBufferCapturesItsCentre)
{
    TEX_image_desc desc;
    ASSERT_FALSE(shot_at_width(3000, desc).empty());
    EXPECT_EQ(desc.dx, 2048);
    EXPECT_EQ(desc.dy, screen_h);
}

TEST_F(InOwnFolder, ScreenshotRowsArePackedTightForAnyWidth)
{
    // 250 pixels of RGB are 750 bytes a row, not a multiple of four: GL's
    // default packing would skew every row of the file.
    gfx_test::begin_2d_frame();
    colr_class keep = colr;
    colr.assign(60, 1, 0, 0);
    OGL_fillrect(60, 1.0f, 0, 0, 3, static_cast<float>(screen_h));  // a red left edge
    colr = keep;
    TEX_image_desc desc;
    const auto pixels = shot_at_width(250, desc);
    ASSERT_EQ(desc.dx, 250);
    for (int y = 0; y < desc.dy; ++y)
        ASSERT_EQ(pixels[static_cast<size_t>(y) * 250 * 3], 255) << "row " << y << " starts red";
}
