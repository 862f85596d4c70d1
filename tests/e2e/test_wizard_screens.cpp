// The wizard as its user meets it: a test build's chain of screens clicked
// through with the real mouse, the file plan's question answered, the
// folder picker browsed, and the run road starting a stand-in simulator.
// Clicks go to interface positions, y up from the window's bottom.
#include <gtest/gtest.h>

#include <cmath>

#include "road_walker.h"

namespace {

using testing_support::count_of;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::road_walker;
using testing_support::write_file;

float choice_y(int i) { return 350.0f - 25.0f * static_cast<float>(i); }

class wizard_screens : public ::testing::Test {
protected:
    void start()
    {
        ASSERT_TRUE(program.start()) << program.output() << program.log();
        ASSERT_TRUE(wait_log("test screen: one", 1));
    }
    // Started, then on through screen three by its choice `choice` to the
    // screen that logs `name`.
    void start_at(int choice, const std::string& name)
    {
        start();
        if (HasFatalFailure()) return;
        click(500, choice_y(0));
        ASSERT_TRUE(wait_log("test screen: three", 1));
        click(500, choice_y(choice));
        ASSERT_TRUE(wait_log("test screen: " + name, 1)) << program.log();
    }
    // The log holds `part` at least `times` times within a few seconds.
    bool wait_log(const std::string& part, int times) { return program.wait_for_log(part, 10, times); }
    void click(float x, float y) { program.click(x, y); }
    // A click in a modal window of that size, centred as they are.
    void click_in(float width, float height, float x, float y) { program.click_in(width, height, x, y); }
    void shot(const std::string& name) { program.screenshot("root", "wizard_" + name); }
    // The picture still: the frame after the last click has been drawn.
    void settle() { program.wait_for_still(0.3, 5); }
    // A modal window's frames draw it alone, without the screens' step list.
    bool modal_shown() { return program.wait_for_step(step_list::none); }

    road_walker program{NIMBREL_INSTALLER};
};

TEST_F(wizard_screens, ContinueGoBackAndChoicesSwitchScreens)
{
    start();
    if (HasFatalFailure()) return;
    shot("screen_one");
    program.press(button_bar::next);
    ASSERT_TRUE(wait_log("test screen: two", 1)) << program.log();
    shot("screen_two_with_progress");
    program.press(button_bar::go_back);
    ASSERT_TRUE(wait_log("test screen: one", 2)) << program.log();
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1)) << program.log();
    shot("screen_three_last");
    program.press(button_bar::last_quit, true);
    EXPECT_EQ(program.wait(10), 0) << "the right-hand QUIT ends the program in order";
}

TEST_F(wizard_screens, DimmedGoBackChangesNothing)
{
    start();
    if (HasFatalFailure()) return;
    program.press(button_bar::go_back);
    program.press(button_bar::next);
    ASSERT_TRUE(wait_log("test screen: two", 1));
    EXPECT_EQ(count_of(program.log(), "test screen: one"), 1) << program.log();
}

TEST_F(wizard_screens, FilePlanQuestionIsAnsweredByClicks)
{
    start_at(0, "plan");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(modal_shown());
    shot("file_plan_question");
    // Window 996 is 750 by 146, centred.
    click_in(750, 146, 345, 53);  // overwrite every old file in this folder
    click_in(750, 146, 108, 28);  // keep the one in the folder below
    ASSERT_TRUE(wait_log("plan: result", 1)) << program.log();
    EXPECT_EQ(count_of(program.log(), "plan: result 1 1 1 0"), 1) << program.log();
    EXPECT_EQ(count_of(program.log(), "File: "), 2) << "the settled file is not logged";
}

TEST_F(wizard_screens, FolderPickerBrowsesAndMakesANewFolder)
{
    const std::string pick = program.home() + "pick/";
    ASSERT_EQ(system(("mkdir -p '" + pick + "alpha/sim'").c_str()), 0);
    start_at(1, "pick");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(modal_shown());
    // Window 998 is 561 by 474, centred.
    click_in(561, 474, 100, 52);  // the "File:" field
    const testing_support::window_pixels unnamed = program.picture();
    program.type("beta");
    ASSERT_TRUE(program.wait_for_screen(unnamed, 5)) << "the name typed did not show";
    shot("folder_picker_named");
    const testing_support::window_pixels named = program.picture();
    click_in(561, 474, 430, 28);  // New Folder
    EXPECT_TRUE(program.wait_for_file(pick + "beta", 5)) << "no new folder";
    EXPECT_TRUE(program.wait_for_screen(named, 5)) << "the new folder did not show";
    // Into alpha, the first row.  A double click whose presses one stalled
    // frame took in together, or frames a quarter second apart took in,
    // comes as single clicks that only select alpha again, so it is tried
    // until the path above the list grows by a line.  A picture that could
    // not be taken is no such sign, and alpha must be open before Select,
    // which would pick pick/alpha/ from the folder above.
    const float left = std::round((800 - 561) / 2.0f), top = std::round((600 - 474) / 2.0f);
    const testing_support::window_pixels in_pick = program.picture();
    bool in_alpha = false;
    for (int tries = 0; tries < 10 && !in_alpha; ++tries) {
        program.double_click(left + 100, top + 180);
        in_alpha = testing_support::wait_until([&] {
            const testing_support::window_pixels now = program.picture();
            return !now.empty() && now.differences(in_pick, left + 10, top + 55, left + 530, top + 173) > 0;
        }, 5);
    }
    ASSERT_TRUE(in_alpha) << "a double click on alpha never opened it\n" << program.log();
    settle();
    shot("folder_picker_in_alpha");
    click_in(561, 474, 510, 28);  // Select
    ASSERT_TRUE(wait_log("picked: ", 1)) << program.log();
    EXPECT_EQ(count_of(program.log(), "picked: 1 "), 1) << program.log();
    EXPECT_EQ(count_of(program.log(), "pick/alpha/sim/\n"), 1) << program.log();
}

// Closing a question or the picker is no answer: nothing is cancelled or
// deleted on its account, and a close request for the program still ends it.
TEST_F(wizard_screens, CancelQuestionClosedByItsCornerIsNoAnswer)
{
    start_at(3, "cancel");
    if (HasFatalFailure()) return;
    program.rest_pointer();
    ASSERT_TRUE(modal_shown());
    shot("cancel_question");
    // Its message names two deep paths: it stops above the first button,
    // so nothing shows left of the buttons (window 997 is 700 by 206,
    // centred; the buttons span x 46 to 146, their texts start at 150).
    const testing_support::window_pixels shot = program.picture();
    const int left = (800 - 700) / 2, top = (600 - 206) / 2;
    for (int y = 206 - 64; y < 206 - 12; ++y)
        for (int x = 21; x < 44; ++x)
            ASSERT_EQ(shot.at(left + x, top + y), shot.at(left + 20, top + y)) << "text at " << x << ", " << 206 - y;
    // Window 997 is 700 by 206, centred; the close area is the top-left
    // corner's 25 by 20 units.
    click_in(700, 206, 10, 196);
    ASSERT_TRUE(wait_log("cancel answer: ", 1)) << program.log();
    EXPECT_EQ(count_of(program.log(), "cancel answer: 3\n"), 1) << program.log();
    EXPECT_EQ(program.wait(1), -1) << "the installer goes on";
}

TEST_F(wizard_screens, CloseRequestEndsTheCancelQuestionWithoutAnAnswer)
{
    start_at(3, "cancel");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(10), 0) << program.log();
    EXPECT_EQ(count_of(program.log(), "cancel answer: 3\n"), 1) << program.log();
}

TEST_F(wizard_screens, CloseRequestEndsTheFolderPickerAsCancel)
{
    const std::string pick = program.home() + "pick/";
    ASSERT_EQ(system(("mkdir -p '" + pick + "alpha'").c_str()), 0);
    start_at(1, "pick");
    if (HasFatalFailure()) return;
    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(10), 0) << program.log();
    EXPECT_EQ(count_of(program.log(), "picked: 0 "), 1) << program.log();
    EXPECT_EQ(count_of(program.log(), "/pick/\n"), 1) << "the folder stays as it was\n"
                                                       << program.log();
}

TEST_F(wizard_screens, OptionsTakeEffectAtOnceAndAreSavedAtExit)
{
    write_file(program.prefs_file(), "");
    start();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(program.press_until_changed(button_bar::options));  // live on the first test screen
    // Window 2 is 700 by 380, centred.
    click_in(700, 380, 40, 204);  // manual stream count: an automatic 0 becomes 1
    click_in(700, 380, 200, 43);  // proxy host
    program.type("proxy.example");
    click_in(700, 380, 200, 23);  // proxy port, not a number
    const testing_support::window_pixels without_port = program.picture();
    program.type("80a");
    EXPECT_TRUE(program.wait_for_screen(without_port, 5)) << "the port typed did not show";
    shot("options_window");
    click_in(700, 380, 10, 370);  // the close area at the top-left corner
    program.press(button_bar::quit);
    ASSERT_EQ(program.wait(10), 0) << program.log();
    const std::string prefs = read_file(program.prefs_file());
    EXPECT_NE(prefs.find("_stream_count 1"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("_proxy_host proxy.example"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("_proxy_port 80a"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("_proxy_port_int 0"), std::string::npos) << "no proxy, never 65535\n"
                                                                   << prefs;
}

TEST_F(wizard_screens, CloseRequestInTheOptionsWindowEndsTheRunWithTheSettingsSaved)
{
    write_file(program.prefs_file(), "");
    start();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(program.press_until_changed(button_bar::options));
    click_in(700, 380, 40, 204);  // manual stream count
    ASSERT_TRUE(program.send_close_request());
    ASSERT_EQ(program.wait(10), 0) << program.log();
    const std::string prefs = read_file(program.prefs_file());
    EXPECT_NE(prefs.find("_stream_count 1"), std::string::npos) << prefs;
}

class run_road : public wizard_screens {
protected:
    // A registered copy whose simulator is a script that notes how it ran.
    void make_copy(bool with_simulator)
    {
        sim = program.home() + "sim/";
        for (const char* sub : {"Airfoils", "Instructions", "Output", "Resources"})
            ASSERT_EQ(system(("mkdir -p '" + sim + sub + "'").c_str()), 0);
        if (with_simulator) {
            write_file(sim + "Nimbrel-i686",
                       "#!/bin/sh\necho \"$0|$#\" > \"$HOME/simulator_ran.txt\"\n");
            chmod((sim + "Nimbrel-i686").c_str(), 0755);
        }
        ASSERT_EQ(system(("mkdir -p '" + program.home() + ".nimbrel'").c_str()), 0);
        write_file(program.home() + ".nimbrel/nimbrel_install.txt", sim + "\n");
    }
    std::string sim;
};

TEST_F(run_road, OneRegisteredCopyStartsItsSimulatorAndTheInstallerEnds)
{
    make_copy(true);
    start();
    if (HasFatalFailure()) return;
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1));
    click(500, choice_y(2));
    EXPECT_EQ(program.wait(10), 1) << "the installer ends as it hands over\n" << program.log();
    const std::string ran = program.home() + "simulator_ran.txt";
    program.wait_for_file(ran, 5);
    EXPECT_EQ(read_file(ran), sim + "Nimbrel-i686|0\n") << "started with no argument";
}

TEST_F(run_road, MissingSimulatorIsReportedAndTheInstallerStays)
{
    make_copy(false);
    start();
    if (HasFatalFailure()) return;
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1));
    click(500, choice_y(2));
    ASSERT_TRUE(wait_log("Not an executable file: " + sim + "Nimbrel-i686", 1)) << program.log();
    ASSERT_TRUE(modal_shown()) << "no alert";
    shot("run_road_missing_simulator");
    click(400, 193);  // "Understood" of the alert
    EXPECT_EQ(program.wait(1), -1) << "the installer must stay";
    EXPECT_EQ(count_of(program.log(), "Not an executable file"), 1) << "said once";
}

}  // namespace
