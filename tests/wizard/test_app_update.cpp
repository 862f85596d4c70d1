// The wizard driver frame by frame in-process, clicked through the shell's
// mouse state: first frames, the bottom bar, choices and quitting.
#include <gtest/gtest.h>

#include <vector>

#include "core/shell_hooks.h"
#include "core/diag/error_codes.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "shell/mnw_state.h"
#include "wizard/app_update.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_screen.h"

#include "main_window_test.h"

namespace {

struct call {
    char screen;
    int first;
};
std::vector<call> g_calls;
int g_done_result = 0;
int g_hook_runs = 0;

int screen_b(int first, wizard_screen& r);
int screen_c(int first, wizard_screen& r);

int screen_a(int first, wizard_screen& r)
{
    g_calls.push_back({'a', first});
    r.next = screen_b;
    r.choice_labels = {"To C"};
    r.choice_funcs = {screen_c};
    r.quit_hook = [] { ++g_hook_runs; };
    return g_done_result;
}
int screen_b(int first, wizard_screen& r)
{
    g_calls.push_back({'b', first});
    r.back = screen_a;
    r.next = screen_c;
    return g_done_result;
}
int screen_c(int first, wizard_screen& r)
{
    g_calls.push_back({'c', first});
    r.back = screen_a;
    r.next = wizard_quit;
    r.quit_hook = [] { ++g_hook_runs; };
    return 0;
}
int dead_end(int first, wizard_screen&)
{
    g_calls.push_back({'d', first});
    return 1;  // done, but with nowhere to go
}

class driver : public main_window_test {
protected:
    void SetUp() override
    {
        main_window_test::SetUp();
        g_calls.clear();
        g_done_result = 0;
        g_hook_runs = 0;
        step_names.clear();
        step_funcs.clear();
    }
    void TearDown() override
    {
        // The driver remembers the screen of its last frame: end on one no
        // test starts on, so the next test's first frame is a first frame
        // whatever order the tests run in.
        g_wizard = parked;
        frame();
        g_wizard = nullptr;
        main_window_test::TearDown();
    }
    static int parked(int, wizard_screen&) { return 0; }
    // One frame, with a click at (x, y) when x is not negative.
    static void frame(float x = -1, float y = -1)
    {
        if (x < 0)
            mouse_away();
        else
            click_at(x, y);
        APP_update();
        mnw.click = 0;
    }
    // One frame with a click on a button of the bottom bar.
    static void frame(button_bar::button b, bool last_screen = false)
    {
        click_bar(b, last_screen);
        APP_update();
        mnw.click = 0;
    }
};

TEST_F(driver, FirstFrameFlagIsRaisedOnEveryChangeOfScreen)
{
    g_wizard = screen_a;
    frame();
    frame();
    frame(button_bar::next);  // a -> b
    frame();
    frame(button_bar::go_back);  // b -> a
    frame();
    const std::vector<std::pair<char, int>> expected = {{'a', 1}, {'a', 0}, {'a', 0},
                                                        {'b', 1}, {'b', 0}, {'a', 1}};
    ASSERT_EQ(g_calls.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(g_calls[i].screen, expected[i].first) << i;
        EXPECT_EQ(g_calls[i].first, expected[i].second) << i;
    }
}

TEST_F(driver, ChoiceSwitchesAndDimmedGoBackDoesNothing)
{
    g_wizard = screen_a;
    frame(button_bar::go_back);  // screen a has no back
    EXPECT_EQ(g_wizard, screen_a);
    frame(500, 350);
    EXPECT_EQ(g_wizard, screen_c);
}

int offers_itself(int first, wizard_screen& r)
{
    g_calls.push_back({'s', first});
    r.choice_labels = {"Again"};
    r.choice_funcs = {offers_itself};
    return 0;
}

TEST_F(driver, ChoiceOfTheCurrentScreenRaisesNoNewFirstFrame)
{
    g_wizard = offers_itself;
    frame();
    frame(500, 350);
    frame();
    ASSERT_EQ(g_calls.size(), 3u);
    EXPECT_EQ(g_calls[1].first, 0);
    EXPECT_EQ(g_calls[2].first, 0);
}

TEST_F(driver, DoneBeatsAGoBackClickInTheSameFrame)
{
    g_wizard = screen_b;
    g_done_result = 1;
    frame(button_bar::go_back);
    EXPECT_EQ(g_wizard, screen_c);
}

TEST_F(driver, DoneWithoutNextKeepsTheScreenWithoutNewFirstFrames)
{
    g_wizard = dead_end;
    frame();
    frame(button_bar::next);
    EXPECT_EQ(g_wizard, dead_end);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[1].first, 0);
}

TEST_F(driver, LeftQuitRunsTheHookAndEndsTheRun)
{
    g_wizard = screen_a;
    frame(button_bar::quit);
    EXPECT_EQ(app_done, 1);
    EXPECT_EQ(g_hook_runs, 1);
    EXPECT_EQ(g_wizard, screen_a) << "QUIT changes no screen";
}

TEST_F(driver, RightQuitOnTheLastScreenEndsTheRunAFrameLaterWithoutTheHook)
{
    g_wizard = screen_c;
    frame(button_bar::quit);  // no left QUIT on the last screen
    EXPECT_EQ(app_done, 0);
    frame(button_bar::last_quit, true);
    EXPECT_EQ(app_done, 0);
    EXPECT_EQ(g_wizard, wizard_quit);
    frame();
    EXPECT_EQ(app_done, 1);
    EXPECT_EQ(g_hook_runs, 0);
}

TEST_F(driver, NoScreenEndsTheRun)
{
    g_wizard = nullptr;
    frame();
    EXPECT_EQ(app_done, 1);
}

// -- Flying a copy whose simulator is missing ---------------------------------

// The copy just installed cannot fly: the user is told so once, and GO BACK
// returns to the finish screen rather than to the start of the road.
TEST_F(driver, AMissingSimulatorAfterAnInstallGoesBackToTheFinishScreen)
{
    scratch_home home;
    dest_dir_path = home / "Nimbrel 9 Demo/";
    step_funcs = {screen_a};
    alerts_fail_ = false;
    g_wizard = demo_done;
    frame();
    frame(500, 350);  // Fly Nimbrel 9 Now
    ASSERT_EQ(g_wizard, dvd_do_run_sim);
    frame();
    frame();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line3, "This copy of Nimbrel 9 is incomplete; please install it again.");
    frame(button_bar::go_back);
    EXPECT_EQ(g_wizard, demo_done);
}

// -- The cancel question after an install error --------------------------------

std::string g_question;
int answer_first(const std::string& question, const std::string&, const std::string&,
                 const std::string&, const std::string&)
{
    g_question = question;
    return 1;
}

TEST(CancelInstall, ErrorLineStandsBetweenTheCallersTexts)
{
    set_abort_alert_hook(answer_first);
    std::string message;
    const int code = install_files_get_error(message);  // nothing kept: both empty
    EXPECT_EQ(UTIL_cancel_install("Intro", "Go on?", "Cancel", "a", "Continue", "b"), 1);
    EXPECT_EQ(g_question, "Intro\n\n" + message + " (" + error_str(code) + ")\n\nGo on?");
    set_abort_alert_hook(nullptr);
}

}  // namespace
