#include "core/diag/frame_clock.h"
#include "widget_test_state.h"
#include "widgets/sliders.h"

namespace {

unsigned long long now_us = 0;

class sliders : public widget_test {
protected:
    void SetUp() override
    {
        widget_test::SetUp();
        BTN_release_sliders();
        mnw_bind_fields();
        now_us = 0;
        xtim_set_clock([] { return now_us; });
        xtim.xtim_update();
    }
    void TearDown() override
    {
        xtim_set_clock(nullptr);
        widget_test::TearDown();
    }
    // One frame at time t (seconds) as the shell runs it: the clock first,
    // then the widget.
    int frame(float t, int* value, int click = 0)
    {
        now_us = static_cast<unsigned long long>(t * 1e6);
        mnw.click = click;
        xtim.xtim_update();
        return BTN_vert_slider(0, 100, 50, 250, 0, 100, value);
    }
};

TEST_F(sliders, HeldUpArrowRepeatsEveryFifthOfASecondAfterAQuarter)
{
    int value = 50;
    mouse_at(100, 260);
    frame(1.0f, &value, 1);
    EXPECT_EQ(value, 49);
    std::vector<int> seen;
    for (float t = 1.02f; t < 2.0f; t += 0.02f) {
        frame(t, &value);
        seen.push_back(value);
    }
    // Nothing before 1.25 s; then one step on each 0.2-second tick.
    EXPECT_EQ(seen[10], 49) << "1.22 s: not held long yet";
    EXPECT_GE(value, 44);
    EXPECT_LE(value, 46);
    mnw.button_held = 0;
}

TEST_F(sliders, TrackClicksPageAndTheValueStaysInRange)
{
    int value = 0;  // knob at the top, y 240
    mouse_at(100, 100);
    frame(1, &value, 1);
    EXPECT_EQ(value, 10);
    mnw.button_held = 0;
    value = 95;
    frame(2, &value, 1);
    mnw.button_held = 0;
    EXPECT_EQ(value, 85) << "the mouse above the knob pages up";
    value = 100;
    mouse_at(100, 40);
    frame(3, &value, 1);
    EXPECT_EQ(value, 100);
    mnw.button_held = 0;
}

TEST_F(sliders, GrabbedKnobFollowsTheMouseAnywhereUntilReleased)
{
    int value = 0;
    mouse_at(100, 240);
    EXPECT_EQ(frame(1, &value, 1), 1);
    mouse_at(700, 150);  // far to the side, halfway down
    EXPECT_EQ(frame(1.1f, &value), 1);
    EXPECT_EQ(value, int((150 - 239) * 100 / (61.0f - 239)));
    mouse_at(700, -500);
    frame(1.2f, &value);
    EXPECT_EQ(value, 100);
    mnw.button_held = 0;
    EXPECT_EQ(BTN_vert_slider(0, 100, 50, 250, 0, 100, &value), 0);
}

TEST_F(sliders, EmptyRangeDrawsOnlyTheTrackAndBadSlotsAreMistakes)
{
    int value = 7;
    click_at(100, 260);
    EXPECT_EQ(BTN_vert_slider(0, 100, 50, 250, 5, 5, &value), 0);
    EXPECT_EQ(value, 7);
    for (const widget_draw_op& p : pieces()) EXPECT_EQ(p.s1, 102) << "only the strip";
    BTN_vert_slider(4, 100, 50, 250, 0, 10, &value);
    ASSERT_EQ(alerts.first_lines().size(), 1u) << alerts.first_lines()[0] << " / " << alerts.first_lines().back();
    EXPECT_EQ(alerts.first_lines()[0], "Too many sliders!");
}

TEST_F(sliders, HorizontalSliderRangesFillAndDrag)
{
    float value = 2;
    mnw.button_held = 1;
    mouse_at(200 - 15, 100);  // 15 left of a track from 200 to 300
    EXPECT_EQ(BTN_horz_slider(200, 100, 100, 5, 2, 2, &value, 1, "", ""), 1);
    EXPECT_FLOAT_EQ(value, 2) << "the range became 2.01 .. 2; min is 2";
    mouse_at(200 - 25, 100);
    value = 0.5f;
    EXPECT_EQ(BTN_horz_slider(200, 100, 100, 5, 0, 1, &value, 1, "", ""), 0);
    EXPECT_FLOAT_EQ(value, 0.5f);
    mouse_at(275, 110);
    EXPECT_EQ(BTN_horz_slider(200, 100, 100, 5, 0, 1, &value, 1, "", ""), 1);
    EXPECT_FLOAT_EQ(value, 0.75f);
    mnw.button_held = 0;

    auto fill_pieces = [&] {
        int n = 0;
        for (const widget_draw_op& p : pieces()) n += p.s1 >= 289 && p.t1 == 219;
        return n;
    };
    ops.clear();
    BTN_horz_slider(200, 100, 100, 12, 0, 1, &value, 0, "", "");
    EXPECT_EQ(fill_pieces(), 0) << "colour 12 draws no fill";
    ops.clear();
    value = 0;
    BTN_horz_slider(200, 100, 100, 5, 0, 1, &value, 0, "", "");
    EXPECT_EQ(fill_pieces(), 0) << "nothing to fill at lo";
    ops.clear();
    value = 0.5f;
    BTN_horz_slider(200, 100, 100, 5, 0, 1, &value, 0, "L|R{ h", "cap");
    EXPECT_GT(fill_pieces(), 0);
    EXPECT_EQ(texts().back().string, "cap");
}

}  // namespace
