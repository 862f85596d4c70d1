// Text drawn into the window and read back: where glyphs land, wrapping,
// alignment, the drawing origin, fixed-advance digits, the atlas texture
// and the atlas starting over in the middle of a line.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "gfx/fonts/fonts.h"
#include "gfx/fonts/text_drawing.h"
#include "gfx/textures/texture_manager.h"
#include "text_test_support.h"

using text_test::capture;
using text_test::lit_box;
using text_test::white;

namespace {

const OGL_char_info& glyph(unsigned int c, charset_t cs = charset_regular)
{
    OGL_font_face(cs).require_char(c);
    return OGL_font_face(cs).chars.at(c);
}

int glyph_dx(const OGL_char_info& g) { return g.tex_x2 - g.tex_x1; }
int glyph_dy(const OGL_char_info& g) { return g.tex_y2 - g.tex_y1; }

class TextDrawing : public text_test::text_test_base {};

}  // namespace

TEST_F(TextDrawing, AStringSitsOnItsBaselineOneUnitBelowTheAskedY)
{
    const OGL_char_info& h = glyph('H');
    const float y_back = OGL_string(white, 20.3f, 50, "H", 9999, charset_regular, 0);
    EXPECT_EQ(y_back, 49) << "no wrapping: the baseline stays";
    const auto box = lit_box(capture());
    EXPECT_EQ(box.left, static_cast<int>(std::floor(20.3f + h.off_x)));
    EXPECT_EQ(box.width(), glyph_dx(h));
    EXPECT_EQ(box.bottom, static_cast<int>(std::floor(49 + h.off_y)));
    EXPECT_EQ(box.top - box.bottom, glyph_dy(h));
}

TEST_F(TextDrawing, TextMovesWithTheDrawingOriginOfTheWindow)
{
    OGL_string(white, 20, 50, "Ab", 9999, charset_regular, 0);
    const auto at_origin = lit_box(capture());
    gfx_test::begin_2d_frame();
    ogl_win->origin_x = 30;
    ogl_win->origin_y = 40;
    EXPECT_EQ(OGL_string(white, 20, 50, "Ab", 9999, charset_regular, 0), 49) << "returned relative to the origin";
    const auto moved = lit_box(capture());
    EXPECT_EQ(moved.left, at_origin.left + 30);
    EXPECT_EQ(moved.bottom, at_origin.bottom + 40);
}

TEST_F(TextDrawing, WrappedLinesGoTenUnitsDownAndTheBlankIsDrawnOnNeither)
{
    const float first = std::trunc(OGL_measure_string("HHH ", charset_regular));
    const float next = OGL_font_string(white, 10, 100, "HHH HHH", first + 1, charset_regular, 0, 0);
    EXPECT_EQ(next, 80);
    const auto shot = capture();
    const auto top_line = lit_box(shot, 0, 99);
    const auto bottom_line = lit_box(shot, 0, 0, gfx_test::screen_w, 99);
    EXPECT_EQ(top_line.bottom - bottom_line.bottom, 10);
    EXPECT_EQ(top_line.left, bottom_line.left) << "both lines start at x";
    EXPECT_EQ(top_line.width(), bottom_line.width());
}

TEST_F(TextDrawing, CondensedRussianLinesKeepToTheirMeasuredWidth)
{
    // Condensed, no advance is a whole pixel: counted in whole pixels, a
    // right-aligned line would end some 8 pixels right of x, a centred one
    // some 4, and a wrapped line would run past its width.
    const int russian = 3;
    set_font_language_source(&russian);
    OGL_font_reset(charset_regular);
    const OGL_char_info last = glyph(':');
    const std::string line = "Система для загрузки:";
    OGL_font_string(white, 230, 70, line, 0, charset_regular, 2, 0);
    // Centred halfway between a left-aligned and a right-aligned x, a line
    // lies halfway between the two.
    OGL_font_string(white, 10, 100, line, 0, charset_regular, 0, 0);
    OGL_font_string(white, 120, 130, line, 0, charset_regular, 1, 0);
    // Two words that fit one line of this width only by whole pixels.
    const float a = glyph(0x430).advance, blank = glyph(' ').advance;
    const float wrap = 16 * std::trunc(a) + std::trunc(blank) + 1;
    OGL_font_string(white, 10, 40, "аааааааа аааааааа", wrap, charset_regular, 0, 0);
    const auto shot = capture();
    set_font_language_source(nullptr);
    OGL_font_reset(charset_regular);
    const auto right = lit_box(shot, 0, 55, gfx_test::screen_w, 85);
    const auto left = lit_box(shot, 0, 85, gfx_test::screen_w, 115);
    const auto centred = lit_box(shot, 0, 115);
    EXPECT_NEAR(right.right, std::floor(230 - last.advance + last.off_x) + glyph_dx(last), 1) << "right-aligned";
    EXPECT_NEAR(2 * centred.left, left.left + right.left, 1) << "centred";
    EXPECT_NEAR(2 * centred.right, left.right + right.right, 1) << "centred";
    EXPECT_LE(lit_box(shot, 0, 0, gfx_test::screen_w, 55).right, 10 + wrap + 1) << "wrapped";
}

TEST_F(TextDrawing, LinesSplitAtLineEndsOverprintWithoutWrapping)
{
    EXPECT_EQ(OGL_font_string(white, 20, 50, "H\nH", 0, charset_regular, 0, 0), 50);
    const auto box = lit_box(capture());
    EXPECT_EQ(box.width(), glyph_dx(glyph('H'))) << "both lines drawn at the same place";
}

TEST_F(TextDrawing, DigitsNeverMeasuredBeforeShowUnderAFixedAdvance)
{
    OGL_font_reset(charset_bold);
    ASSERT_TRUE(OGL_font_face(charset_bold).chars.empty());
    OGL_font_string(white, 20, 50, "888", 9999, charset_bold, 0, 10);
    const auto shot = capture();
    const auto first = lit_box(shot, 0, 0, 30);
    ASSERT_FALSE(first.empty()) << "the digit vanished";
    // The same glyph, one cell of 10 apart.
    for (int cell = 1; cell < 3; ++cell)
        for (int y = first.bottom; y < first.top; ++y)
            for (int x = first.left; x < first.right; ++x)
                ASSERT_EQ(text_test::red(shot, x + 10 * cell, y), text_test::red(shot, x, y))
                    << "cell " << cell << " at " << x << "," << y;
}

TEST_F(TextDrawing, TheAtlasTextureFollowsTheAtlasAsItGrows)
{
    OGL_font_reset(charset_regular);
    while (glGetError() != GL_NO_ERROR) {
    }
    // One glyph at a time, flat ones first, so the atlas grows between
    // uploads.
    const std::string text = "-_.jg|ÅÉЙ Съешь же ещё этих мягких французских булок";
    for (size_t n = 1; n <= text.size(); ++n) {
        gfx_test::begin_2d_frame();
        OGL_string(white, 10, 50, text.substr(0, n), 9999, charset_regular, 0);
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "after " << n << " bytes";
    }
    const OGL_font_info& face = OGL_font_face(charset_regular);
    EXPECT_EQ(face.atlas_dirty, 0) << "drawn lines upload what they rasterised";
    EXPECT_EQ(tman.tex_dy_tot(face.tex_ref), face.atlas_dy);
    EXPECT_EQ(tman.tex_dx_tot(face.tex_ref), OGL_font_atlas_dx);
    EXPECT_EQ(face.atlas_dy & (face.atlas_dy - 1), 0) << "a power of two";
}

TEST_F(TextDrawing, ALineDrawnAcrossAnAtlasRestartLosesNoGlyph)
{
    OGL_font_reset(charset_regular);
    OGL_string(white, 20, 50, "ab", 9999, charset_regular, 0);
    gfx_test::begin_2d_frame();
    // As if the atlas were full: the next new glyph starts it over, after
    // "a" and "b" of the same line were measured from the old one.
    OGL_font_info& face = OGL_font_face(charset_regular);
    face.pen_x = OGL_font_atlas_dx;
    face.row_y = OGL_font_atlas_max_dy() - 1;
    face.row_dy = 1;
    const int restarts = face.atlas_restarts;
    OGL_string(white, 20, 50, "abxyz", 9999, charset_regular, 0);
    EXPECT_EQ(face.atlas_restarts, restarts + 1);
    const auto across_restart = capture();

    OGL_font_reset(charset_regular);
    gfx_test::begin_2d_frame();
    OGL_string(white, 20, 50, "abxyz", 9999, charset_regular, 0);
    EXPECT_TRUE(capture() == across_restart) << "the line differs from one drawn from a fresh atlas";
}

TEST_F(TextDrawing, TabsAndInvalidBytesDrawWithoutReadingPastTheText)
{
    // Nothing but a tab: no glyph, no atlas texture to bind.
    OGL_font_reset(charset_bold);
    EXPECT_EQ(OGL_font_string(white, 20, 50, "\t", 9999, charset_bold, 0, 0), 50);
    EXPECT_TRUE(lit_box(capture()).empty());
    const std::string broken = "a\xE2\x82";
    OGL_font_string(white, 20, 50, broken.substr(0, 3), 50, charset_regular, 1, 0);
    EXPECT_FALSE(lit_box(capture()).empty());
}
