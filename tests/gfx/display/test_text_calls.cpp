// The text calls on top of the font layer, drawn and read back: number
// readouts in both forms, the boxed value with its widget calls, the grey
// caption, fixed cells, and the colour-ramp legend.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "../gfx_test_helpers.h"
#include "gfx/fonts/fonts.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/shared_buffers.h"
#include "gfx/fonts/text_drawing.h"
#include "gfx/textures/texture_manager.h"
#include "text_test_support.h"

using text_test::capture;
using text_test::lit_box;
using text_test::white;

namespace {

// The widget sheet that fixed-cell text binds first: plain white.
void load_widget_sheet()
{
    if (tman.tex_loaded(410)) return;
    scratch_dx = scratch_dy = 2;
    std::fill(scratch_array, scratch_array + 16, 0xFF);
    tman.load_texture(tex_fail_silent, 410, 0x81, tex_load_now, "scratch_array-widget_sheet");
}

struct widget_call {
    std::string what;
    float x, y, width;
    int type_or_align;
    std::string text;
};
std::vector<widget_call>& widget_calls()
{
    static std::vector<widget_call> calls;
    return calls;
}

void split_at_bar(const std::string& label, std::string* left, std::string* right, std::string* help)
{
    const size_t bar = label.find('|');
    *left = label.substr(0, bar);
    *right = bar == std::string::npos ? "" : label.substr(bar + 1);
    help->clear();
}
void record_frame(int type, float x, float y, float width, int) { widget_calls().push_back({"frame", x, y, width, type, ""}); }
void record_label(float x, float y, int align, const std::string& text, int)
{
    widget_calls().push_back({"label", x, y, 0, align, text});
}

class TextCalls : public text_test::text_test_base {
protected:
    void SetUp() override
    {
        text_test::text_test_base::SetUp();
        widget_calls().clear();
        static const text_widget_hooks recorder = {split_at_bar, record_frame, record_label};
        set_text_widget_hooks(&recorder);
    }
    void TearDown() override
    {
        set_text_widget_hooks(nullptr);
        text_test::text_test_base::TearDown();
    }
};

}  // namespace

TEST_F(TextCalls, ARegularReadoutDrawsItsTextOneUnitLower)
{
    OGL_number(white, 20, 50, 1234.5f, 6, 1, charset_regular);
    const auto readout = capture();
    gfx_test::begin_2d_frame();
    OGL_font_string(white, 20, 49, "01,234.5", 9999, charset_regular, 0, 0);
    EXPECT_TRUE(capture() == readout);
    EXPECT_FALSE(lit_box(readout).empty());
}

TEST_F(TextCalls, BoldReadoutDigitsStandOnTenUnitCells)
{
    load_widget_sheet();
    OGL_number(white, 40.4f, 60, 888, 3, 0, charset_bold);
    const auto shot = capture();
    const auto all = lit_box(shot);
    ASSERT_FALSE(all.empty());
    // x0 = round(40.4) - 10; the first digit's cell begins at x0 + 10 = 40.
    const auto first = lit_box(shot, 0, 0, 50);
    EXPECT_GE(first.left, 40);
    for (int y = first.bottom; y < first.top; ++y)
        for (int x = first.left; x < first.right; ++x) {
            ASSERT_EQ(text_test::red(shot, x + 10, y), text_test::red(shot, x, y)) << x << "," << y;
            ASSERT_EQ(text_test::red(shot, x + 20, y), text_test::red(shot, x, y)) << x << "," << y;
        }
    EXPECT_LE(all.right, 40 + 30 + 1);
}

TEST_F(TextCalls, ReadoutsOfInfinityAndNanEnd)
{
    load_widget_sheet();
    const float inf = std::numeric_limits<float>::infinity();
    OGL_number(white, 20, 50, inf, 5, 0, charset_regular);
    OGL_number(white, 20, 80, -inf, 5, 2, charset_bold);
    OGL_number(white, 20, 110, std::nanf(""), 12, 0, charset_bold);
    const auto shot = capture();
    EXPECT_FALSE(lit_box(shot, 0, 40, gfx_test::screen_w, 60).empty());
    EXPECT_FALSE(lit_box(shot, 0, 70, gfx_test::screen_w, 90).empty());
    EXPECT_FALSE(lit_box(shot, 0, 100, gfx_test::screen_w, 120).empty());
}

TEST_F(TextCalls, FixedCellTextNeedsTheRegularOrTheBoldFace)
{
    load_widget_sheet();
    float s1, t1, s2, t2;
    EXPECT_EQ(OGL_strtex(charset_regular, white, &s1, &t1, &s2, &t2), 0);
    EXPECT_EQ(OGL_strtex(charset_bold, white, &s1, &t1, &s2, &t2), 10);

    gfx_test::captured alerts;
    EXPECT_EQ(OGL_strtex(static_cast<charset_t>(7), white, &s1, &t1, &s2, &t2), 0);
    ASSERT_EQ(gfx_test::alerts().size(), 1u);
    EXPECT_EQ(gfx_test::alerts()[0].line1, "String proc with bad charset!");
    EXPECT_EQ(gfx_test::alerts()[0].level, 2);
}

TEST_F(TextCalls, ABoxedValueIsFramedWithItsLabelsOutside)
{
    OGL_boxed_string(100, 50, "Speed|knots", "12345", charset_bold, white);
    ASSERT_EQ(widget_calls().size(), 3u);
    const widget_call& frame = widget_calls()[0];
    EXPECT_EQ(frame.what, "frame");
    EXPECT_EQ(frame.type_or_align, 9);
    EXPECT_EQ(frame.width, 57) << "ten units a byte and seven";
    EXPECT_EQ(frame.x, 100);
    EXPECT_EQ(frame.y, 53);
    EXPECT_EQ(widget_calls()[1].text, "Speed");
    EXPECT_EQ(widget_calls()[1].x, 100 - 28.5f - 8);
    EXPECT_EQ(widget_calls()[1].type_or_align, 0);
    EXPECT_EQ(widget_calls()[2].text, "knots");
    EXPECT_EQ(widget_calls()[2].x, 100 + 28.5f + 8);
    EXPECT_EQ(widget_calls()[2].type_or_align, 2);
    const auto value = lit_box(capture());
    EXPECT_GE(value.left, static_cast<int>(100 - 28.5f + 4));
    EXPECT_LE(value.right, static_cast<int>(100 + 28.5f));

    widget_calls().clear();
    OGL_boxed_string(100, 50, "x", "abc", charset_regular, white);
    EXPECT_FLOAT_EQ(widget_calls()[0].width, OGL_measure_string("abc", charset_regular) + 7);
    widget_calls().clear();
    OGL_boxed_string(100, 50, "x", "abc", static_cast<charset_t>(5), white);
    EXPECT_EQ(widget_calls()[0].width, 100) << "any other charset: a box of 100";
}

TEST_F(TextCalls, AGrayCaptionSitsCentredOnAHalfTransparentBox)
{
    const float saved[3] = {colr.colours[12][0], colr.colours[12][1], colr.colours[12][2]};
    colr.assign(12, 0.6f, 0.6f, 0.6f);
    const float w = OGL_measure_string("Hello", charset_regular);
    OGL_gray_string(white, 128, 60, "Hello");
    const auto shot = capture();
    colr.assign(12, saved[0], saved[1], saved[2]);
    // The box runs 2 units past the text on every side, from y - 2 to y + 8.
    const int box_left = static_cast<int>(std::ceil(128 - w / 2 - 2));
    const int grey = text_test::red(shot, box_left, 59);
    EXPECT_GT(grey, 0);
    EXPECT_LT(grey, 255) << "half transparent over black";
    EXPECT_EQ(text_test::red(shot, box_left - 2, 59), 0);
    EXPECT_EQ(text_test::red(shot, 128, 57), 0) << "below the box";
    const auto text = lit_box(shot, 0, 0, gfx_test::screen_w, gfx_test::screen_h, grey + 2);
    EXPECT_NEAR((text.left + text.right) / 2.0, 128, 2.0);
}

TEST_F(TextCalls, TheRampLegendColoursItsPointsAndSurvivesAnEmptyOrBrokenRange)
{
    const std::vector<float> saved(&colr.ramp[0][0], &colr.ramp[0][0] + 3 * colr_class::ramp_steps);
    const auto blue = [](const std::vector<unsigned char>& shot, int x, int y) {
        return shot[(y * gfx_test::screen_w + x) * 3 + 2];
    };
    // The points run from y - 900 to y + 96 of the window; those at 0 to
    // 96 are on screen.
    colr.spectrum_init(0);  // red first, violet last
    colr.spectrum_plotscale(100, -900, 10, 10, 1);
    EXPECT_EQ(colr.ramp_span, 0);
    auto shot = capture();
    EXPECT_EQ(text_test::red(shot, 100, 2), 255);
    EXPECT_EQ(text_test::red(shot, 100, 94), 255);
    EXPECT_EQ(blue(shot, 100, 94), 0) << "an empty range colours every point with the first step";

    gfx_test::begin_2d_frame();
    colr.spectrum_init(1);  // black to red
    colr.spectrum_plotscale(100, -900, 0, 1, 1);
    EXPECT_EQ(colr.ramp_low, 0);
    EXPECT_EQ(colr.ramp_high, 1);
    shot = capture();
    EXPECT_NEAR(text_test::red(shot, 100, 94), 0.996 * 255, 2);
    EXPECT_NEAR(text_test::red(shot, 100, 2), 0.902 * 255, 2);

    colr.spectrum_plotscale(100, -900, std::nanf(""), 1, 1);
    colr.spectrum_plotscale(100, -900, -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::max(), 1);
    std::copy(saved.begin(), saved.end(), &colr.ramp[0][0]);
}
