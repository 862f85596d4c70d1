// The web-demo road end to end: the real program under Xvfb, driven with
// xdotool, installing a sample release from nginx on loopback.
#include <gtest/gtest.h>

#include <algorithm>

#include "core/files/file_checksum.h"
#include "fake_browser.h"
#include "loopback_ports.h"
#include "web_demo_road.h"

namespace {

using testing_support::file_exists;
using testing_support::has;
using testing_support::read_file;
using testing_support::run_shell;
using testing_support::write_file;

void expect_complete_install(const sample_release& release, const std::string& folder)
{
    const auto files = release.installed_files();
    ASSERT_GE(files.size(), 10u);
    for (const auto& [path, md5] : files) {
        std::string sum;
        EXPECT_EQ(calc_file_md5(folder + path, sum), 0) << folder + path << " is missing";
        EXPECT_EQ(sum, md5) << folder + path;
    }
    for (const char* absent : {"Resources/plugins/win/plugin0.so", "Resources/plugins/mac/plugin0.so",
                               "Global Scenery/Terrain/+40-080/+42-074.dsf", "Resources/retired/old_panel.png"})
        EXPECT_FALSE(file_exists(folder + absent)) << absent << " belongs to another system, a tile or is gone";
    // The demo takes no scenery: its tiles are never even fetched.
    EXPECT_FALSE(has(release.access_log(), "Global")) << "a scenery tile was downloaded";
}

// -- A full install -----------------------------------------------------------

TEST(web_demo_road, InstallsEveryFileByItsChecksumRegistersOnceAndFliesTheNewCopy)
{
    sample_release release(60, 2, 1);
    ASSERT_TRUE(release.serve()) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    road.shot("demo_welcome");
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    road.shot("demo_destination");
    const std::string temp = road.run_folder();
    ASSERT_TRUE(release.manifest_in(temp)) << "the program's temporary folder does not hold the manifest";
    ASSERT_TRUE(begin_install(road)) << road.log();

    const std::string folder = demo_folder(road);
    EXPECT_EQ(fly_when_done(road, 60), 1) << "the simulator was not started\n" << road.log();
    expect_complete_install(release, folder);
    EXPECT_EQ(read_file(registry(road)), folder + "\n");
    EXPECT_EQ(read_file(road.home() + "nimbrel-flown.txt"), folder + "Nimbrel-i686\n");
    EXPECT_FALSE(file_exists(temp)) << temp << " outlived the run";
}

// -- Servers that fail -----------------------------------------------------------

// Only the second server gives the manifest and only the first the files,
// so the install starts on the one that fails and must move.
TEST(web_demo_road, CompletesFromAnotherServerWhenTheFirstOneFails)
{
    sample_release release(20, 1, 1);
    ASSERT_TRUE(release.serve("location = /demo/Demo_900/directory.txt.zip { return 500; }\n"
                              "location /mirror/Demo_900/Nimbrel/Resources/ { return 444; }\n"
                              "location /mirror/Demo_900/Nimbrel/Aircraft/ { return 500; }\n"))
        << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    ASSERT_TRUE(begin_install(road)) << road.log();
    EXPECT_EQ(fly_when_done(road, 60), 1) << road.log();
    expect_complete_install(release, demo_folder(road));
    EXPECT_TRUE(has(release.access_log(), "/mirror/Demo_900/Nimbrel/")) << "the failing server was never tried";
}

TEST(web_demo_road, CorruptArchiveEndsOnTheProblemTextWithoutFly)
{
    sample_release release(20, 0, 1);
    write_file(release.release_folder() + "Nimbrel/Resources/text/part04/file0004.dat.zip",
               std::string(3000, 'x'));
    ASSERT_TRUE(release.serve()) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    ASSERT_TRUE(begin_install(road)) << road.log();
    ASSERT_TRUE(wait_until([&] { return has(road.log(), "could not open a zip file"); }, 30)) << road.log();
    road.shot("demo_corrupt_archive_alert");
    dismiss_unpack_warning_and_expect_no_fly(road, "part04/file0004.dat");
    road.shot("demo_corrupt_archive_finish");
    quit_on_the_finish_screen(road);
}

// A file that comes wrong from each of three servers, each its own way
// (over its bound, without its entry, with other contents): every server
// is asked for it once, then the install ends on its alert without "Fly".
TEST(web_demo_road, AFileNoServerDeliversEndsTheInstallOnceEachServerWasAsked)
{
    sample_release release(5, 0, 1);
    const std::string file = "Nimbrel/Instructions/Readme.txt";
    const std::string web = release.webroot();
    write_file(web + "wrong/over_bound.zip", std::string(300000, 'x'));
    ASSERT_EQ(run_shell("cd '" + web + "wrong' && printf x > other.txt && zip -q no_entry.zip other.txt && "
                        "printf 'other contents' > Readme.txt && zip -q other.zip Readme.txt")
                  .status,
              0);
    std::string list = read_file(web + "serverlist9.txt");
    list.insert(list.find("ENDOFLIST"), "SERVER dl3.nimbrel.example\n/third/\n|Download server 3\n");
    write_file(web + "serverlist9.txt", list);
    const std::string at = "Demo_900/" + file + ".zip";
    ASSERT_TRUE(release.serve("location /third/ { alias " + web + "demo/; }\n"
                              "location = /demo/" + at + " { alias " + web + "wrong/over_bound.zip; }\n"
                              "location = /mirror/" + at + " { alias " + web + "wrong/no_entry.zip; }\n"
                              "location = /third/" + at + " { alias " + web + "wrong/other.zip; }\n"))
        << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    ASSERT_TRUE(begin_install(road)) << road.log();
    ASSERT_TRUE(wait_until([&] { return has(road.log(), "no server is left to ask"); }, 30)) << road.log();
    road.shot("demo_no_server_delivers_alert");
    dismiss_unpack_warning_and_expect_no_fly(road, "Readme.txt");
    for (const char* server : {"/demo/", "/mirror/", "/third/"})
        EXPECT_EQ(release.requests_for(server + at, 1), 1) << server << release.access_log();
    quit_on_the_finish_screen(road);
}

TEST(web_demo_road, RefusingProxyKeepsContactingUntilTheUserQuits)
{
    const testing_support::refused_port refusing;
    ASSERT_NE(refusing.port(), 0);
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, refusing.port())) << road.output();
    ASSERT_TRUE(walk_to_server_check(road)) << road.log();
    EXPECT_EQ(road.wait(3), -1) << "the installer gave up on its own";
    road.shot("demo_proxy_refusing");
    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(20), 0) << road.output();
    EXPECT_FALSE(file_exists(registry(road)));
}

// -- Server lists the installer cannot use ---------------------------------------

struct list_case {
    const char* name;
    std::string (*edit)(std::string list);
    bool ends;  // with the notice and the maker's page; else the problem text
};

void PrintTo(const list_case& c, std::ostream* os) { *os << c.name; }

class unusable_server_list : public testing::TestWithParam<list_case> {};

// A list without servers needs no newer installer: the server check's
// problem text, and QUIT.  A newer installer or a list of a newer format
// ends the program with the notice, the maker's page and status 1.
TEST_P(unusable_server_list, EndsWithTheNoticeOnlyWhenTheInstallerIsTooOld)
{
    const list_case& c = GetParam();
    sample_release release(2, 0, 1);
    const std::string list_path = release.webroot() + "serverlist9.txt";
    write_file(list_path, c.edit(read_file(list_path)));
    ASSERT_TRUE(release.serve()) << release.problem();

    testing_support::fake_browser browser;
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_server_check(road)) << road.log();
    if (c.ends) {
        int status = -1;
        wait_until([&] {
            road.keys("Return");
            return (status = road.wait(1)) != -1;
        }, 30);
        EXPECT_EQ(status, 1) << "the installer went on, or ended as if it had done its work\n" << road.log();
        // The opener runs detached, and may start after the program ended.
        EXPECT_TRUE(wait_until([&] { return browser.ran(); }, 30)) << road.log();
    } else {
        // The frame that says so draws the check's problem text.
        EXPECT_TRUE(road.wait_for_log("cannot be used: it names no server", 10)) << road.log();
        EXPECT_TRUE(road.wait_for_step(step_list::server_check));
        road.shot(std::string("unusable_list_") + c.name);
        EXPECT_EQ(road.wait(1), -1) << "the program ended over a list it could not use\n" << road.log();
        EXPECT_FALSE(browser.ran());
        road.press(button_bar::quit);
        EXPECT_EQ(road.wait(20), 0) << road.output();
    }
    EXPECT_FALSE(file_exists(registry(road)));
}

INSTANTIATE_TEST_SUITE_P(
    web_demo_road, unusable_server_list,
    testing::Values(list_case{"NoServers", [](std::string list) {
                                  return list.substr(0, list.find("\nSERVER ")) + "\n\nENDOFLIST\n";
                              }, false},
                    list_case{"NewerInstaller", [](std::string list) {
                                  return list.replace(list.find("INS_VERSION 20502"), 17, "INS_VERSION 99999");
                              }, true},
                    list_case{"NewerFormat", [](std::string list) { return list.replace(list.find("820"), 3, "821"); },
                              true}),
    [](const testing::TestParamInfo<list_case>& info) { return std::string(info.param.name); });

// -- Going back on a running install ---------------------------------------------

TEST(web_demo_road, GoBackOnASlowInstallCancelsCleanlyThenContinuesToTheEnd)
{
    // 30 s of download: on a busy machine the steps from seeing it under way
    // to a GO BACK the program reads took longer than the 10 s of a
    // megabyte, and the install was through before it could be asked.
    sample_release release(10, 1, 3);
    ASSERT_TRUE(release.serve(release.slowed("Nimbrel/Resources/large/", "100k"))) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    const std::string temp = road.run_folder();
    ASSERT_TRUE(release.manifest_in(temp)) << "the program's temporary folder does not hold the manifest";
    const std::string folder = demo_folder(road);

    const auto download_under_way = [&] {
        road.press(button_bar::next);  // dimmed, so harmless, while the install runs
        return holds_archives(temp);
    };
    ASSERT_TRUE(wait_until(download_under_way, 20)) << "no download under way";
    const bool asked = open_cancel_question(road, temp);
    road.shot("demo_cancel_question");
    ASSERT_TRUE(asked) << "GO BACK did not ask\n" << road.log() << "\nArchives:\n" << archives_in(temp);
    EXPECT_TRUE(wait_until([&] {
        press_cancel_question(road, true);
        return wait_until([&] { return !file_exists(folder); }, 2);
    }, 20)) << "the partial copy stayed";
    // The streams' archives go after the copy, in the same frame.
    EXPECT_TRUE(wait_until([&] { return !holds_archives(temp); }, road.kActing))
        << "a partial download stayed in " << temp;
    road.shot("demo_after_cancel");

    ASSERT_TRUE(wait_until(download_under_way, 20)) << "the second install did not start";
    ASSERT_TRUE(open_cancel_question(road, temp)) << "GO BACK did not ask again\n" << road.log();
    ASSERT_TRUE(continue_after_cancel_question(road, temp)) << "the install did not go on\n" << road.log();
    road.shot("demo_after_continue");
    ASSERT_TRUE(wait_on_install(road, temp, [&] { return install_complete(release, folder); })) << road.log();
    EXPECT_EQ(fly_when_done(road, 60), 1) << road.log();
    expect_complete_install(release, folder);
    EXPECT_EQ(read_file(registry(road)), folder + "\n") << "registered twice, or not at all";
}

// -- Disk space -----------------------------------------------------------------------

TEST(web_demo_road, TooLittleDiskSpaceDimsContinue)
{
    sample_release release(20, 1, 1);
    ASSERT_TRUE(release.serve()) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    testing_support::small_disk home(road.home(), "1m");  // for a release of about 2 MB
    if (!home.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    road.shot("demo_too_little_disk_space");
    road.press(button_bar::next);
    EXPECT_FALSE(road.wait_for_file(demo_folder(road), 1)) << "the install started without room for it";
    EXPECT_FALSE(file_exists(registry(road)));
    ASSERT_TRUE(road.send_close_request());
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

size_t line_count(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

TEST(web_demo_road, DiskFillingUpDuringTheInstallEndsOnTheProblemTextWithoutRetrying)
{
    sample_release release(20, 1, 1);
    // The large file comes slowly enough for the disk to fill before it is
    // unpacked.
    ASSERT_TRUE(release.serve(release.slowed("Nimbrel/Resources/large/", "100k"))) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    testing_support::small_disk home(road.home(), "8m");  // room for the release, checked before the install
    if (!home.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();
    const std::string temp = road.run_folder();
    ASSERT_TRUE(release.manifest_in(temp)) << "the program's temporary folder does not hold the manifest";
    ASSERT_TRUE(begin_install(road)) << road.log();
    // Another program takes what is left of the disk.
    run_shell("dd if=/dev/zero of='" + road.home() + "filler' bs=64k");

    ASSERT_TRUE(wait_until([&] { return pump_held(road, temp); }, 60)) << "no warning held the install\n" << road.log();
    road.shot("demo_disk_full_alert");
    dismiss_unpack_warning_and_expect_no_fly(road, "No space left on device");
    road.shot("demo_disk_full_finish");

    // Every file at most once, and nothing more once the install has ended:
    // nginx logs a request when it ends, so the log settles first.
    size_t requests = 0;
    wait_until([&] {
        const size_t before = requests;
        requests = line_count(release.access_log());
        return requests == before;
    }, 10, 1000);
    EXPECT_LE(requests, release.installed_files().size() + 2) << release.access_log();
    EXPECT_FALSE(wait_until([&] { return line_count(release.access_log()) != requests; }, 3))
        << "the installer went on asking\n" << release.access_log();

    const std::string folder = demo_folder(road);
    EXPECT_EQ(read_file(registry(road)), folder + "\n");
    EXPECT_TRUE(file_exists(folder)) << "the registry names a copy that is not there";
    quit_on_the_finish_screen(road);
    EXPECT_FALSE(file_exists(temp)) << temp << " outlived the run";
}

// -- Install names -------------------------------------------------------------------

TEST(web_demo_road, RefusesInstallNamesThatAreNoNewFolderAndRegistersNothing)
{
    sample_release release(2, 0, 1);
    ASSERT_TRUE(release.serve()) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    run_shell("mkdir -p '" + road.home() + "taken' '" + road.home() + "x'");
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_destination(road, release)) << road.log();

    const std::string long_name(300, 'n');
    for (const std::string& name : {std::string(), std::string("taken"), std::string("a/../x"),
                                    std::string(".."), long_name}) {
        ASSERT_TRUE(set_install_name(road, name)) << "'" << name << "' changed nothing";
        road.shot("demo_install_name_" + std::to_string(name.size()));
        road.press(button_bar::next);
        EXPECT_FALSE(road.wait_for_file(registry(road), 0.5)) << "'" << name << "' was installed";
    }
    EXPECT_EQ(run_shell("ls -A '" + road.home() + "'").out, ".nimbrel\ntaken\nx\n");
    EXPECT_EQ(run_shell("ls -A '" + road.home() + "x'").out, "");
    ASSERT_TRUE(road.send_close_request());
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

}  // namespace
