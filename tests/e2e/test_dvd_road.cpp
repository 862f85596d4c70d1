// The DVD road end to end: nimbrel-dvd-installer under Xvfb, driven with
// xdotool, installing from install DVDs the release tool made, the disks
// changed by putting another in the drive its NIMBREL_DVD names.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "held_opens.h"
#include "machine_turn.h"
#include "core/files/file_checksum.h"
#include "core/files/system_paths.h"
#include "engine/checksum_pump.h"
#include "engine/dvd_install_pump.h"
#include "engine/manifest.h"
#include "dvd_roads.h"
#include "web_demo_road.h"

namespace {

using testing_support::file_exists;
using testing_support::file_stamp;
using testing_support::has;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::stamp_of;
using testing_support::window_pixels;
using testing_support::write_file;

// Says where it was started, so the test sees "Run Nimbrel Now" run it.
const char* const kSimulator = "#!/bin/sh\necho \"$0\" >> \"${HOME:-/tmp}/nimbrel-flown.txt\"\n";

// The tool puts sector (10, 13) on disk 2 and (18, 14) and (35, 5) on disk 3.
const char* const kTiles[] = {
    "Global Scenery/Terrain/+40-080/+41-073.dsf", "Global Scenery/Terrain/+40-080/+42-074.dsf",
    "Global Scenery/Terrain/+50+000/+51+000.dsf", "Global Scenery/Terrain/-40+170/-37+174.dsf"};

std::map<std::string, std::string> release_files(int many = 0)
{
    std::map<std::string, std::string> files = {{"Nimbrel-i686", kSimulator}};
    for (int i = 0; i < 24; ++i)
        files["Resources/part" + std::to_string(i % 4) + "/file" + std::to_string(i) + ".txt"] =
            std::string(200 + 97 * i, static_cast<char>('a' + i));
    for (const char* tile : kTiles) files[tile] = std::string(7000, tile[30]);
    // So many files that the install takes seconds: the pump moves a few
    // dozen from the copy to the unpackers a frame, whatever the machine.
    for (int i = 0; i < many; ++i)
        files["Resources/many/f" + std::to_string(i / 500) + "/" + std::to_string(i) + ".txt"] =
            std::to_string(i);
    return files;
}

std::string install_folder(const road_walker& road, const dvd_release& disks)
{
    return road.home() + disks.release() + "/";
}

// Every file the disks carry, by its MD5 in the manifest: present and
// whole when `wanted` says so, absent otherwise.
void expect_installed(const dvd_release& disks, const std::string& folder,
                      bool (*wanted)(const std::string& path))
{
    int checked = 0;
    std::istringstream manifest(disks.manifest());
    for (std::string line; std::getline(manifest, line);) {
        if (line.rfind("FILE ", 0) != 0) continue;
        std::istringstream fields(line);
        std::string word, md5, path;
        for (int i = 0; i < 6; ++i) fields >> word;
        fields >> md5;
        std::getline(fields >> std::ws, path);
        path = path.substr(path.find('/') + 1);
        std::string sum;
        if (wanted(path)) {
            EXPECT_EQ(calc_file_md5(folder + path, sum), 0) << path << " is missing";
            EXPECT_EQ(sum, md5) << path;
        } else {
            EXPECT_FALSE(file_exists(folder + path)) << path << " was not chosen";
        }
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

bool all_but_the_last_sector(const std::string& path) { return !has(path, "-37+174"); }
bool simulator_only(const std::string& path) { return !has(path, "Global Scenery"); }

// -- Three disks --------------------------------------------------------------

TEST(dvd_road, InstallsFromThreeDisksTheTilesChosenOnTheMapAndRunsTheCopy)
{
    dvd_release disks(release_files(), 3);
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    road.shot("dvd_hub_welcome");
    ASSERT_TRUE(walk_to_scenery(road)) << road.log();
    road.rest_pointer();
    ASSERT_TRUE(road.wait_for_still(0.3, 5));
    const window_pixels bare = road.picture();

    // A tile clicked (so a drag would paint "selected"), then a press on
    // SELECT NONE dragged over an available tile: it clears the map and
    // paints nothing.
    road.click(map_x(5), map_y(5));
    road.drag(725, 133, map_x(35), map_y(5));
    road.rest_pointer();
    road.wait_for_still(0.3, 5);
    EXPECT_FALSE(tile_changed(bare, road.picture(), 35, 5)) << "a drag from a button chose a tile";

    // One tile by a click, one by a drag over a square of four.
    road.click(map_x(10), map_y(13));
    road.drag(map_x(17), map_y(13), map_x(18), map_y(14));
    road.rest_pointer();
    ASSERT_TRUE(road.wait_for_screen(bare, 10));
    const window_pixels chosen = road.picture();
    EXPECT_TRUE(tile_changed(bare, chosen, 10, 13));
    EXPECT_TRUE(tile_changed(bare, chosen, 18, 14));
    EXPECT_FALSE(tile_changed(bare, chosen, 35, 5));
    road.shot("dvd_scenery_tiles_chosen");

    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return asked_for(road, 2) == 1; }, 60))
        << road.log();
    ASSERT_TRUE(wait_for_disk_request(road)) << road.log();
    road.shot("dvd_change_disk_2");
    ASSERT_TRUE(refuse_disk(road, disks, 3, 2)) << "disk 3 does not hold the file wanted\n" << road.log();
    ASSERT_TRUE(change_disk(road, disks, 2, 3)) << road.log();
    road.shot("dvd_change_disk_3");
    ASSERT_TRUE(change_disk(road, disks, 3, 0)) << road.log();
    road.shot("dvd_finish");

    const std::string folder = install_folder(road, disks);
    expect_installed(disks, folder, all_but_the_last_sector);
    EXPECT_EQ(read_file(registry(road)), folder + "\n");
    EXPECT_TRUE(road.logged("Install finished, 0 files failed")) << road.log();

    int status = -1;
    wait_until([&] {
        press_choice(road, 0);  // "Run Nimbrel Now"
        return (status = road.wait(1)) != -1;
    }, 20);
    EXPECT_EQ(status, 1) << "the simulator was not started\n" << road.log();
    EXPECT_EQ(read_file(road.home() + "nimbrel-flown.txt"), folder + "Nimbrel-i686\n");
}

// -- Going back while the install waits for a disk -----------------------------

TEST(dvd_road, GoingBackResumesAtTheFileReachedOrDeletesThePartialCopy)
{
    dvd_release disks(release_files(), 2);
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    road.with_arguments({"--pref:_log_actions=1"});
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(walk_to_scenery(road)) << road.log();
    road.click(map_x(10), map_y(13));
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return asked_for(road, 2) == 1; }, 60))
        << road.log();
    const std::string folder = install_folder(road, disks);
    const std::string first = folder + "Resources/part0/file0.txt";
    const file_stamp before = stamp_of(first);
    ASSERT_NE(before.inode, 0u);

    // GO BACK asks; "Continue" comes back to the same disk change.
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back)) << road.log();
    road.shot("dvd_cancel_question");
    EXPECT_TRUE(wait_until([&] {
        press_cancel_question(road, false);
        return road.wait_for_log("Asking for DVD number 2", 2, 2);
    }, 20)) << road.log();
    EXPECT_TRUE(stamp_of(first) == before) << "a file of the first disk was installed again";
    EXPECT_EQ(testing_support::count_of(road.log(), "EXPANDING file " + first), 1) << road.log();

    // "Cancel" deletes the copy; a new install from the scenery screen,
    // without the tile, completes from the first disk.
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back)) << road.log();
    EXPECT_TRUE(wait_until([&] {
        press_cancel_question(road, true);
        return wait_until([&] { return !file_exists(folder); }, 2);
    }, 20)) << "the partial copy stayed";
    ASSERT_TRUE(road.wait_for_step(step_list::map)) << road.log();
    road.shot("dvd_after_cancel");
    press_select_none(road);
    ASSERT_TRUE(change_disk(road, disks, 1, 0)) << road.log();
    expect_installed(disks, folder, simulator_only);
    EXPECT_EQ(read_file(registry(road)), folder + "\n") << "registered twice, or not at all";
    road.press(button_bar::last_quit, true);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

// -- A damaged disk ------------------------------------------------------------

TEST(dvd_road, AFileThatFailsIsAskedAboutAndTheFinishOffersNoRun)
{
    dvd_release disks(release_files(), 1);
    ASSERT_EQ(disks.error(), "");
    write_file(disks.archive_of("Resources/part1/file5.txt"), "PK\x03\x04 torn");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(walk_to_scenery(road)) << road.log();
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
    EXPECT_TRUE(wait_until([&] {
        press_cancel_question(road, false);  // "Continue"
        return road.logged("Install finished, 1 files failed");
    }, 30)) << road.log();
    EXPECT_TRUE(road.wait_for_step(step_list::finish)) << road.log();
    road.shot("dvd_finish_with_errors");
    press_choice(road, 0);
    EXPECT_EQ(road.wait(1), -1) << "a run was offered after a failed file";
    EXPECT_FALSE(file_exists(install_folder(road, disks) + "Resources/part1/file5.txt"));
    road.press(button_bar::last_quit, true);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

bool all_but_the_simulator(const std::string& path) { return simulator_only(path) && path != "Nimbrel-i686"; }

// The disk taken out while the question about a damaged file is up: the
// reads queued from it stop with one request for the disk, and once it is
// back the install goes on with the files not yet in.  Only the damaged
// file is asked about.
TEST(dvd_road, ADiskTakenOutDuringTheInstallIsAskedForOnceAndTheRestIsRead)
{
    dvd_release disks(release_files(200), 1);
    ASSERT_EQ(disks.error(), "");
    // The first file the install reads: its question holds the rest back.
    write_file(disks.archive_of("Nimbrel-i686"), "PK\x03\x04 torn");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(walk_to_scenery(road)) << road.log();
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("Asking whether to go on after: "); }, 30))
        << road.log();
    disks.insert(0);
    EXPECT_TRUE(wait_until([&] {
        press_cancel_question(road, false);  // "Continue"
        return road.wait_for_log("Asking for DVD number 1 for", 1);
    }, 30)) << road.log();
    EXPECT_TRUE(wait_for_disk_request(road)) << road.log();
    road.shot("dvd_disk_out_change_disk");
    ASSERT_TRUE(change_disk(road, disks, 1, 0)) << road.log();
    EXPECT_EQ(asked_for(road, 1), 1) << road.log();
    EXPECT_EQ(testing_support::count_of(road.log(), "Asking whether to go on after: "), 1) << road.log();
    EXPECT_TRUE(road.logged("Install finished, 1 files failed")) << road.log();
    expect_installed(disks, install_folder(road, disks), all_but_the_simulator);
    road.press(button_bar::last_quit, true);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

// -- The hub -------------------------------------------------------------------

TEST(dvd_road, HubFollowsTheDiskInTheDriveAndOffersOnlyWhatItAllows)
{
    dvd_release disks(release_files(), 1);
    ASSERT_EQ(disks.error(), "");
    scratch_dir other;
    write_file(other / "plain/readme.txt", "no version file here");
    testing_support::run_shell("cp -r '" + disks.disk(1) + "' '" + other / "torn" + "'");
    write_file(other / "torn/" + disks.release() + "/directory.txt.zip", "PK\x03\x04 torn");

    road_walker road(NIMBREL_DVD_INSTALLER);
    write_file(road.home() + "Copy/Nimbrel-i686", "");
    write_file(registry(road), road.home() + "Copy/\n");
    disks.insert_folder(other / "plain/");
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(road.wait_for_first_screen()) << road.log();
    road.shot("dvd_hub_no_disk");
    EXPECT_FALSE(road.press_until_changed(button_bar::next, 2)) << "CONTINUE without a disk";

    // A disk whose manifest will not unpack: the scan's warning (its four
    // lines: the engine's tests), once, then the hub's not-a-DVD text.
    window_pixels before = road.picture();
    disks.insert_folder(other / "torn/");
    ASSERT_TRUE(road.wait_for_screen(before, 10)) << road.log();
    road.shot("dvd_hub_damaged_disk_alert");
    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return road.wait_for_log("DVD scan: The installer cannot extract a file.", 0.5);
    }, 10)) << road.log();
    // The hub again, the warning gone from over it.
    EXPECT_TRUE(road.wait_for_step(0)) << road.log();
    road.shot("dvd_hub_not_a_dvd");
    EXPECT_FALSE(road.press_until_changed(button_bar::next, 2)) << "CONTINUE with a damaged disk";
    EXPECT_FALSE(road.logged("DVD scan: The installer cannot extract a file.", 2)) << "told twice";

    before = road.picture();
    disks.insert(1);
    ASSERT_TRUE(road.wait_for_screen(before, 10)) << road.log();
    road.shot("dvd_hub_installed_copy");
    EXPECT_FALSE(road.press_until_changed(button_bar::next, 2)) << "CONTINUE beside the choices";
    // "Run Nimbrel Now", then "Install A Second Copy of Nimbrel" here.
    EXPECT_TRUE(road.click_until_changed(500, 325)) << road.log();
    road.shot("dvd_second_copy_destination");
    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(20), 0) << road.output();

    // Scenery alone and no copy: nothing to begin with.
    dvd_release scenery({{kTiles[0], "tile"}}, 1, "Scenery Disk");
    scenery.insert(1);
    road_walker second(NIMBREL_DVD_INSTALLER);
    ASSERT_TRUE(start_dvd_installer(second, scenery)) << second.output();
    ASSERT_TRUE(second.wait_for_first_screen()) << second.log();
    second.shot("dvd_hub_scenery_only");
    EXPECT_FALSE(second.press_until_changed(button_bar::next, 2)) << "CONTINUE with scenery alone";
    second.press(button_bar::quit);
    EXPECT_EQ(second.wait(20), 0) << second.output();
}

// -- Started from the disk ---------------------------------------------------------

// Every name in /tmp/ a program started from the disk once used: its copy,
// and what the copy, running from /tmp/, kept beside itself.
const char* const kNamesUsedBefore[] = {
    "nimbrel-dvd-installer", "Nimbrel Installer Log.txt", "MemoryLog.txt", "stack_crawl.txt",
    "RESOURCE:interface.dds", "RESOURCE:map.dds", "serverlist9.txt", "directory.txt.zip",
    "directory.txt", "screenshot_0.png", "Output"};

// What a name holds, not followed.
std::string state_of(const std::string& path)
{
    namespace fs = std::filesystem;
    std::error_code no_throw;
    const fs::file_status st = fs::symlink_status(path, no_throw);
    return fs::is_symlink(st) ? "link to " + fs::read_symlink(path, no_throw).string()
           : fs::is_fifo(st) ? "pipe" : fs::is_directory(st) ? "folder"
           : fs::exists(st) ? "file " + read_file(path) : "none";
}

// The copy the program on the disk started: the process with the road's
// HOME, once the program on the disk has ended.
pid_t started_copy(const road_walker& road)
{
    pid_t found = -1;
    testing_support::wait_until([&] {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename().string();
            if (name.find_first_not_of("0123456789") == std::string::npos &&
                has('\0' + read_file("/proc/" + name + "/environ"), std::string("\0HOME=", 6) + road.home() + '\0'))
                return (found = std::stoi(name)) > 0;
        }
        return false;
    }, 30);
    return found;
}

// The program on the disk moves off it into a file with no name, mode
// 0700, and starts that, so the disk can be taken out for the next one;
// nothing another user put at the names it once used in /tmp/ is opened,
// and the copy's own files go to the user's folder.
TEST(dvd_road, StartedFromTheDiskItMovesOffAndTheCopyRunsWhateverAnotherUserPutInTmp)
{
    using plant_fn = int (*)(const std::string& name, const std::string& victim);  // as another user
    const std::pair<const char*, plant_fn> rows[] = {
        {"nothing put there", nullptr},
        {"links to a file of the user's", [](const std::string& n, const std::string& v) { return ::symlink(v.c_str(), n.c_str()); }},
        {"pipes", [](const std::string& n, const std::string&) { return ::mkfifo(n.c_str(), 0666); }},
        {"files anyone may read and write", [](const std::string& n, const std::string&) { return write_file(n, "theirs"), ::chmod(n.c_str(), 0666); }},
        {"folders", [](const std::string& n, const std::string&) { return ::mkdir(n.c_str(), 0777); }},
    };
    // The copy is reaped here once its parent, the program on the disk, ends.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::shared_ptr<void> no_reaper(nullptr, [](void*) { ::prctl(PR_SET_CHILD_SUBREAPER, 0); });
    for (const auto& [what, plant] : rows) {
        SCOPED_TRACE(what);
        if (plant && ::geteuid() != 0) GTEST_SKIP() << "putting names in /tmp/ as another user needs root";
        // The names are the machine's: no suite beside this one plants them too.
        const testing_support::machine_turn turn("nimbrel-test-dvd-names-used-before");
        ASSERT_TRUE(turn.held());
        scratch_dir mine;
        const std::string victim = mine / "the user's own.txt";
        write_file(victim, "the user's own");
        std::map<std::string, std::string> planted;
        for (const char* name : kNamesUsedBefore) {
            const std::string path = std::string("/tmp/") + name;
            struct stat st;  // what a run of this test killed outright left, as run_unprivileged's user
            if (plant && ::lstat(path.c_str(), &st) == 0 && st.st_uid == 65534) ::remove(path.c_str());
            if (plant && testing_support::run_unprivileged([&] { return plant(path, victim) ? 1 : 0; }) == 0)
                planted[path] = state_of(path);
        }
        const std::shared_ptr<void> unplant(nullptr, [&](void*) {
            for (const auto& [path, state] : planted) ::remove(path.c_str());
        });
        EXPECT_EQ(planted.size(), plant ? std::size(kNamesUsedBefore) : 0u);

        road_walker road(NIMBREL_DVD_INSTALLER);
        write_file(road.app_dir() + "dvd_version.txt", "I\n900 version\nDVD\n\nVERSION Nimbrel 9 Test\n");
        // A disk written by a system that records no modes.
        ASSERT_EQ(::chmod((road.app_dir() + "nimbrel-dvd-installer").c_str(), 0777), 0);
        // English by the command line, which the copy keeps, and by LANG.
        road.from_dvd(road.app_dir()).with_environment({"LANG=en_US.UTF-8"});
        ASSERT_TRUE(road.start()) << "the copy showed no window\n" << road.output();
        EXPECT_EQ(road.wait(20), 1) << "the program on the disk did not end as its copy started";
        const pid_t copy = started_copy(road);
        ASSERT_GT(copy, 0) << "no copy runs";
        const std::shared_ptr<void> reaped(nullptr, [&](void*) { ::kill(copy, SIGKILL), ::waitpid(copy, nullptr, 0); });
        const std::string exe = "/proc/" + std::to_string(copy) + "/exe";
        std::string target;
        struct stat st;
        EXPECT_TRUE(read_link_target(exe, target) && target.rfind("/tmp/", 0) == 0 && has(target, " (deleted)"))
            << "the copy's file has a name: " << target;
        EXPECT_TRUE(::stat(exe.c_str(), &st) == 0 && (st.st_mode & 07777) == 0700 && st.st_uid == ::geteuid())
            << "the copy is writable by others, or is not the user's: " << std::oct << st.st_mode;

        const std::string log = road.home() + ".nimbrel/" + testing_support::program_log_name;
        EXPECT_TRUE(testing_support::wait_until([&] { return has(read_file(log), "Temporary folder of this run = "); }, 30))
            << "the copy keeps no log in the user's folder\n" << read_file(log);
        ::kill(copy, SIGTERM);
        EXPECT_EQ(::waitpid(copy, nullptr, 0), copy) << "the copy did not end";
        const std::string run_folder = testing_support::run_folder_in_log(read_file(log));
        EXPECT_FALSE(run_folder.empty() || file_exists(run_folder)) << run_folder << " outlived the run";
        for (const auto& [path, state] : planted) EXPECT_EQ(state_of(path), state) << path;
        EXPECT_EQ(read_file(victim), "the user's own");
    }
}

// Another user's disk set where the search looks first, as one in /dev/shm
// is: the program started from the real disk, a file system of its own,
// takes that one, reads nothing of the other, and moves off it whole with
// its command line, so that the disk can be unmounted while the copy runs.
TEST(dvd_road, StartedFromTheRealDiskItReadsNoDiskAnotherUserPutFirstAndLetsGoOfItsOwn)
{
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a disk and giving a disk set to another user need root";
    dvd_release real(release_files(), 1), theirs({{"Nimbrel-i686", "#!/bin/sh\necho theirs\n"}}, 1, "Their Release");
    ASSERT_EQ(real.error() + theirs.error(), "");
    testing_support::give_to_unprivileged(theirs.disk(1));
    testing_support::held_opens hold(theirs.disk(1));
    ASSERT_TRUE(hold.active()) << hold.problem();
    road_walker road(NIMBREL_DVD_INSTALLER);
    testing_support::small_disk disk(road.app_dir(), "4g");
    ASSERT_TRUE(disk.mounted() && ::chmod(road.app_dir().c_str(), 0755) == 0);
    ASSERT_EQ(testing_support::run_shell("cp -r '" + real.disk(1) + ".' '" NIMBREL_DVD_INSTALLER "' '" + road.app_dir() + "'")
                  .status, 0);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::shared_ptr<void> no_reaper(nullptr, [](void*) { ::prctl(PR_SET_CHILD_SUBREAPER, 0); });
    road.from_dvd(theirs.disk(1) + ":" + road.app_dir()).with_path("Copy").in_language("de")
        .with_environment(hold.environment());
    ASSERT_TRUE(road.start()) << "the copy showed no window\n" << road.output();
    EXPECT_EQ(road.wait(20), 1) << "the program on the disk did not end as its copy started";
    const pid_t copy = started_copy(road);
    ASSERT_GT(copy, 0) << "no copy runs\n" << road.output();
    const std::shared_ptr<void> reaped(nullptr, [&](void*) { ::kill(copy, SIGKILL), ::waitpid(copy, nullptr, 0); });
    const std::string proc = "/proc/" + std::to_string(copy) + "/";
    const char command_line[] = "nimbrel-dvd-installer\0-path\0Copy\0--lang=de";
    EXPECT_EQ(read_file(proc + "cmdline"), std::string(command_line, sizeof command_line));
    EXPECT_TRUE(read_file(proc + "exe") == read_file(road.app_dir() + "nimbrel-dvd-installer")) << "the copy is not whole";

    // CONTINUE leads on from the real disk's welcome, where an open of the
    // other disk set would have held the program for ever.
    ASSERT_TRUE(road.wait_for_first_screen()) << road.output();
    EXPECT_TRUE(road.press_until_changed(button_bar::next)) << road.output();
    EXPECT_FALSE(hold.wait_for_open(0)) << "a file of the other user's disk set was opened";
    const std::string log = read_file(road.home() + ".nimbrel/" + testing_support::program_log_name);
    // The disk the program runs from is taken before any search: the other
    // disk set is not even judged.
    EXPECT_FALSE(has(log, theirs.disk(1))) << log;
    EXPECT_EQ(::umount2(road.app_dir().c_str(), 0), 0) << "the disk is held: " << std::strerror(errno);
    // Ended as a user's session would end it, so that it takes its run folder with it.
    ::kill(copy, SIGTERM);
    EXPECT_EQ(::waitpid(copy, nullptr, 0), copy) << "the copy did not end";
    const std::string run_folder = testing_support::run_folder_in_log(log);
    EXPECT_FALSE(run_folder.empty() || file_exists(run_folder)) << run_folder << " outlived the run";
}

// Root's run started from a disk the desktop mounted read-only in a user's
// media folder, whose files it shows as that user's: by its folders no disk
// of root's, it is taken as the disk the run came from and let go of, and
// the copy off it keeps trusting that media folder.  Another user's stick in
// their media folder, listed first and saying its files are root's, is not
// read.  The media folders are the real ones, over a /media of the test's own.
TEST(dvd_road, RootStartedFromADiskInAUsersMediaFolderTakesItLetsGoOfItAndReadsNoOtherUsersStick)
{
    if (::geteuid() != 0) GTEST_SKIP() << "mounting disks in users' media folders needs root";
    struct stat st;
    if (::stat("/media", &st) != 0 || !S_ISDIR(st.st_mode)) GTEST_SKIP() << "no /media to mount media folders over";
    if (!::getpwnam("nobody") || !::getpwnam("daemon")) GTEST_SKIP() << "no accounts nobody and daemon to own media folders";
    dvd_release real(release_files(), 1), theirs({{"Nimbrel-i686", "#!/bin/sh\necho theirs\n"}}, 1, "Their Release");
    ASSERT_EQ(real.error() + theirs.error(), "");
    road_walker road(NIMBREL_DVD_INSTALLER);
    testing_support::small_disk media("/media/", "64m");
    if (!media.mounted()) GTEST_SKIP() << "no mount table of the test's own to mount /media/ in";
    const std::string stick = "/media/daemon/STICK/", disk = "/media/nobody/NIMBREL9/";
    ASSERT_EQ(testing_support::run_shell("mkdir -m 0755 -p '" + stick + "' '" + disk + "'").status, 0);
    // Mounted first, so the mount table lists it before the disk.
    testing_support::small_disk their_stick(stick, "16m");
    testing_support::small_disk the_disk(disk, "64m");
    ASSERT_TRUE(their_stick.mounted() && the_disk.mounted());
    ASSERT_EQ(testing_support::run_shell("cp -r '" + theirs.disk(1) + ".' '" + stick + "' && cp -r '" + real.disk(1) +
                                         ".' '" NIMBREL_DVD_INSTALLER "' '" + disk + "'")
                  .status, 0);
    testing_support::give_to_unprivileged(disk);
    ASSERT_EQ(::mount(nullptr, disk.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0) << std::strerror(errno);
    testing_support::held_opens hold(stick);
    ASSERT_TRUE(hold.active()) << hold.problem();
    // Started at its place on the disk.
    const std::string program = road.app_dir() + "nimbrel-dvd-installer";
    ASSERT_TRUE(::unlink(program.c_str()) == 0 && ::symlink((disk + "nimbrel-dvd-installer").c_str(), program.c_str()) == 0);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const std::shared_ptr<void> no_reaper(nullptr, [](void*) { ::prctl(PR_SET_CHILD_SUBREAPER, 0); });
    road.with_environment(hold.environment());
    ASSERT_TRUE(road.start()) << "the copy showed no window\n" << road.output();
    EXPECT_EQ(road.wait(20), 1) << "the program on the disk did not end as its copy started";
    const pid_t copy = started_copy(road);
    ASSERT_GT(copy, 0) << "no copy runs\n" << road.output();
    const std::shared_ptr<void> reaped(nullptr, [&](void*) { ::kill(copy, SIGKILL), ::waitpid(copy, nullptr, 0); });

    ASSERT_TRUE(road.wait_for_first_screen()) << road.output();
    const std::string log_file = road.home() + ".nimbrel/" + testing_support::program_log_name;
    EXPECT_TRUE(road.press_until_changed(button_bar::next)) << "no disk served the copy\n" << read_file(log_file);
    EXPECT_FALSE(hold.wait_for_open(0)) << "a file of the other user's stick was opened";
    const std::string log = read_file(log_file);
    EXPECT_FALSE(has(log, "Not taking ")) << log;
    EXPECT_EQ(::umount2(disk.c_str(), 0), 0) << "the disk is held: " << std::strerror(errno);
    ::kill(copy, SIGTERM);
    EXPECT_EQ(::waitpid(copy, nullptr, 0), copy) << "the copy did not end";
    const std::string run_folder = testing_support::run_folder_in_log(log);
    EXPECT_FALSE(run_folder.empty() || file_exists(run_folder)) << run_folder << " outlived the run";
}

// -- Quitting ------------------------------------------------------------------

TEST(dvd_road, QuitDuringTheCopyStopsThePumpsAndLeavesNoTemporaryFolder)
{
    dvd_release disks(release_files(3000), 1);
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    // The disk's second folder of many files waits until QUIT is in.
    const std::string second = disks.archive_of("Resources/many/f1/500.txt");
    testing_support::held_opens hold(second.substr(0, second.rfind('/') + 1));
    ASSERT_TRUE(hold.active()) << hold.problem();
    road.with_environment(hold.environment());
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(walk_to_scenery(road)) << road.log();
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return file_exists(registry(road)); })) << road.log();
    const std::string folder = install_folder(road, disks);
    // The first files of the manifest are there, thousands are still to come.
    EXPECT_TRUE(wait_until([&] { return file_exists(folder + "Resources/many/f0/1.txt"); }, 30));
    ASSERT_TRUE(hold.wait_for_open(30)) << road.log();
    EXPECT_FALSE(road.logged("Install finished")) << "the install was through before QUIT";
    const std::string run_folder = road.run_folder();
    EXPECT_FALSE(run_folder.empty()) << road.log();
    // QUIT's frame stops the pumps before it is drawn: the log tells it came.
    road.press_seen(button_bar::quit, 1);
    ASSERT_TRUE(road.wait_for_log("Install stopped at ", road.kActing)) << road.log();
    hold.release();
    EXPECT_EQ(road.wait(road.kActing), 0) << road.output();
    EXPECT_FALSE(road.logged("Install finished")) << "QUIT came too late to test anything";
    EXPECT_TRUE(road.logged("Clean exit from threads.")) << road.log();
    EXPECT_FALSE(run_folder.empty() || file_exists(run_folder)) << run_folder << " outlived the run";
    EXPECT_EQ(read_file(registry(road)), folder + "\n") << "the partial copy stays registered";
}

// -- Under a limit on the address space ----------------------------------------

bool outside_the_other_sectors(const std::string& path) { return !has(path, "+50+000/") && !has(path, "-40+170/"); }

// Six tiles of one sector, each packed by 7zz from a pipe at -mx=9 and so
// naming a 256 MiB dictionary, as a 300 MiB tile would; the limit leaves
// room for one of them at a time, and one unpacker a processor takes turns.
TEST(dvd_road, TilesOfTheLargestDictionaryUnpackInTurnsUnderAnAddressSpaceLimit)
{
    if (testing_support::under_sanitizer())
        GTEST_SKIP() << "a sanitizer's shadow memory takes terabytes of address space: no limit can be set";
    std::map<std::string, std::string> files = release_files();
    for (const char* name : {"+43-072", "+44-071", "+45-076", "+46-077"})
        files["Global Scenery/Terrain/+40-080/" + std::string(name) + ".dsf"] = std::string(5000, name[2]);
    dvd_release disks(files, 2);
    ASSERT_EQ(disks.error(), "");
    for (const auto& [tile, contents] : files) {
        if (!has(tile, "/+40-080/")) continue;
        const std::string archive = disks.archive_of(tile), name = tile.substr(tile.rfind('/') + 1);
        const testing_support::run_result packed = testing_support::run_shell(
            "7zz e -so -bso0 -bsp0 '" + archive + "' | 7zz a -t7z -mx=9 -bso0 -bsp0 '-si" + name + "' '" + archive +
            ".new' && mv '" + archive + ".new' '" + archive + "' && 7zz l -slt '" + archive + "'");
        ASSERT_TRUE(has(packed.out, "Method = LZMA2:28")) << archive << "\n" << packed.out;
    }
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    // The first tile unpacked keeps its share, its file held open, until
    // another has asked for one, however the threads are scheduled.  The
    // sector's folder is made only for the hold to name: the copy must be new.
    const std::string folder = install_folder(road, disks), sector = folder + "Global Scenery/Terrain/+40-080/";
    testing_support::run_shell("mkdir -p '" + sector + "'");
    testing_support::held_opens hold(sector);
    testing_support::remove_tree(folder);
    ASSERT_TRUE(hold.active()) << hold.problem();
    const uint64_t limit = uint64_t{2} << 30;
    road.limit_address_space(limit);
    road.with_environment(hold.environment());
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(walk_to_scenery(road)) << road.log();
    road.click(map_x(10), map_y(13));
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return asked_for(road, 2) == 1; }, 60)) << road.log();
    ASSERT_TRUE(wait_for_disk_request(road)) << road.log();
    road.shot("dvd_limited_change_disk_2");

    // With every thread started, two 300 MiB tiles' dictionaries still fit.
    const long held_kb = testing_support::status_kb("VmSize:", road.pid());
    ASSERT_GT(held_kb, 0);
    const uint64_t held = static_cast<uint64_t>(held_kb) << 10;
    ASSERT_LE(held + (uint64_t{600} << 20), limit) << "the program holds " << (held >> 20) << " MiB of address space";
    // Room for one dictionary and the rest of the program, not for two.
    const struct rlimit lower = {held + (uint64_t{448} << 20), held + (uint64_t{448} << 20)};
    ASSERT_EQ(::prlimit(road.pid(), RLIMIT_AS, &lower, nullptr), 0) << std::strerror(errno);
    disks.insert(2);
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
    EXPECT_TRUE(road.wait_for_log(" waits for ", 30)) << "no unpacker waited for its turn\n" << road.log();
    // It names the tile it installs, not the run's copy of its archive.
    EXPECT_TRUE(road.logged("Unpacking " + sector + "+4")) << road.log();
    EXPECT_TRUE(road.logged(" MiB of memory and 256.0 MiB of address space: ")) << road.log();
    hold.release();
    // A tile that failed is asked about before the finish.
    ASSERT_TRUE(wait_until([&] { return road.logged("Install finished") || road.logged("Asking whether to go on"); }, 60))
        << road.log();
    ASSERT_TRUE(road.logged("Install finished, 0 files failed")) << road.log();
    EXPECT_TRUE(road.wait_for_step(step_list::finish)) << road.log();
    road.shot("dvd_limited_finish");
    expect_installed(disks, folder, outside_the_other_sectors);
    road.press(button_bar::last_quit, true);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

// The hub's reading keeps the room its roads' work needs after it, their
// workers' stacks: a manifest grown by 100,000 lines for another system,
// read where the limit leaves it its own room and half that work's, cannot
// be held.  The hub says so in words and goes on, where reading it would
// have left the install's workers to end the program.
TEST(dvd_road, AManifestThatLeavesTheRoadsWorkNoRoomIsRefusedAtTheHubInWords)
{
    if (testing_support::under_sanitizer())
        GTEST_SKIP() << "a sanitizer's shadow memory takes terabytes of address space: no limit can be set";
    dvd_release disks(release_files(), 1);
    ASSERT_EQ(disks.error(), "");
    std::string more;
    for (int i = 0; i < 100000; ++i) more += "FILE 1 1 0 3 3 " + std::string(32, 'a') + " Nimbrel/mac/p" + std::to_string(i) + "\n";
    scratch_dir lines;
    write_file(lines / "more.txt", more);
    ASSERT_EQ(testing_support::run_shell("cd '" + disks.disk(1) + disks.release() + "' && unzip -p directory.txt.zip > "
                                         "directory.txt && cat '" + lines / "more.txt" + "' >> directory.txt && "
                                         "zip -qm directory.txt.zip directory.txt")
                  .status,
              0);
    road_walker road(NIMBREL_DVD_INSTALLER);
    road.limit_address_space(rlim_t{1} << 30);
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(road.wait_for_first_screen()) << road.log();
    // The lines take about 19 MiB held, 9 MB mapped while they are read.
    const long held_kb = testing_support::status_kb("VmSize:", road.pid());
    ASSERT_GT(held_kb, 0);
    const std::size_t work = std::max(checksum_run_room(), install_files_run_room());
    const rlim_t lower = (static_cast<rlim_t>(held_kb) << 10) + kManifestRoomForTheRest + (19u << 20) + work / 2;
    const struct rlimit bound = {lower, lower};
    ASSERT_EQ(::prlimit(road.pid(), RLIMIT_AS, &bound, nullptr), 0) << std::strerror(errno);
    disks.insert(1);
    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return road.wait_for_log("The installer ran out of memory.", 0.5);
    }, 30)) << "the hub read a manifest that leaves its roads' work no room\n" << road.log();
    EXPECT_TRUE(road.wait_for_step(0)) << road.log();
    road.shot("dvd_hub_manifest_not_held");
    EXPECT_FALSE(road.press_until_changed(button_bar::next, 2)) << "CONTINUE with a manifest not held";
    ASSERT_TRUE(road.send_close_request());
    EXPECT_EQ(road.wait(20), 0) << road.output() << road.log();
}

}  // namespace
