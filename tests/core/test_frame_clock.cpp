#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "core/diag/frame_clock.h"
#include "log_capture.h"

namespace {

unsigned long long fake_now = 0;
unsigned long long fake_clock() { return fake_now; }

// The shell's fields as the frame clock sees them.
struct fake_window {
    int current_window = 0, second_monitor = 0;
    float mouse_x = 0, mouse_y = 0;
    int click = 0, released = 0, held = 0, quick = 0, dbl = 0, held_long = 0, held_very_long = 0;
    float last_move = 0, click_time = 0;
    int profile_on = 0;
};

std::map<int, float> colour_red;
int unfocus_calls = 0;

class FrameClock : public testing::Test {
protected:
    void SetUp() override
    {
        fake_now = 5000000000ULL;  // any start: the clock counts from its first call
        xtim_set_clock(fake_clock);
        xtim_bind_window_fields({&w.current_window, &w.second_monitor, &w.mouse_x, &w.mouse_y,
                                 &w.click, &w.released, &w.held, &w.quick, &w.dbl,
                                 &w.held_long, &w.held_very_long, &w.last_move,
                                 &w.click_time, &w.profile_on});
        xtim_ui_hooks hooks;
        hooks.assign_colour = [](int index, float r, float, float) { colour_red[index] = r; };
        hooks.set_colour_red = [](int index, float r) { colour_red[index] = r; };
        hooks.unfocus_widgets = [] { ++unfocus_calls; };
        xtim_set_ui_hooks(hooks);
        colour_red.clear();
        unfocus_calls = 0;
    }
    void TearDown() override
    {
        xtim_set_clock(nullptr);
        xtim_bind_window_fields({});
        xtim_set_ui_hooks({});
    }

    // One frame after `seconds` more; the per-frame mouse flags last one frame.
    void frame(double seconds)
    {
        fake_now += static_cast<unsigned long long>(std::llround(seconds * 1e6));
        clock.xtim_update();
        w.click = w.released = 0;
    }
    void frames(int n, double seconds)
    {
        for (int i = 0; i < n; ++i) frame(seconds);
    }

    fake_window w;
    xtim_class clock;
};

}  // namespace

TEST_F(FrameClock, StartsLowerAndHoldsWhenFramesTakeTheEstimatedPeriod)
{
    EXPECT_FLOAT_EQ(clock.prd_frame_1, 0.02f);
    frame(0);
    const float settled = 0.02f * std::pow(0.5f, 0.25f);
    EXPECT_NEAR(clock.prd_frame_1, settled, 1e-6) << "the first update measures from time 0";
    frames(200, settled);
    EXPECT_NEAR(clock.prd_frame_1, settled, 2e-5);
    EXPECT_NEAR(clock.rate_ratio, 1.0f, 1e-3);
    EXPECT_FLOAT_EQ(clock.prd_frame_2, clock.prd_frame_1);
}

TEST_F(FrameClock, EstimateStaysBetweenAMillisecondAndOneNineteenth)
{
    frames(600, 0.0005);
    EXPECT_FLOAT_EQ(clock.prd_frame_1, 0.0010001f);
    EXPECT_FLOAT_EQ(clock.rate_ratio, 0.5f);
    frames(600, 0.1);
    EXPECT_FLOAT_EQ(clock.prd_frame_1, 1.0f / 19.0f);
    EXPECT_FLOAT_EQ(clock.rate_ratio, 1.5f);
}

TEST_F(FrameClock, ModalWindowFreezesBothEstimatesAndTheNextUpdateMeasuresFromItsClose)
{
    frames(101, 0.02);
    const float before = clock.prd_frame_1;
    w.current_window = 994;
    frames(50, 0.5);  // a long wait inside an alert
    EXPECT_FLOAT_EQ(clock.prd_frame_1, before);
    w.current_window = 0;
    frames(10, before);
    EXPECT_NEAR(clock.prd_frame_1, before, 2e-4) << "the alert's time must not count";
}

TEST_F(FrameClock, SimulatedPeriodScalesOnlyInTheMainWindow)
{
    clock.sim_rate = 2.0f;
    frame(0.02);
    EXPECT_FLOAT_EQ(clock.prd_sim, clock.prd_frame_1 * 2.0f);
    w.current_window = 5;
    frame(0.02);
    EXPECT_FLOAT_EQ(clock.prd_sim, clock.prd_frame_1) << "other windows are not scaled";
    w.second_monitor = 1;
    frame(0.02);
    EXPECT_FLOAT_EQ(clock.prd_sim, clock.prd_frame_1 * 2.0f) << "a second monitor counts as main";
}

TEST_F(FrameClock, PressesCloseTogetherMakeADoubleClick)
{
    frame(0.0);
    frame(1.0);
    w.click = 1;
    frame(0.0);
    EXPECT_EQ(w.dbl, 0);
    EXPECT_EQ(w.held, 1);
    EXPECT_EQ(unfocus_calls, 1);
    w.released = 1;
    frame(0.05);
    w.click = 1;
    frame(0.15);
    EXPECT_EQ(w.dbl, 1) << "0.2 s apart";
    w.released = 1;
    frame(0.05);
    w.click = 1;
    frame(0.25);
    EXPECT_EQ(w.dbl, 0) << "0.3 s apart";
    EXPECT_FLOAT_EQ(w.click_time, clock.real_time);
    EXPECT_FLOAT_EQ(w.last_move, clock.real_time);
}

TEST_F(FrameClock, QuickReleaseAndHoldTimesFollowThePress)
{
    frame(0.0);
    frame(1.0);
    w.click = 1;
    frame(0.0);
    w.released = 1;
    frame(0.1);
    EXPECT_EQ(w.quick, 1);
    EXPECT_EQ(w.held, 0);

    w.click = 1;
    frame(1.0);
    frame(0.2);
    EXPECT_EQ(w.held_long, 0);
    frame(0.1);
    EXPECT_EQ(w.held_long, 1);
    EXPECT_EQ(w.held_very_long, 0);
    frame(0.75);
    EXPECT_EQ(w.held_very_long, 1);
    w.released = 1;
    frame(0.02);
    EXPECT_EQ(w.quick, 0);
    EXPECT_EQ(w.held_long, 0);
    EXPECT_EQ(w.held, 0);
}

TEST_F(FrameClock, OnlyARealMouseMoveCountsAsActivity)
{
    w.mouse_x = 10;
    frame(1.0);
    const float moved_at = w.last_move;
    w.mouse_x = 10.4f;
    frame(1.0);
    EXPECT_FLOAT_EQ(w.last_move, moved_at);
    w.mouse_y = 0.6f;
    frame(1.0);
    EXPECT_FLOAT_EQ(w.last_move, clock.real_time);
}

TEST_F(FrameClock, TickFlagsRiseOneFrameAtATimeNoMoreOftenThanTheirRate)
{
    int five_hz = 0, one_hz = 0;
    for (int i = 0; i < 100; ++i) {  // two seconds at 50 frames per second
        frame(0.02);
        five_hz += clock.act_tick[5];
        one_hz += clock.act_tick[3];
        EXPECT_EQ(clock.sim_tick[0] + clock.sim_tick[8], 0) << "simulated time stands still";
    }
    EXPECT_GE(five_hz, 8);
    EXPECT_LE(five_hz, 10);
    EXPECT_EQ(one_hz, 1);
}

TEST_F(FrameClock, PulsesTheInterfaceColours)
{
    frame(0.1);
    const float v = 0.3f * std::sin(20.0f * clock.real_time) + 0.7f;
    for (int index : {83, 84, 85, 111}) EXPECT_FLOAT_EQ(colour_red[index], v) << index;
    EXPECT_FLOAT_EQ(colour_red[86], 0.3f * v);
    EXPECT_FLOAT_EQ(colour_red[87], 0.2f * v);
    EXPECT_FLOAT_EQ(colour_red[88], 0.7f * v);
}

TEST_F(FrameClock, StampsMeasureMicrosecondsBetweenCalls)
{
    EXPECT_EQ(clock.microsecs(), 0u);
    fake_now += 1234;
    EXPECT_EQ(clock.del_time(nullptr), 1234) << "the first stamp measures from the base";
    fake_now += 500;
    EXPECT_EQ(clock.del_time(nullptr), 500);
    unsigned long long mine = clock.microsecs();
    fake_now += 7;
    EXPECT_EQ(clock.del_time(&mine), 7);
}

TEST_F(FrameClock, ProfileChartWritesOnlyWhileProfiling)
{
    log_capture log;
    clock.profile_chart("init", 1);
    EXPECT_EQ(log.text(), "");
    w.profile_on = 1;
    w.current_window = 3;
    clock.del_time(nullptr);
    fake_now += 2000;
    clock.profile_chart("event", 0);
    fake_now += 16000;
    clock.profile_chart("finish", 1);
    EXPECT_EQ(log.text(), "event=   200 | finish=  1600 |    total: 0.000 sec for topwi=3\n");
    fake_now += 20000;
    clock.profile_chart("finish", 1);
    EXPECT_NE(log.text().find("finish=  2000 |    total: 0.020 sec"), std::string::npos);
}

TEST(FrameClockCalendar, MonthsAndDaysWithoutLeapYears)
{
    xtim_class clock;
    int month = -1, day = -1;
    clock.current_month_day(&month, &day);
    EXPECT_EQ(month, 3);
    EXPECT_EQ(day, 1);
    const struct { float d; int month, day; } cases[] = {
        {0.0f, 0, 1}, {58.9f, 1, 28}, {59.0f, 2, 1}, {364.0f, 11, 31}, {400.0f, 11, 31}};
    for (const auto& c : cases) {
        clock.day_of_year = c.d;
        clock.current_month_day(&month, &day);
        EXPECT_EQ(month, c.month) << c.d;
        EXPECT_EQ(day, c.day) << c.d;
    }
    float h, m, s;
    clock.xtim_hrs_min_sec(3725.9f, &h, &m, &s);
    EXPECT_EQ(h, 1.0f);
    EXPECT_EQ(m, 2.0f);
    EXPECT_EQ(s, 5.0f);
}
