#include "widget_test_state.h"
#include "widgets/widget_sheet.h"

namespace {

using labels_and_frames = widget_test;

struct parts {
    std::string left, right, help;
};
parts expand(const std::string& label)
{
    parts p;
    BTN_expand_label(label, &p.left, &p.right, &p.help);
    return p;
}

TEST_F(labels_and_frames, LabelsSplitAtTheLastBarAndBrace)
{
    parts p = expand("Name|right{ the help");
    EXPECT_EQ(p.left, "Name");
    EXPECT_EQ(p.right, "right");
    EXPECT_EQ(p.help, "the help");
    p = expand("plain");
    EXPECT_EQ(p.left, "plain");
    EXPECT_EQ(p.right, "");
    EXPECT_EQ(p.help, "");
    p = expand("{ help only");
    EXPECT_EQ(p.left, "");
    EXPECT_EQ(p.help, "help only");
    p = expand("|-I agree!");
    EXPECT_EQ(p.left, "");
    EXPECT_EQ(p.right, "-I agree!");
    p = expand("a|b|c{xhelp{ last");
    EXPECT_EQ(p.left, "a|b");
    EXPECT_EQ(p.right, "c{xhelp");
    EXPECT_EQ(p.help, "last");
    p = expand("a{ help|after");
    EXPECT_EQ(p.left, "a{ help") << "a bar behind the brace ends the left part";
    EXPECT_EQ(p.right, "");
    EXPECT_EQ(p.help, "help|after");
    p = expand("x{");
    EXPECT_EQ(p.left, "x");
    EXPECT_EQ(p.help, "");
}

TEST_F(labels_and_frames, LongLabelsBreakNearTheMiddle)
{
    BTN_util_draw_label(100, 50, 0, "Hello world!!", 0);  // 13 bytes, blank at 5
    ASSERT_EQ(texts().size(), 2u);
    EXPECT_EQ(texts()[0].string, "Hello");
    EXPECT_EQ(texts()[0].y1, 55);
    EXPECT_EQ(texts()[1].string, "world!!");
    EXPECT_EQ(texts()[1].y1, 45);
    EXPECT_EQ(texts()[0].align, 2) << "align 0 ends the text at x";

    ops.clear();
    BTN_util_draw_label(100, 50, 2, "-I agree to every one of the terms", 1);
    ASSERT_EQ(texts().size(), 1u) << "a leading '-' keeps the label whole";
    EXPECT_EQ(texts()[0].string, "I agree to every one of the terms");
    EXPECT_EQ(texts()[0].colour, 85);

    ops.clear();
    BTN_util_draw_label(100, 50, 1, "centred labels never break", 0);
    EXPECT_EQ(texts().size(), 1u);
    ops.clear();
    BTN_util_draw_label(100, 50, 0, "Unbreakablelabel", 0);
    EXPECT_EQ(texts().size(), 1u);
    ops.clear();
    BTN_util_draw_label(100, 50, 0, "", 0);
    EXPECT_TRUE(ops.empty());
    // On a tie the earlier position wins: "ab-cdefghi/jk" has '-' at 2 and
    // '/' at 10, middle 6; "abcde-g/ijklm" has them at 5 and 7, middle 6.
    ops.clear();
    BTN_util_draw_label(0, 0, 2, "abcde-g/ijklm", 0);
    EXPECT_EQ(texts()[0].string, "abcde");
}

// The screen extents of a run of pieces, left to right.
std::vector<std::pair<float, float>> spans(const std::vector<widget_draw_op>& pieces)
{
    std::vector<std::pair<float, float>> out;
    for (const widget_draw_op& p : pieces) out.push_back({p.x1, p.x2});
    return out;
}

TEST_F(labels_and_frames, OneLineFramesTileTheirMiddle)
{
    // Type 2: cap 10, step 32; W = 84 leaves 64 = two whole tiles.
    BTN_frame1(2, 100, 50, 84, 0);
    const auto s = spans(pieces());
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0], std::make_pair(58.0f, 68.0f));
    EXPECT_EQ(s[1], std::make_pair(68.0f, 100.0f));
    EXPECT_EQ(s[2], std::make_pair(100.0f, 132.0f));
    EXPECT_EQ(s[3], std::make_pair(132.0f, 132.0f)) << "a last tile of zero length";
    EXPECT_EQ(s[4], std::make_pair(132.0f, 142.0f));
    EXPECT_EQ(pieces()[0].y1, 37);
    EXPECT_EQ(pieces()[0].t1, 486);
    EXPECT_EQ(pieces()[4].s2, 356);
}

TEST_F(labels_and_frames, OneLineFramesNarrowerThanTheirCaps)
{
    BTN_frame1(2, 100, 50, 16, 0);  // W - 20 = -4: n = 0
    auto p = pieces();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1].s2, 314) << "a tile of negative length keeps its sheet end at the cap";
    ops.clear();
    BTN_frame1(2, 100, 50, -20, 0);  // W = -20: n = -40 / 32 = -1
    EXPECT_EQ(pieces().size(), 2u);
    ops.clear();
    BTN_frame1(8, 100, 50, 8, 0);  // type 8: W = 8, n = -3: nothing
    EXPECT_EQ(pieces().size(), 0u);
    ops.clear();
    BTN_frame1(8, 100, 50, 10, 0);  // W = 10, n = (10 - 14) / 2 = -2: the right cap
    ASSERT_EQ(pieces().size(), 1u);
    EXPECT_EQ(pieces()[0].s1, 289 + 9);
    ops.clear();
    BTN_frame1(11, 100, 50, 100, 0);
    EXPECT_EQ(pieces()[0].texture, 413) << "types 11 to 13 come from the skin";
}

TEST_F(labels_and_frames, ShortenedTileTakesItsShareOfTheSheet)
{
    BTN_frame1(0, 100, 50, 60, 0);  // cap 10, step 80: one tile cut to 40
    auto p = pieces();
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[1].x2 - p[1].x1, 40);
    EXPECT_FLOAT_EQ(p[1].s2, 1 + 10 + 80.0f / 90 * 40) << "the share is taken of mid_end";
    EXPECT_EQ(p[0].y1, 50 - 3 - 13) << "the bars sit three units lower";
}

TEST_F(labels_and_frames, UnknownFrameTypesAreCallersMistakes)
{
    BTN_frame1(6, 0, 0, 10, 0);
    BTN_frame1(14, 0, 0, 10, 0);
    BTN_frame1(-1, 0, 0, 10, 0);
    BTN_frame0(5, 0, 0, 10);
    BTN_frame0(6, 0.5f, 0, 10);
    BTN_frame0(6, 0, 1.25f, 10);
    BTN_frame2(13, 0, 0, 10, 10, "t", 1);
    const std::vector<std::string> expected = {
        "Bad BTN_frame1 call!", "Bad BTN_frame1 call!", "Bad BTN_frame1 call!",
        "Bad BTN_frame0 call!", "BTN_frame0 non-int x_center!", "BTN_frame0 non-int y_center!",
        "Bad BTN_frame2 call!"};
    EXPECT_EQ(alerts.first_lines(), expected);
    EXPECT_TRUE(pieces().empty());
}

TEST_F(labels_and_frames, ScrollBarStripStacksItsTiles)
{
    BTN_frame0(6, 50, 100, 50);  // H = 58, B = 71, n = 1
    auto p = pieces();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_EQ(p[0].y1, 71);
    EXPECT_EQ(p[1].y2, 101);
    EXPECT_EQ(p[2].y1, 101);
    EXPECT_EQ(p[2].y2, 119);
    EXPECT_FLOAT_EQ(p[2].t2, 248 + 10 + 18 * 2.0f / 3);
    EXPECT_EQ(p[3].y2, 129);
    EXPECT_EQ(p[0].x1, 40);
}

TEST_F(labels_and_frames, PanelFramesAlwaysHaveThreeRows)
{
    // Type 16 around a tiny rectangle: rows bottom, one middle, top.
    BTN_frame2(16, 100, 100, 100, 0, "", 1);
    auto p = pieces();
    // Columns: W = 118, (118 - 70) / 30 = 1, n_c = 2: left, 2 middle, right.
    ASSERT_EQ(p.size(), 3u * 4u);
    EXPECT_EQ(p[0].x1, 91);
    EXPECT_EQ(p[0].y1, 86);
    EXPECT_EQ(p[3].x2, 209);
    EXPECT_EQ(p[11].y2, 104);

    ops.clear();
    BTN_frame2(16, 100, 100, -30, 50, "", 1);  // W = -12: n_c = -1, the left column only
    EXPECT_EQ(pieces().size(), 3u);
    ops.clear();
    BTN_frame2(16, 100, 100, -60, 50, "", 1);  // W = -42: n_c = -2, nothing
    EXPECT_EQ(pieces().size(), 0u);
    ops.clear();
    BTN_frame2(19, 0, 0, 50, 50, "Title", 0.5f);
    ASSERT_FALSE(texts().empty());
    EXPECT_EQ(texts().back().string, "Title");
    EXPECT_EQ(texts().back().y1, 34);
}

TEST_F(labels_and_frames, WindowFrameDrawsItsBoxesOnlyInOrdinaryWindows)
{
    BTN_frame2(14, 0, 0, 400, 300, "W", 1);
    const size_t in_main = pieces().size();
    ops.clear();
    mnw.current_window = 1;
    BTN_frame2(14, 0, 0, 400, 300, "W", 1);
    EXPECT_EQ(pieces().size(), in_main + 2);
    EXPECT_EQ(texts().back().colour, 43);
}

TEST_F(labels_and_frames, SubwindowDefaultsAndWholeWindowFrames)
{
    float right = 0, top = 0;
    BTN_subwin(0, 16, -1, 35, -1, -1, "", &right, &top);
    EXPECT_EQ(right, 400);
    EXPECT_EQ(top, 35 + 237 + 10);
    ops.clear();
    stls.window_title = "BE ADVISED";
    BTN_fillwin(1, 24);
    EXPECT_EQ(texts().back().string, "BE ADVISED");
    const size_t alone = pieces().size();
    ops.clear();
    BTN_fillwin(0, 1);
    EXPECT_GT(pieces().size(), alone) << "inner 1 adds the bar across the top";
}

TEST_F(labels_and_frames, TitleBoxesAndTabsHitTheirBoxes)
{
    click_at(10, 290);
    EXPECT_EQ(BTN_zap_boxes(0), 1);
    EXPECT_EQ(pieces().size(), 1u) << "the right box is not drawn on that frame";
    ops.clear();
    click_at(380, 290);
    EXPECT_EQ(BTN_zap_boxes(1), 1);
    EXPECT_EQ(pieces()[0].t1, 197);
    click_at(200, 290);
    EXPECT_EQ(BTN_zap_boxes(0), 0);

    int current = 0;
    // Column 1, row 0: centre (141, 262); the hit box ends at cx + 40.
    click_at(141 + 45, 262);
    EXPECT_EQ(BTN_tab(1, 0, &current, 3, "Tab"), 0);
    EXPECT_EQ(current, 0);
    click_at(141 - 50, 262 + 13);
    EXPECT_EQ(BTN_tab(1, 0, &current, 3, "Tab"), 1);
    EXPECT_EQ(current, 3);
    EXPECT_EQ(texts().back().colour, 44);
}

TEST_F(labels_and_frames, SheetElementsKeepOneSheetPixelPerUnit)
{
    BTN_util_element(100, 50, 167.5f, 187, 9, 9, 52);
    ASSERT_EQ(pieces().size(), 1u);
    const widget_draw_op p = pieces()[0];
    EXPECT_EQ(p.x1, 91);
    EXPECT_EQ(p.y2, 59);
    EXPECT_FLOAT_EQ(p.s1, 158.5f);
    EXPECT_FLOAT_EQ(p.s2, 176.5f);
    EXPECT_EQ(p.colour, 52);
}

TEST_F(labels_and_frames, CompassFollowsTheHeldMouse)
{
    float heading = 45;
    mnw.button_held = 1;
    mouse_at(100, 70);
    plot_dir(100, 100, &heading, 0);
    EXPECT_FLOAT_EQ(heading, 180);
    mouse_at(75, 100);
    plot_dir(100, 100, &heading, 0);
    EXPECT_FLOAT_EQ(heading, 270);
    mouse_at(131, 100);
    plot_dir(100, 100, &heading, 0);
    EXPECT_FLOAT_EQ(heading, 270) << "outside the 60 by 60 square";
}

}  // namespace
