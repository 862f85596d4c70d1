// The web-demo road's screens while servers fail, frame by frame against
// real servers on 127.0.0.1 and a driven frame clock: what the user reads,
// that the way back stays open and leads to the check made again, and how
// often a failing server is asked in a minute (counted in nginx's access
// log).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/diag/frame_clock.h"
#include "core/shell_hooks.h"
#include "core/maker_site.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "main_window_test.h"
#include "loopback_ports.h"
#include "nginx_server.h"
#include "test_support.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"
#include "wizard/update_road.h"
#include "wizard/wizard_globals.h"

namespace {

using testing_support::count_of;
using testing_support::has;
using testing_support::nginx_server;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

const char kTwoServers[] =
    "I\n820 version\nSERVERS\nFINAL Demo_900\n"
    "SERVER a.example\n/\nFirst server\nSERVER b.example\n/\nSecond server\nENDOFLIST\n";

class failing_servers : public road_test {
protected:
    void SetUp() override
    {
        road_test::SetUp();
        xtim.real_time = 0;
    }
    void TearDown() override
    {
        xtim.real_time = 0;
        road_test::TearDown();
    }

    static void route_through(unsigned short port)
    {
        http.proxy_host = "127.0.0.1";
        http.proxy_port = std::to_string(port);
        http.proxy_port_int = port;
    }
    static std::string proxy_sentence(unsigned short port)
    {
        return "I am going through the proxy 127.0.0.1:" + std::to_string(port) +
               ": its settings may be wrong, or the server may be busy. I will keep trying.";
    }
    static bool in_flight()
    {
        for (int slot = 0; slot < 6; ++slot)
            if (http.transfer(slot)) return true;
        return false;
    }
    // Frames of `screen` for `seconds` of the frame clock, `step` each;
    // while a transfer is in flight the frame clock stands and the frames
    // come on the wall clock, as if every server answered within a frame.
    // Given up only on a transfer that moves no byte for half a minute.  The
    // last frame's record.
    static wizard_screen frames(screen_fn screen, float seconds, float step = 0.05f)
    {
        wizard_screen last;
        const float end = xtim.real_time + seconds;
        testing_support::idle_limit limit(30);
        while (xtim.real_time < end && limit.moving({xtim.real_time, static_cast<double>(http.traffic())})) {
            last = wizard_screen{};
            screen(0, last);
            if (in_flight())
                std::this_thread::sleep_for(std::chrono::microseconds(300));
            else
                xtim.real_time += step;
        }
        EXPECT_GE(xtim.real_time, end) << "the frames did not get through the time";
        return last;
    }
};

// -- The maker's server ---------------------------------------------------------

TEST_F(failing_servers, ClosedProxyIsNamedWithTheMakersServerAndTheWayBackStaysOpen)
{
    const testing_support::refused_port closed;
    ASSERT_NE(closed.port(), 0);
    route_through(closed.port());
    wizard_screen first;
    demo_get_updates(1, first);
    const wizard_screen rec = frames(demo_get_updates, 2);
    EXPECT_EQ(rec.text, "I am contacting " NIMBREL_MAKER_HOST " to find a demo server.\n\nI cannot get an answer from " +
                            std::string(kMakerWebHost) + ". " + proxy_sentence(closed.port()))
        << rec.text;
    EXPECT_EQ(rec.back, see_eula) << "GO BACK stays live";
    EXPECT_EQ(rec.next, nullptr);
    EXPECT_EQ(stg.server_count, -1) << "still trying";

    // Without a proxy the user's own connection is the suspect.
    http.proxy_port_int = 0;
    EXPECT_EQ(server_trouble_text("x.example", false),
              "I cannot get an answer from x.example. Your internet connection may be down, or the server may be "
              "busy. I will keep trying.");
}

TEST_F(failing_servers, FailingMakersServerIsAskedAFewTimesAMinute)
{
    scratch_dir web;
    nginx_server nginx(web.path(), "location = /serverlist9.txt { return 500; }\n");
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    route_through(nginx.port());
    const wizard_screen rec = frames(demo_get_updates, 60);
    const int asked = count_of(read_file(nginx.folder() + "access.log"), "serverlist9.txt");
    EXPECT_GE(asked, 5);
    EXPECT_LE(asked, 8) << "asked " << asked << " times in a minute";
    EXPECT_TRUE(has(rec.text, "I cannot get an answer from " + std::string(kMakerWebHost) + ".")) << rec.text;
}

// Neither a list that names no server nor one older than this installer
// needs a newer installer: the problem text, not a notice that ends it.
TEST_F(failing_servers, ListWithoutServersOrOfAnOlderVersionGetsTheProblemTextAndTheProgramGoesOn)
{
    scratch_dir web;
    nginx_server nginx(web.path());
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    route_through(nginx.port());
    for (const char* list : {"I\n820 version\nSERVERS\nFINAL Demo_900\nENDOFLIST\n",
                             "I\n700 version\nSERVERS\nFINAL Demo_900\nSERVER a.example\n/\nA\nENDOFLIST\n"}) {
        write_file(web / "serverlist9.txt", list);
        stg_set_start_values();
        const wizard_screen rec = frames(demo_get_updates, 1);
        EXPECT_EQ(rec.text, "There was a problem reading information from the servers.") << list;
        EXPECT_EQ(rec.back, see_eula) << list;
        EXPECT_EQ(rec.next, nullptr) << list;
        EXPECT_EQ(app_done, 0) << list;
        EXPECT_EQ(stg.format_error, 0) << list;
    }
}

// -- The download servers ----------------------------------------------------------

TEST_F(failing_servers, EveryServerFailingTheManifestIsToldWhileEachIsAskedAFewTimesAMinute)
{
    scratch_dir web;
    write_file(web / "serverlist9.txt", kTwoServers);
    nginx_server nginx(web.path(), "location ~ directory.txt.zip$ { return 500; }\n");
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    route_through(nginx.port());
    const wizard_screen rec = frames(demo_get_updates, 60);
    ASSERT_EQ(stg.server_count, 2);
    const std::string host = server_name[stg.server_choice];
    EXPECT_EQ(rec.text, "I am downloading demo info from " + host +
                            ".\n\nI cannot get an answer from any of the download servers, " + host + " included. " +
                            proxy_sentence(nginx.port()))
        << rec.text;
    EXPECT_EQ(rec.back, see_eula);
    EXPECT_EQ(stg.dir_status, 0) << "still trying";
    const int asked = count_of(read_file(nginx.folder() + "access.log"), "directory.txt.zip");
    EXPECT_GE(asked, 5);
    EXPECT_LE(asked, 16) << "asked " << asked << " times in a minute by two servers";
}

TEST_F(failing_servers, EveryServerFailingTheFilesIsToldWhileEachIsAskedAFewTimesAMinute)
{
    scratch_dir web;
    nginx_server nginx(web.path(), "location /Demo_900/ { return 500; }\n");
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    route_through(nginx.port());
    stg.server_count = 2;
    server_name[0] = "a.example";
    server_name[1] = "b.example";
    server_path[0] = server_path[1] = "/Demo_900/";
    server_desc[0] = server_desc[1] = "";
    write_file(temp_path + "directory.txt",
               "I\n900 version\nINSTALLER\n\n"
               "FILE 1 0 1 1 1 0123456789abcdef0123456789abcdef Nimbrel/Resources/a.txt\n"
               "FILE 1 0 1 1 1 0123456789abcdef0123456789abcdef Nimbrel/Resources/b.txt\n");
    ASSERT_EQ(read_directory(temp_path + "directory.txt", ""), 3);
    for (file_history_struct& history : sim_info) history.back().do_install = 1;
    dest_dir_path = home_ / "Copy/";
    next.reset_all_streams();
    demo_install_is_running = 1;

    // Each frame pumps for 0.02 s of the wall clock: long frames keep the
    // minute short.
    const wizard_screen rec = frames(demo_run_patch, 60, 0.5f);
    EXPECT_TRUE(has(rec.text, "I can not download the file '/Demo_900/Nimbrel/Resources/")) << rec.text;
    EXPECT_TRUE(has(rec.text, "\n\nI cannot get an answer from any of the download servers, " +
                                  server_name[stg.server_choice] + " included. " + proxy_sentence(nginx.port())))
        << rec.text;
    EXPECT_EQ(rec.back, demo_pick_dest);
    EXPECT_EQ(demo_install_is_running, 1) << "the install goes on";
    const int asked = count_of(read_file(nginx.folder() + "access.log"), "/Demo_900/");
    EXPECT_GE(asked, 5);
    EXPECT_LE(asked, 16) << "asked " << asked << " times in a minute by two servers:\n"
                         << read_file(nginx.folder() + "access.log");
}

// The run's temporary folder gone once the list is read: no server can
// mend that, so each web road's server check ends within a few frames with
// the warning naming the archive and its problem text, the way back open.
TEST_F(failing_servers, ManifestThatCannotBeSavedHereEndsEachRoadsServerCheck)
{
    scratch_dir web;
    write_file(web / "serverlist9.txt", kTwoServers);
    write_file(web / "Demo_900/directory.txt.zip", "PK");
    nginx_server nginx(web.path());
    ASSERT_TRUE(nginx.running()) << nginx.error_log();
    route_through(nginx.port());
    alerts_fail_ = false;
    struct road {
        screen_fn screen, back;
    };
    for (const road& r : {road{demo_get_updates, see_eula}, road{net_get_updates, net_pick_dest}}) {
        stg_set_start_values();
        ::mkdir(temp_path.c_str(), 0700);
        alerts.clear();
        wizard_screen rec;
        const int slots[] = {0, 1};
        for (int frame = 0; frame < 200 && stg.dir_status != 2; ++frame) {
            rec = wizard_screen{};
            r.screen(frame == 0, rec);
            if (stg.server_count != -1) testing_support::remove_tree(temp_path);
            if (in_flight())
                http.wait_for(slots, 2, 1.0);
            else
                xtim.real_time += 0.05f;
        }
        EXPECT_EQ(rec.text, "There was a problem reading information from the servers.");
        EXPECT_EQ(rec.back, r.back);
        EXPECT_EQ(rec.next, nullptr);
        EXPECT_EQ(alerts.joined(3), std::vector<std::string>{"The installer cannot save a downloaded file.|Error: No "
                                                             "such file or directory|Compressed File: " +
                                                             temp_path + "directory.txt.zip"});

        // Back and on again, the folder there: the check is made again,
        // from the server list, as after one that found a manifest.
        ::mkdir(temp_path.c_str(), 0700);
        const int asked = count_of(read_file(nginx.folder() + "access.log"), "serverlist9.txt");
        rec = wizard_screen{};
        r.screen(1, rec);
        frames(r.screen, 1);
        EXPECT_EQ(count_of(read_file(nginx.folder() + "access.log"), "serverlist9.txt"), asked + 1)
            << "a check that failed was not made again";
    }
}

}  // namespace
