// 2-D primitives drawn and read back: where they land, in which colour, and
// what the colour rule, scissors, viewport and drawing origin do to them.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "gfx/draw/camera.h"
#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/draw/matrix_utils.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/window_link.h"
#include "gl_test_environment.h"

using gfx_test::begin_2d_frame;
using gfx_test::pixel;

namespace {

// Colours of the table the tests paint with, restored afterwards.
class Drawing2D : public testing::Test {
protected:
    void SetUp() override
    {
        saved_ = colr;
        begin_2d_frame();
    }
    void TearDown() override
    {
        colr = saved_;
        ren.green_only = 0;
        ren.global_alpha = 1.0f;
        OGL_scissors_end();
        ogl_win->origin_x = ogl_win->origin_y = 0;
    }
    colr_class saved_;
};

testing::AssertionResult is_colour(gfx_test::rgb p, int r, int g, int b, int tolerance = 1)
{
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "pixel is (" << p.r << ", " << p.g << ", " << p.b
                                       << "), expected (" << r << ", " << g << ", " << b << ")";
}

}  // namespace

TEST_F(Drawing2D, FillrectCoversItsRectangleOnly)
{
    colr.assign(60, 1, 0, 0);
    OGL_fillrect(60, 1.0f, 10, 20, 30, 40);
    EXPECT_TRUE(is_colour(pixel(10, 20), 255, 0, 0));
    EXPECT_TRUE(is_colour(pixel(39, 59), 255, 0, 0));
    EXPECT_TRUE(is_colour(pixel(40, 59), 0, 0, 0));
    EXPECT_TRUE(is_colour(pixel(39, 60), 0, 0, 0));
    EXPECT_TRUE(is_colour(pixel(9, 20), 0, 0, 0));
}

TEST_F(Drawing2D, LightLevelsReachIndex48ButNot49)
{
    colr.assign(48, 1, 1, 1);
    colr.assign(49, 1, 1, 1);
    colr.lights[0] = 0.5f;  // red
    colr.lights[2] = 1.0f;  // green
    colr.lights[4] = 0.0f;  // blue
    OGL_fillrect(48, 1.0f, 0, 0, 10, 10);
    OGL_fillrect(49, 1.0f, 20, 0, 10, 10);
    EXPECT_TRUE(is_colour(pixel(5, 5), 128, 255, 0));
    EXPECT_TRUE(is_colour(pixel(25, 5), 255, 255, 255));
}

TEST_F(Drawing2D, AlphaBelowOpaqueBlendsAndGlobalAlphaMultiplies)
{
    colr.assign(60, 1, 1, 1);
    OGL_fillrect(60, 1.0f, 0, 0, 10, 10);
    EXPECT_TRUE(is_colour(pixel(5, 5), 255, 255, 255)) << "opaque";
    OGL_fillrect(60, 0.5f, 20, 0, 10, 10);
    EXPECT_TRUE(is_colour(pixel(25, 5), 128, 128, 128));
    ren.global_alpha = 0.25f;
    OGL_fillrect(60, 1.0f, 40, 0, 10, 10);
    EXPECT_TRUE(is_colour(pixel(45, 5), 64, 64, 64));
}

// The skin bar draws a dimmed caption at half alpha and the next button's
// pill opaque, frame after frame: the pill must not keep the caption's
// alpha.  (Mesa's llvmpipe leaves the alpha of an earlier glColor4f in place
// after glColor3fv once a few such quads are queued, so the reads come last.)
TEST_F(Drawing2D, OpaqueColourAfterTranslucentQuadsIsOpaqueAgain)
{
    colr.assign(60, 1, 1, 1);
    const auto quad = [](float x, float y, float alpha) {
        OGL_2dquad(0, 60, alpha, x, y, 0, 0, x, y + 10, 0, 1, x + 10, y + 10, 1, 1, x + 10, y, 1, 0,
                   0, 5);
    };
    constexpr int kRounds = 4;
    for (int round = 0; round < kRounds; ++round) {
        const float x = 20.0f * static_cast<float>(round);
        quad(x, 0, 1.0f);
        quad(x, 20, 0.5f);
        quad(x, 40, 1.0f);
    }
    for (int round = 0; round < kRounds; ++round) {
        const int x = 20 * round + 5;
        EXPECT_TRUE(is_colour(pixel(x, 25), 128, 128, 128)) << "round " << round;
        EXPECT_TRUE(is_colour(pixel(x, 45), 255, 255, 255))
            << "opaque quad after a translucent one, round " << round;
    }
}

TEST_F(Drawing2D, GreenOnlyTurnsColoursGreen)
{
    colr.assign(60, 0, 0, 1);
    colr.assign(61, 0, 0, 0);
    ren.green_only = 1;
    OGL_fillrect(60, 1.0f, 0, 0, 10, 10);
    OGL_fillrect(61, 1.0f, 20, 0, 10, 10);
    EXPECT_TRUE(is_colour(pixel(5, 5), 0, 255, 0)) << "pure blue draws as pure green";
    EXPECT_TRUE(is_colour(pixel(25, 5), 0, 3, 0)) << "black draws as green 0.01";
}

TEST_F(Drawing2D, OutlinesAndLinesSitOnPixelCentres)
{
    colr.assign(60, 1, 1, 0);
    OGL_framerect(60, 1.0f, 10, 10, 20, 20);
    EXPECT_TRUE(is_colour(pixel(10, 10), 255, 255, 0));
    EXPECT_TRUE(is_colour(pixel(30, 20), 255, 255, 0));
    EXPECT_TRUE(is_colour(pixel(20, 20), 0, 0, 0)) << "inside stays clear";

    OGL_line(60, 1.0f, 50, 5, 90, 5);
    EXPECT_TRUE(is_colour(pixel(60, 5), 255, 255, 0));
    EXPECT_TRUE(is_colour(pixel(60, 6), 0, 0, 0));
}

TEST_F(Drawing2D, DrawingOriginShiftsEverythingButTheBackgroundClear)
{
    colr.assign(60, 0, 1, 0);
    colr.assign(37, 0, 0, 1);
    ogl_win->origin_x = 100;
    ogl_win->origin_y = 50;
    OGL_fillrect(60, 1.0f, 0, 0, 5, 5);
    EXPECT_TRUE(is_colour(pixel(102, 52), 0, 255, 0));
    OGL_plot_back_col();
    EXPECT_TRUE(is_colour(pixel(0, 0), 0, 0, 255)) << "the whole screen, whatever the origin";
    EXPECT_TRUE(is_colour(pixel(gfx_test::screen_w - 1, gfx_test::screen_h - 1), 0, 0, 255));
}

TEST_F(Drawing2D, GrayrectTakesCornersInColourTwelve)
{
    colr.assign(12, 0.5f, 0.5f, 0.5f);
    OGL_grayrect(30, 30, 10, 10, 1.0f);
    EXPECT_TRUE(is_colour(pixel(20, 20), 128, 128, 128));
    EXPECT_TRUE(is_colour(pixel(31, 20), 0, 0, 0));
}

TEST_F(Drawing2D, CirclesAndArcs)
{
    colr.assign(60, 1, 1, 1);
    OGL_fillcircle(60, 100, 100, 10);
    EXPECT_TRUE(is_colour(pixel(100, 100), 255, 255, 255));
    EXPECT_TRUE(is_colour(pixel(92, 104), 255, 255, 255));
    EXPECT_TRUE(is_colour(pixel(92, 92), 0, 0, 0)) << "outside the circle";

    begin_2d_frame();
    OGL_framecircle(60, 100, 100, 20);
    EXPECT_TRUE(is_colour(pixel(100, 120), 255, 255, 255)) << "0 degrees points up";
    EXPECT_TRUE(is_colour(pixel(100, 100), 0, 0, 0));

    begin_2d_frame();
    OGL_arc(60, 100, 100, 10, 20, 80, 100);
    EXPECT_TRUE(is_colour(pixel(115, 100), 255, 255, 255)) << "90 degrees points right";
    EXPECT_TRUE(is_colour(pixel(85, 100), 0, 0, 0));
    begin_2d_frame();
    OGL_arc(60, 100, 100, 10, 20, 100, 80);
    EXPECT_TRUE(is_colour(pixel(115, 100), 0, 0, 0)) << "a1 above a2 draws nothing";
}

TEST_F(Drawing2D, ScissorsClipToTheirBoxAndAnEmptyBoxHasNoSize)
{
    colr.assign(60, 1, 1, 1);
    OGL_scissors(10, 10, 20, 20);
    OGL_fillrect(60, 1.0f, 0, 0, 100, 100);
    OGL_scissors_end();
    EXPECT_TRUE(is_colour(pixel(15, 15), 255, 255, 255));
    EXPECT_TRUE(is_colour(pixel(35, 15), 0, 0, 0));

    GLint box[4];
    OGL_scissors(10, 10, -5, 0);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    EXPECT_EQ(box[2], 0);
    EXPECT_EQ(box[3], 0);
    EXPECT_TRUE(glIsEnabled(GL_SCISSOR_TEST));
    OGL_scissors_end();
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
}

TEST_F(Drawing2D, SpectrumStops)
{
    GLfloat c[4];
    OGL_spectrum_rgb(0.5f);
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_FLOAT_EQ(c[0], 1);
    EXPECT_FLOAT_EQ(c[1], 1);
    EXPECT_FLOAT_EQ(c[2], 0);
    OGL_spectrum_rgb(1.0f);
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_NEAR(c[0], 0.8f, 1e-6);
    EXPECT_NEAR(c[1], 0.0f, 1e-6);
    EXPECT_NEAR(c[2], 0.8f, 1e-6);
    OGL_spectrum_rgb(-3);
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_EQ(c[0] + c[1] + c[2], 0);
}

TEST_F(Drawing2D, ViewportModeTwoIgnoresTheExtentsAndLoadsTheCamera)
{
    OGL_viewport(2, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 1.0f, 0);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[0], 0);
    EXPECT_EQ(vp[2], gfx_test::screen_w);
    EXPECT_EQ(vp[3], gfx_test::screen_h);
    double projection[16], expected[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    buildOrthoMatrix(expected, 0, gfx_test::screen_w, 0, gfx_test::screen_h, -1, 1);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(projection[i], expected[i], 1e-6) << i;
    EXPECT_EQ(xcam.reload_view, 0);

    // A zoom of 2 shows half the extents: the far corner moves out.
    OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2.0f, 0);
    colr_class keep = colr;
    colr.assign(60, 1, 1, 1);
    OGL_fillrect(60, 1.0f, 0, 0, 10, 10);
    EXPECT_TRUE(is_colour(pixel(15, 15), 255, 255, 255));
    colr = keep;
}

TEST_F(Drawing2D, PointOnTheViewAxisProjectsToTheViewportCentre)
{
    OGL_viewport(3, -1, 0, -1, 0, 1, gfx_test::screen_w, 1, 1, gfx_test::screen_h, 100, 1.0f, 0);
    double p[3] = {0, 0, -10}, pix[2];
    xcam.mtr_to_pix(p, pix);
    EXPECT_NEAR(pix[0], gfx_test::screen_w / 2.0, 1e-6);
    EXPECT_NEAR(pix[1], gfx_test::screen_h / 2.0, 1e-6);
}

TEST_F(Drawing2D, PixSpecsLaysOutTheScreen)
{
    ogl_win->current_window = -1;
    OGL_pix_specs(0);
    EXPECT_EQ(ogl_win->layout_offset_x, 0);
    EXPECT_EQ(ogl_win->layout_centre_y, 384);
    EXPECT_EQ(ogl_win->view_right, gfx_test::screen_w);
    EXPECT_EQ(ogl_win->ui_scale, 1.0f);
    const int saved_w = ogl_win->screen_width, saved_h = ogl_win->screen_height;
    ogl_win->screen_width = 1280;
    ogl_win->screen_height = 1024;
    ogl_win->current_window = 0;
    OGL_pix_specs(0);
    EXPECT_EQ(ogl_win->layout_offset_x, 128);
    EXPECT_EQ(ogl_win->layout_offset_y, 256);
    ogl_win->screen_width = saved_w;
    ogl_win->screen_height = saved_h;
    OGL_pix_specs(0);
}
