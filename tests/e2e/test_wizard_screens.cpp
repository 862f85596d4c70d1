// The wizard as its user meets it: a test build's chain of screens clicked
// through with the real mouse, the file plan's question answered, the
// folder picker browsed, and the run road starting a stand-in simulator.
// Clicks go to interface positions: the window's origin plus (x, 600 - y).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "installer_process.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::write_file;

int count_of(const std::string& text, const std::string& part)
{
    int n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

class wizard_screens : public ::testing::Test {
protected:
    void start()
    {
        program.start({"--lang=en"});
        window = program.wait_for_window(20);
        ASSERT_FALSE(window.empty()) << program.output() << program.log();
        const std::string info = x_command("xwininfo -id " + window);
        origin_x = std::stoi(info.substr(info.find("Absolute upper-left X:") + 22));
        origin_y = std::stoi(info.substr(info.find("Absolute upper-left Y:") + 22));
        ASSERT_TRUE(wait_log("test screen: one", 1));
    }
    // The log holds `part` at least `times` times within a few seconds.
    bool wait_log(const std::string& part, int times)
    {
        for (int i = 0; i < 100; ++i) {
            if (count_of(program.log(), part) >= times) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    void click(float x, float y, int clicks = 1)
    {
        const int sx = origin_x + static_cast<int>(x);
        const int sy = origin_y + static_cast<int>(600 - y);
        x_command("xdotool mousemove " + std::to_string(sx) + " " + std::to_string(sy) +
                  " sleep 0.2 click --repeat " + std::to_string(clicks) + " --delay 90 1");
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    void shot(const std::string& name) { program.screenshot("root", "wizard_" + name); }

    installer_process program;
    std::string window;
    int origin_x = 0, origin_y = 0;
};

// Interface positions of the bottom bar (English skin) and the choices.
constexpr float kContinueX = 720, kBackX = 595, kBarY = 23, kRightQuitX = 742;
float choice_y(int i) { return 350.0f - 25.0f * static_cast<float>(i); }

TEST_F(wizard_screens, ContinueGoBackAndChoicesSwitchScreens)
{
    start();
    if (HasFatalFailure()) return;
    shot("screen_one");
    click(kContinueX, kBarY);
    ASSERT_TRUE(wait_log("test screen: two", 1)) << program.log();
    shot("screen_two_with_progress");
    click(kBackX, kBarY);
    ASSERT_TRUE(wait_log("test screen: one", 2)) << program.log();
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1)) << program.log();
    shot("screen_three_last");
    click(kRightQuitX, kBarY);
    EXPECT_EQ(program.wait(10), 0) << "the right-hand QUIT ends the program in order";
}

TEST_F(wizard_screens, DimmedGoBackChangesNothing)
{
    start();
    if (HasFatalFailure()) return;
    click(kBackX, kBarY);
    click(kContinueX, kBarY);
    ASSERT_TRUE(wait_log("test screen: two", 1));
    EXPECT_EQ(count_of(program.log(), "test screen: one"), 1) << program.log();
}

TEST_F(wizard_screens, FilePlanQuestionIsAnsweredByClicks)
{
    start();
    if (HasFatalFailure()) return;
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1));
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: plan", 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    shot("file_plan_question");
    // Window 996 is 750 by 146, centred: its origin is (25, 227).
    click(25 + 345, 227 + 53);  // overwrite every old file in this folder
    click(25 + 108, 227 + 28);  // keep the one in the folder below
    ASSERT_TRUE(wait_log("plan: result", 1)) << program.log();
    EXPECT_EQ(count_of(program.log(), "plan: result 1 1 1 0"), 1) << program.log();
    EXPECT_EQ(count_of(program.log(), "File: "), 2) << "the settled file is not logged";
}

TEST_F(wizard_screens, FolderPickerBrowsesAndMakesANewFolder)
{
    const std::string pick = program.home() + "pick/";
    ASSERT_EQ(system(("mkdir -p '" + pick + "alpha/sim'").c_str()), 0);
    start();
    if (HasFatalFailure()) return;
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1));
    click(500, choice_y(1));
    ASSERT_TRUE(wait_log("test screen: pick", 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // Window 998 is 561 by 474, centred: its origin is (120, 63).
    click(120 + 100, 63 + 52);  // the "File:" field
    x_command("xdotool type --delay 60 beta");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shot("folder_picker_named");
    click(120 + 430, 63 + 28);  // New Folder
    struct stat st;
    EXPECT_EQ(stat((pick + "beta").c_str(), &st), 0) << "no new folder";
    click(120 + 100, 63 + 180, 2);  // into alpha, the first row
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shot("folder_picker_in_alpha");
    click(120 + 510, 63 + 28);  // Select
    ASSERT_TRUE(wait_log("picked: ", 1)) << program.log();
    EXPECT_EQ(count_of(program.log(), "picked: 1 "), 1) << program.log();
    EXPECT_EQ(count_of(program.log(), "pick/alpha/sim/\n"), 1) << program.log();
}

// Closing a question or the picker is no answer: nothing is cancelled or
// deleted on its account, and a close request for the program still ends it.
TEST_F(wizard_screens, CancelQuestionClosedByItsCornerIsNoAnswer)
{
    start();
    if (HasFatalFailure()) return;
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1));
    click(500, choice_y(3));
    ASSERT_TRUE(wait_log("test screen: cancel", 1)) << program.log();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    shot("cancel_question");
    // Window 997 is 700 by 206, centred: its origin is (50, 197); the close
    // area is the top-left corner's 25 by 20 units.
    click(50 + 10, 197 + 196);
    ASSERT_TRUE(wait_log("cancel answer: ", 1)) << program.log();
    EXPECT_EQ(count_of(program.log(), "cancel answer: 3\n"), 1) << program.log();
    EXPECT_EQ(program.wait(1), -1) << "the installer goes on";
}

TEST_F(wizard_screens, CloseRequestEndsTheCancelQuestionWithoutAnAnswer)
{
    start();
    if (HasFatalFailure()) return;
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1));
    click(500, choice_y(3));
    ASSERT_TRUE(wait_log("test screen: cancel", 1)) << program.log();
    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(10), 0) << program.log();
    EXPECT_EQ(count_of(program.log(), "cancel answer: 3\n"), 1) << program.log();
}

TEST_F(wizard_screens, CloseRequestEndsTheFolderPickerAsCancel)
{
    const std::string pick = program.home() + "pick/";
    ASSERT_EQ(system(("mkdir -p '" + pick + "alpha'").c_str()), 0);
    start();
    if (HasFatalFailure()) return;
    click(500, choice_y(0));
    ASSERT_TRUE(wait_log("test screen: three", 1));
    click(500, choice_y(1));
    ASSERT_TRUE(wait_log("test screen: pick", 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
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
    click(160, kBarY);  // OPTIONS, live on the first test screen
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    // Window 2 is 700 by 380, centred: its origin is (50, 110).
    click(50 + 40, 110 + 204);   // manual stream count: an automatic 0 becomes 1
    click(50 + 200, 110 + 43);   // proxy host
    x_command("xdotool type --delay 40 proxy.example");
    click(50 + 200, 110 + 23);   // proxy port, not a number
    x_command("xdotool type --delay 40 80a");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    shot("options_window");
    click(50 + 10, 110 + 370);   // the close area at the top-left corner
    click(58, kBarY);            // QUIT
    ASSERT_EQ(program.wait(10), 0) << program.log();
    const std::string prefs = read_file(program.prefs_file());
    EXPECT_NE(prefs.find("_stream_count 1"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("_proxy_host proxy.example"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("_proxy_port 80a"), std::string::npos) << prefs;
    EXPECT_NE(prefs.find("_proxy_port_int 0"), std::string::npos) << "no proxy, never 65535\n"
                                                                   << prefs;
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
    for (int i = 0; i < 50 && !file_exists(ran); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
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
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    shot("run_road_missing_simulator");
    click(400, 193);  // "Understood" of the alert
    EXPECT_EQ(program.wait(1), -1) << "the installer must stay";
    EXPECT_EQ(count_of(program.log(), "Not an executable file"), 1) << "said once";
}

}  // namespace
