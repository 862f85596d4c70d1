// The installer where servers and the environment fail, as a user meets it:
// the real program under Xvfb against nginx or a closed port on loopback.
// It must keep a usable window, a small log and its way out, and end the
// ordinary way when told to by a signal.
#include <gtest/gtest.h>

#include <signal.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "loopback_ports.h"
#include "nginx_server.h"
#include "web_demo_road.h"

namespace {

using testing_support::count_of;
using testing_support::file_exists;
using testing_support::has;
using testing_support::read_file;
using testing_support::window_pixels;
using testing_support::write_file;

// -- Reading the window -------------------------------------------------------------

// A pixel by interface units: y up from the window's bottom.
uint32_t pixel(const window_pixels& p, int x, int y) { return p.at(x, p.height() - 1 - y); }

bool near(uint32_t a, uint32_t b, int slack)
{
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xff) - int((b >> shift) & 0xff)) > slack) return false;
    return true;
}

bool column_has_ink(const window_pixels& p, int x, int bottom, int top, uint32_t ground)
{
    for (int y = bottom; y <= top; ++y)
        if (!near(pixel(p, x, y), ground, 24)) return true;
    return false;
}

// From `x` outwards by `step` (-1 left, +1 right): how many columns of
// ink run on from `x`, up to `limit`.
int ink_run(const window_pixels& p, int x, int step, int bottom, int top, uint32_t ground, int limit)
{
    int run = 0;
    while (run < limit && column_has_ink(p, x + step * run, bottom, top, ground)) ++run;
    return run;
}

// Pixels unlike the step panel in a server's row, right of its radio
// button, where its description is written.
int ink_beside_radio(const window_pixels& p, int y)
{
    const uint32_t ground = pixel(p, 185, y + 4);
    int ink = 0;
    for (int x = 52; x < 180; ++x)
        for (int row = y - 2; row <= y + 10; ++row) ink += !near(pixel(p, x, row), ground, 40);
    return ink;
}

// -- Servers that cannot be reached or that lie ------------------------------------------

// A closed proxy port: the window stays usable and the log gets a failure
// block per try, few as the rests between tries make them.  The options
// window on the way shows its pop-up button clear of the labels beside it.
TEST(failing_road, ClosedProxyLeavesAUsableWindowAndASmallLog)
{
    const testing_support::refused_port closed;
    ASSERT_NE(closed.port(), 0);
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, closed.port())) << road.output();

    ASSERT_TRUE(road.press_until_changed(button_bar::options)) << road.log();
    road.rest_pointer();
    // A modal window's frames draw it alone, without the step list.
    ASSERT_TRUE(road.wait_for_step(step_list::none)) << road.log();
    road.shot("failing_options_window");
    // The options window stands centred, 700 by 380: its pop-up button at
    // (250, 300) of it, within the General Preferences panel.
    const window_pixels options = road.picture();
    ASSERT_FALSE(options.empty());
    const uint32_t ground = pixel(options, 700, 300);
    // The button's frame is centred on 310; a label that ran into it would
    // lengthen the ink on its side.
    const int left = ink_run(options, 310, -1, 405, 420, ground, 150);
    const int right = ink_run(options, 310, +1, 405, 420, ground, 150);
    EXPECT_NEAR(left, right, 2) << "a label runs into the button";
    EXPECT_LT(left + right, 120) << "a label runs into the button";
    ASSERT_TRUE(road.click_until_changed(50 + 10, 110 + 370)) << "the options window did not close";

    ASSERT_TRUE(walk_to_server_check(road)) << road.log();
    // Rests of 0.5, 1, 2 and 4 seconds: five tries, and the next after eight
    // more.  The rests alone take seven and a half seconds of the program's
    // clock; the limit leaves a busy machine's frames eight times as long.
    ASSERT_TRUE(road.wait_for_log("   server     =", 60, 5)) << road.log();
    road.shot("failing_server_check_closed_proxy");
    const std::string log = road.log();
    EXPECT_LE(count_of(log, "   server     ="), 6) << "asked more often than its rests allow\n" << log;

    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

// Every server gives a manifest archive that does not unpack: one warning
// per server, then the problem text, and QUIT ends the program.
TEST(failing_road, DamagedManifestEverywhereWarnsOncePerServerAndLetsTheUserQuit)
{
    sample_release release(5, 0, 1);
    write_file(release.release_folder() + "directory.txt.zip", "PK but no zip archive");
    ASSERT_TRUE(release.serve()) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_server_check(road)) << road.log();

    const char warning[] = "The installer cannot extract a file.";
    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return road.logged(warning, 2);
    }, 20)) << road.log();
    road.keys("Return");
    // The frame that says so draws the check's problem text.
    EXPECT_TRUE(road.wait_for_log("No download server gave a manifest that can be read.", 10)) << road.log();
    EXPECT_TRUE(road.wait_for_step(step_list::server_check)) << road.log();
    road.shot("failing_damaged_manifest");
    EXPECT_FALSE(road.logged(warning, 3)) << "a warning came back for a server already warned about";
    EXPECT_EQ(release.requests_for("directory.txt.zip", 2), 2) << release.access_log();

    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

// A manifest that unpacks past any manifest's bound, or one with no file
// for this system (only another system's file, a removal and a scenery
// tile, each of which alone would pass for one), on both servers: each
// server is tried once (the bound warned about once each), then the problem
// text; never the destination or "Fly".
struct release_case {
    const char* name;
    const char* make;  // shell lines run in the release folder that leave directory.txt
    int warnings;
};

void PrintTo(const release_case& c, std::ostream* os) { *os << c.name; }

// The release's manifest replaced by its header and what `make` adds to
// it; the shell's status.
int replace_manifest(const sample_release& release, const std::string& make)
{
    return testing_support::run_shell("cd '" + release.release_folder() + "' && rm directory.txt.zip && " +
                                      "printf 'I\\n900 version\\nINSTALLER\\n' > directory.txt && " + make +
                                      " && zip -q -1 directory.txt.zip directory.txt && rm directory.txt")
        .status;
}

class damaged_release : public testing::TestWithParam<release_case> {};

TEST_P(damaged_release, EndsOnTheProblemTextOnceEachServerWasTried)
{
    const release_case& c = GetParam();
    sample_release release(3, 0, 1);
    ASSERT_EQ(replace_manifest(release, c.make), 0);
    ASSERT_TRUE(release.serve()) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_server_check(road)) << road.log();

    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return road.wait_for_log("No download server gave a manifest that can be read.", 0.5);
    }, 30)) << road.log();
    // The frame that says so draws the check's problem text, once the
    // warning's window has gone from over it.
    EXPECT_TRUE(road.wait_for_step(step_list::server_check)) << road.log();
    road.shot(std::string("failing_release_") + c.name);
    EXPECT_EQ(count_of(road.log(), "The installer cannot extract a file."), c.warnings) << road.log();
    EXPECT_EQ(release.requests_for("directory.txt.zip", 2), 2) << release.access_log();

    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

INSTANTIATE_TEST_SUITE_P(manifests, damaged_release,
                         testing::Values(release_case{"bomb", "truncate -s 260M directory.txt", 2},
                                         release_case{"nothing_here",
                                                      "m=0123456789abcdef0123456789abcdef && printf '"
                                                      "FILE 1 2 1 1 1 %s Nimbrel/other_system.txt\\n"
                                                      "FILE 1 0 1 1 1 GONE Nimbrel/removed.txt\\n"
                                                      "FILE 1 0 1 1 1 %s Nimbrel/Global Scenery/"
                                                      "+40-080/+45-075.dsf\\n' $m $m >> directory.txt",
                                                      0}),
                         [](const testing::TestParamInfo<release_case>& info) { return info.param.name; });

// A manifest line naming a folder is fatal: once the user has read the
// alert, the program ends by abort, and the run's temporary folder goes
// with it, the server list and the manifest it downloaded, as it goes on
// every other end.
TEST(failing_road, AFatalAlertEndsTheProgramWithoutItsRunFolder)
{
    sample_release release(3, 0, 1);
    ASSERT_EQ(replace_manifest(release, "printf 'FILE 1 0 1 1 1 0123456789abcdef0123456789abcdef Nimbrel/folder/\\n' "
                                        ">> directory.txt"),
              0);
    ASSERT_TRUE(release.serve()) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_server_check(road)) << road.log();
    const std::string temp = road.run_folder();
    ASSERT_FALSE(temp.empty()) << road.log();

    ASSERT_TRUE(road.wait_for_step(step_list::none, 30)) << road.log();
    road.shot("failing_fatal_manifest_line");
    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return road.wait_for_exit(0.5) != -1;
    }, 20)) << road.log();
    EXPECT_EQ(road.wait_for_exit(0), 128 + SIGABRT) << road.output();
    EXPECT_TRUE(road.logged("I am reading the directory text file and found a path that has no file!")) << road.log();
    EXPECT_FALSE(file_exists(temp)) << "the run folder was left behind";
}

// -- Told to stop -------------------------------------------------------------------------

class stopped_by_signal : public testing::TestWithParam<int> {};

// During the install, with downloads under way: the pumps stop, the
// preferences are written, the run's temporary folder goes, and the status
// is 128 + the signal.  The install screen's server list shows plain
// descriptions, as the release tool and hand-written lists have them.
TEST_P(stopped_by_signal, DuringTheInstallShutsDownTheOrdinaryWay)
{
    const int sig = GetParam();
    sample_release release(10, 1, 2);
    std::string list = read_file(release.webroot() + "serverlist9.txt");
    for (size_t at; (at = list.find("|Download")) != std::string::npos;) list.erase(at, 1);
    write_file(release.webroot() + "serverlist9.txt", list);
    ASSERT_TRUE(release.serve(release.slowed("Nimbrel/Resources/large/", "100k"))) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    const std::string temp = road.run_folder();
    ASSERT_TRUE(begin_install(road)) << road.log();
    ASSERT_TRUE(wait_until([&] { return holds_archives(temp); }, 20)) << road.log();

    if (sig == SIGTERM) {
        road.rest_pointer();
        // The install screen, known by its step: its readouts never stand still.
        ASSERT_TRUE(wait_until([&] { return testing_support::current_step(road.picture()) == step_list::install; },
                               road.kActing));
        road.shot("failing_install_servers");
        const window_pixels shot = road.picture();
        ASSERT_FALSE(shot.empty());
        for (int y : {118, 78}) EXPECT_GT(ink_beside_radio(shot, y), 40) << "no description beside the server at y " << y;
    }

    ASSERT_TRUE(road.send_signal(sig));
    EXPECT_EQ(road.wait(20), 128 + sig) << road.output();
    EXPECT_TRUE(road.logged("Stopping on signal " + std::to_string(sig) + ".")) << road.log();
    EXPECT_FALSE(file_exists(temp)) << temp << " outlived the run";
    const std::string prefs = read_file(road.prefs_file());
    EXPECT_TRUE(has(prefs, "_proxy_port_int " + std::to_string(release.port()) + "\n")) << prefs;
    EXPECT_TRUE(has(prefs, "_stream_count 0\n")) << prefs;
}

INSTANTIATE_TEST_SUITE_P(signals, stopped_by_signal, testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM  ? "SIGTERM"
                                                : info.param == SIGINT ? "SIGINT"
                                                                       : "SIGHUP");
                         });

}  // namespace
