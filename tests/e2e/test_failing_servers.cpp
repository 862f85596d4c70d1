// The installer where servers and the environment fail, as a user meets it:
// the real program under Xvfb against nginx or a closed port on loopback.
// It must keep a usable window, a small log and its way out, and end the
// ordinary way when told to by a signal.
#include <gtest/gtest.h>

#include <signal.h>

#include <string>

#include "nginx_server.h"
#include "screen_picture.h"
#include "web_demo_road.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::write_file;

int count_of(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// -- Reading the window -------------------------------------------------------------

// Columns of window pixels that differ from `ground` anywhere in rows
// bottom..top (interface units).
bool column_has_ink(const picture& shot, int x, int bottom, int top, const rgba& ground)
{
    for (int y = bottom; y <= top; ++y)
        if (!shot.window(x, y).near(ground, 24)) return true;
    return false;
}

// From `x` outwards in `step` (-1 left, +1 right): past the ink of the
// button, the blank columns up to the next ink.  -1 when no ink follows
// within `limit` columns.
int gap_beside(const picture& shot, int x, int step, int bottom, int top, const rgba& ground, int limit)
{
    const int end = x + step * limit;
    while (x != end && column_has_ink(shot, x, bottom, top, ground)) x += step;
    int gap = 0;
    for (; x != end; x += step, ++gap)
        if (column_has_ink(shot, x, bottom, top, ground)) return gap;
    return -1;
}

// Pixels unlike the panel beside a server's radio button in its row, where
// the description is written.
int ink_beside_radio(const picture& shot, int y)
{
    const rgba ground = shot.window(192, y + 4);
    int ink = 0;
    for (int x = 52; x < 180; ++x)
        for (int row = y - 2; row <= y + 10; ++row) ink += !shot.window(x, row).near(ground, 40);
    return ink;
}

// -- Servers that cannot be reached or that lie ------------------------------------------

// A closed proxy port: the window stays usable, the log gets one failure
// block and a few counts, not a block per try.  The options window it
// starts in shows its pop-up button clear of the labels beside it.
TEST(failing_road, ClosedProxyLeavesAUsableWindowAndASmallLog)
{
    const unsigned short closed = testing_support::free_loopback_port();
    ASSERT_NE(closed, 0);
    installer_process program;
    const std::string window = start_installer(program, closed);
    ASSERT_FALSE(window.empty()) << program.output();
    road_walker road(program, window);

    road.click(160, 23);  // OPTIONS
    const picture options = picture::read(road.shot("failing_options_window"));
    ASSERT_FALSE(options.empty());
    // The options window stands centred, 700 by 380: its pop-up button at
    // (250, 300) of it, the General Preferences panel around.
    const rgba ground = options.window(700, 300);
    const int left = gap_beside(options, 310, -1, 405, 420, ground, 150);
    const int right = gap_beside(options, 310, +1, 405, 420, ground, 150);
    EXPECT_GE(left, 4) << "the left label runs into the button";
    EXPECT_GE(right, 4) << "the right label runs into the button";
    road.click(60, 480);  // the options window's close area

    road.walk_to_destination();  // stays on the server check
    x_command("sleep 6");
    road.shot("failing_server_check_closed_proxy");
    const std::string log = program.log();
    EXPECT_EQ(count_of(log, "HTTP Error for "), count_of(log, "as before") + 1) << log;
    EXPECT_LE(count_of(log, "as before"), 4) << "more than a few tries in six seconds";
    EXPECT_EQ(count_of(log, "   server     ="), 1) << log;

    road.press_quit();
    EXPECT_EQ(program.wait(20), 0) << program.output();
}

// Every server gives a manifest archive that does not unpack: one warning
// per server, then the problem text, and QUIT ends the program.
TEST(failing_road, DamagedManifestEverywhereWarnsOncePerServerAndLetsTheUserQuit)
{
    sample_release release(5, 0, 1);
    write_file(release.release_folder() + "directory.txt.zip", "PK but no zip archive");
    ASSERT_TRUE(release.serve());
    installer_process program;
    const std::string window = start_installer(program, release.port());
    ASSERT_FALSE(window.empty()) << program.output();
    road_walker road(program, window);
    road.walk_to_destination();

    const char warning[] = "The installer cannot extract a file.";
    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return count_of(program.log(), warning) >= 2;
    }, 20)) << program.log();
    road.keys("Return");
    x_command("sleep 2");
    road.shot("failing_damaged_manifest");
    EXPECT_EQ(count_of(program.log(), warning), 2) << "a warning came back for a server already warned about";
    EXPECT_EQ(count_of(release.access_log(), "directory.txt.zip"), 2) << release.access_log();

    road.press_quit();
    EXPECT_EQ(program.wait(20), 0) << program.output();
}

// -- Told to stop -------------------------------------------------------------------------

class stopped_by_signal : public testing::TestWithParam<int> {};

// During the install, with downloads under way: the pumps stop, the
// preferences are written, the run's temporary folder goes, and the
// status is 128 + the signal.  The install screen's server list shows
// plain descriptions, as the release tool and hand-written lists have them.
TEST_P(stopped_by_signal, DuringTheInstallShutsDownTheOrdinaryWay)
{
    const int sig = GetParam();
    sample_release release(10, 1, 2);
    std::string list = read_file(release.webroot() + "serverlist9.txt");
    for (size_t at; (at = list.find("|Download")) != std::string::npos;) list.erase(at, 1);
    write_file(release.webroot() + "serverlist9.txt", list);
    ASSERT_TRUE(release.serve(release.slowed("Nimbrel/Resources/large/", "100k")));
    installer_process program;
    const std::string window = start_installer(program, release.port());
    ASSERT_FALSE(window.empty()) << program.output();
    road_walker road(program, window);
    road.walk_to_destination();
    std::string temp;
    ASSERT_TRUE(wait_until([&] { return !(temp = release.temp_folder()).empty(); }, 10)) << program.log();
    ASSERT_TRUE(begin_install(program, road)) << program.log();
    ASSERT_TRUE(wait_until([&] { return holds_archives(temp); }, 20)) << program.log();

    if (sig == SIGTERM) {
        const picture shot = picture::read(road.shot("failing_install_servers"));
        ASSERT_FALSE(shot.empty());
        for (int y : {118, 78}) EXPECT_GT(ink_beside_radio(shot, y), 40) << "no description beside the server at y " << y;
    }

    ASSERT_TRUE(program.send_signal(sig));
    EXPECT_EQ(program.wait(20), 128 + sig) << program.output();
    EXPECT_TRUE(has(program.log(), "Stopping on signal " + std::to_string(sig) + ".")) << program.log();
    EXPECT_FALSE(file_exists(temp)) << temp << " outlived the run";
    const std::string prefs = read_file(program.prefs_file());
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
