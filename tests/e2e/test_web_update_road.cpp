// The web-update road end to end: nimbrel-updater under Xvfb, driven with
// xdotool, bringing a copy of the sample release up to its successor from
// nginx on loopback.  The copy is laid down from the first release's own
// archives, as the web demo would have left it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/files/file_checksum.h"
#include "held_opens.h"
#include "web_demo_road.h"

namespace {

using testing_support::file_exists;
using testing_support::has;
using testing_support::read_file;
using testing_support::run_shell;
using testing_support::write_file;

const std::string kTile = "Global Scenery/Terrain/+40-080/+42-074.dsf";
// In the tile's sector, and so wanted once the copy holds the tile.
const std::string kNeighbourTile = "Global Scenery/Terrain/+40-080/+41-073.dsf";
const std::string kUsersText = "changed by the user\n";

std::string md5_of(const std::string& path)
{
    std::string sum;
    return calc_file_md5(path, sum) == 0 ? sum : "(unreadable)";
}

// The first release installed in `home` and registered, with a scenery
// tile the user added; "" when it could not be laid down.
std::string lay_down_first_release(const sample_release& release, const std::string& home)
{
    return lay_down_copy(release, home, {kTile});
}

// The first release laid down in the walker's HOME and registered, then
// its successor made: the copy's folder, "" when either failed.
std::string copy_to_update(sample_release& release, const road_walker& road)
{
    if (!release.made()) return "";
    const std::string copy = lay_down_first_release(release, road.home());
    return !copy.empty() && release.make_update() ? copy : "";
}

std::vector<std::string> changes_of_kind(const sample_release& release, const std::string& kind)
{
    std::vector<std::string> paths;
    for (const auto& [k, path] : release.update_changes())
        if (k == kind) paths.push_back(path);
    return paths;
}

// `path` as seen from `from`, a folder ending in "/", by way of the root.
std::string relative_path(const std::string& from, const std::string& path)
{
    std::string up;
    for (char c : from.substr(1))
        if (c == '/') up += "../";
    return up + path.substr(1);
}

bool start_updater(road_walker& road, unsigned short port)
{
    road.through_proxy(port);
    return road.start();
}

// From the welcome through the copy picker until the search has begun its
// scan number `scans`.
bool walk_to_the_scan(const road_walker& road, int scans = 1)
{
    return road.press_until_changed(button_bar::next) &&  // the copy picker
           road.press_until(button_bar::next, [&] { return road.logged("Start of MD5", scans); });
}

// The search through, on the step `next` of the list: the disk check, or
// the finish for a copy found current.
bool scanned(road_walker& road, int next, int scans = 1)
{
    return road.wait_for_log("End of MD5", 60, scans) && road.wait_for_step(next);
}

// Started through the server at `port` and walked through the picker and
// the search to the disk check.
bool walk_through_the_scan(road_walker& road, unsigned short port)
{
    return start_updater(road, port) && walk_to_the_scan(road) && scanned(road, step_list::disk_check);
}

// Every file of the successor as the release has it (the user's text in
// `kept`), nothing it removed, and the tiles of the copy's sector current.
void expect_updated_copy(const sample_release& release, const std::string& copy, const std::string& kept = "")
{
    const auto files = release.installed_files();
    ASSERT_GE(files.size(), 20u);
    for (const auto& [path, md5] : files) {
        if (path == kept)
            EXPECT_EQ(read_file(copy + path), kUsersText) << "the user's file was not kept";
        else
            EXPECT_EQ(md5_of(copy + path), md5) << path;
    }
    for (const std::string& gone : changes_of_kind(release, "removed"))
        EXPECT_FALSE(file_exists(copy + gone)) << gone << " is gone from the release";
    EXPECT_FALSE(file_exists(copy + "Instructions/Manual_old")) << "the emptied folder stayed";
    const auto signatures = release.signatures();
    EXPECT_EQ(md5_of(copy + kTile), signatures.at(kTile)) << "the installed tile was not updated";
    EXPECT_EQ(md5_of(copy + kNeighbourTile), signatures.at(kNeighbourTile)) << "a tile of its sector";
    EXPECT_FALSE(file_exists(copy + "Global Scenery/Terrain/+50+000")) << "a sector the copy never had";
}

// -- An update, then one that only deletes, then none ---------------------------

// The user changed two files that the update changes too: the plan asks
// about each, and keeps one and overwrites the other as answered.
TEST(web_update_road, UpdatesACopyAsAnsweredThenDeletesWhatCameBackThenFindsItCurrent)
{
    sample_release release(80, 1, 1);
    road_walker road(NIMBREL_UPDATER);
    const std::string copy = copy_to_update(release, road);
    ASSERT_FALSE(copy.empty()) << release.problem();
    const std::vector<std::string> changed = changes_of_kind(release, "changed");
    ASSERT_EQ(changed.size(), 12u);
    ASSERT_EQ(changes_of_kind(release, "added").size(), 6u);
    ASSERT_EQ(changes_of_kind(release, "removed").size(), 4u);
    // In manifest order, so the first question is about the first of them.
    const std::string kept = changed[1] < changed[2] ? changed[1] : changed[2];
    const std::string overwritten = changed[1] < changed[2] ? changed[2] : changed[1];
    write_file(copy + kept, kUsersText);
    write_file(copy + overwritten, kUsersText);
    ASSERT_TRUE(release.serve()) << release.problem();

    ASSERT_TRUE(start_updater(road, release.port())) << road.output();
    road.shot("update_welcome");
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
    road.shot("update_pick_copy");
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("Start of MD5"); })) << road.log();
    ASSERT_TRUE(scanned(road, step_list::disk_check)) << road.log();
    road.shot("update_check_disk");

    // The file plan's question, window 996 of 750 by 146.
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("File: "); })) << road.log();
    EXPECT_TRUE(road.logged("File: " + copy + kept)) << road.log();
    road.shot("update_changed_file_question");
    road.click_in(750, 146, 108, 28);  // KEEP THE OLD FILE
    ASSERT_TRUE(road.wait_for_log("File: " + copy + overwritten, 20)) << road.log();
    road.click_in(750, 146, 108, 53);  // OVERWRITE THE OLD FILE
    ASSERT_TRUE(wait_until([&] { return !file_exists(copy + "Instructions/Manual_old"); }, 60)) << road.log();
    ASSERT_TRUE(road.wait_for_step(step_list::finish)) << road.log();
    road.shot("update_finish");
    EXPECT_EQ(fly_when_done(road, 30), 1) << road.log();
    EXPECT_EQ(read_file(road.home() + "nimbrel-flown.txt"), copy + "Nimbrel-i686\n");
    expect_updated_copy(release, copy, kept);
    EXPECT_EQ(testing_support::count_of(road.log(), "File: "), 2) << "only the user's two files are asked about";

    // The removed files come back in their old versions, and the kept file
    // takes the release's: an update that only deletes.  "-path" names the
    // copy relative to where the program starts, without its "/".
    const std::vector<std::string> removed = changes_of_kind(release, "removed");
    ASSERT_TRUE(unpack_into(release.first_release_folder(), removed, copy));
    ASSERT_TRUE(unpack_into(release.release_folder(), {kept}, copy));
    road_walker deleting(NIMBREL_UPDATER);
    deleting.with_path(relative_path(deleting.app_dir(), copy.substr(0, copy.size() - 1)));
    ASSERT_TRUE(start_updater(deleting, release.port())) << deleting.output();
    deleting.shot("update_path_welcome");
    // No picker: one CONTINUE leads to the search.
    ASSERT_TRUE(deleting.press_until_changed(button_bar::next)) << deleting.log();
    ASSERT_TRUE(deleting.wait_for_log("Start of MD5", 20)) << deleting.log();
    ASSERT_TRUE(scanned(deleting, step_list::disk_check - 1)) << deleting.log();
    deleting.shot("update_only_deletions");
    ASSERT_TRUE(deleting.press_until(button_bar::next, [&] { return !file_exists(copy + removed[0]); }))
        << deleting.log();
    EXPECT_EQ(fly_when_done(deleting, 30), 1) << deleting.log();
    expect_updated_copy(release, copy);
    EXPECT_EQ(run_shell("cd '" + road.home() + "' && ls -d Nimbrel*").out, "Nimbrel 9\n")
        << "a stray folder beside the copy";

    // Nothing to do, and "-path" naming no copy: the user is told, picks
    // the copy, and the search ends on the finish with nothing deleted.
    road_walker current(NIMBREL_UPDATER);
    write_file(current.home() + "Plain/notes.txt", "not a copy");
    register_copy(current.home(), copy);
    current.with_path(current.home() + "Plain");
    ASSERT_TRUE(start_updater(current, release.port())) << current.output();
    ASSERT_TRUE(wait_until([&] {
        current.keys("Return");
        return current.wait_for_log("The folder given after -path:", 0.5);
    }, 10)) << current.log();
    // The welcome, the warning gone from over it.
    ASSERT_TRUE(current.wait_for_step(0));
    ASSERT_TRUE(walk_to_the_scan(current)) << current.log();
    ASSERT_TRUE(scanned(current, step_list::finish)) << current.log();
    current.shot("update_already_current");
    EXPECT_EQ(fly_when_done(current, 30), 1) << "no finish offering to fly\n" << current.log();
    expect_updated_copy(release, copy);
    EXPECT_EQ(read_file(current.home() + "Plain/notes.txt"), "not a copy");
}

// An earlier version left the per-user folder open to the user's group:
// it is made the user's alone and kept, so the update finds the copy
// registered before and it stays registered.
TEST(web_update_road, APerUserFolderAnEarlierVersionLeftOpenKeepsTheCopyRegistered)
{
    sample_release release(20, 1, 1);
    road_walker road(NIMBREL_UPDATER);
    const std::string copy = copy_to_update(release, road);
    ASSERT_FALSE(copy.empty()) << release.problem();
    const std::string folder = road.home() + ".nimbrel";
    const std::string registered = read_file(folder + "/nimbrel_install.txt");
    ASSERT_TRUE(has(registered, copy)) << registered;
    ASSERT_EQ(::chmod(folder.c_str(), 0775), 0);
    ASSERT_TRUE(release.serve()) << release.problem();
    ASSERT_TRUE(walk_through_the_scan(road, release.port())) << road.output() << road.log();
    EXPECT_TRUE(road.logged("Start of MD5")) << road.log();
    ASSERT_TRUE(road.send_close_request());
    EXPECT_EQ(road.wait(20), 0) << road.output();
    struct stat st;
    EXPECT_TRUE(::stat(folder.c_str(), &st) == 0 && (st.st_mode & 0777) == 0700) << std::oct << st.st_mode;
    EXPECT_EQ(read_file(folder + "/nimbrel_install.txt"), registered);
    EXPECT_TRUE(road.logged("made this user's alone")) << road.log();
}

// -- Servers and archives that fail --------------------------------------------------

// The first server gives neither the manifest nor some of the files (a 500,
// a dropped connection): the update moves to the second and completes.
TEST(web_update_road, CompletesFromAnotherServerWhenTheFirstOneFails)
{
    sample_release release(20, 1, 1);
    road_walker road(NIMBREL_UPDATER);
    const std::string copy = copy_to_update(release, road);
    ASSERT_FALSE(copy.empty()) << release.problem();
    ASSERT_TRUE(release.serve("location = /demo/Demo_901/directory.txt.zip { return 500; }\n"
                              "location /mirror/Demo_901/Nimbrel/Resources/ { return 444; }\n"
                              "location /mirror/Demo_901/Nimbrel/Aircraft/ { return 500; }\n"))
        << release.problem();
    ASSERT_TRUE(walk_through_the_scan(road, release.port())) << road.output() << road.log();
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return has(release.access_log(), "/Demo_901/Nimbrel/"); }))
        << road.log();
    EXPECT_EQ(fly_when_done(road, 60), 1) << road.log();
    expect_updated_copy(release, copy);
    EXPECT_TRUE(has(release.access_log(), "/mirror/Demo_901/Nimbrel/")) << "the failing server was never tried";
}

// The first archive that does not unpack ends the update: the problems
// text without "Fly", and the file keeps the version it had.
TEST(web_update_road, CorruptArchiveEndsOnTheProblemTextWithoutFly)
{
    sample_release release(20, 0, 1);
    road_walker road(NIMBREL_UPDATER);
    const std::string copy = copy_to_update(release, road);
    ASSERT_FALSE(copy.empty()) << release.problem();
    const std::string broken = changes_of_kind(release, "changed").at(0);
    const std::string before = md5_of(copy + broken);
    write_file(release.release_folder() + "Nimbrel/" + broken + ".zip", std::string(3000, 'x'));
    ASSERT_TRUE(release.serve()) << release.problem();
    ASSERT_TRUE(walk_through_the_scan(road, release.port())) << road.output() << road.log();
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("could not open a zip file"); }, 30))
        << road.log();
    road.shot("update_corrupt_archive_alert");
    dismiss_unpack_warning_and_expect_no_fly(road, broken.substr(broken.rfind('/') + 1));
    road.shot("update_corrupt_archive_finish");
    quit_on_the_finish_screen(road);
    EXPECT_EQ(md5_of(copy + broken), before);
}

// -- Leaving the scan, and a disk too small --------------------------------------------

// A scan left for the picker and taken up again reads every file again: a
// copy whose first files went unchecked would not be found current, and
// the road would stop at the disk check instead of the finish.
TEST(web_update_road, GoingBackDuringTheScanAndOnScansTheWholeCopyAgain)
{
    sample_release release(2, 0, 1);
    ASSERT_TRUE(release.made()) << release.problem();
    road_walker road(NIMBREL_UPDATER);
    const std::string copy = road.home() + "Nimbrel 9/";
    // Sparse files cost no disk; the scan is held on the first it opens.
    constexpr int kFiles = 20;
    ASSERT_EQ(run_shell("mkdir -p '" + copy + "big' && cd '" + copy + "big' && for i in $(seq " +
                        std::to_string(kFiles) + "); do truncate -s 1M f$i.bin; done")
                  .status,
              0);
    const std::string zeros = md5_of(copy + "big/f1.bin");
    std::string manifest = "I\n900 version\nINSTALLER\n\n";
    for (int i = 1; i <= kFiles; ++i)
        manifest += "FILE 1 0 0 1 1024 " + zeros + " Nimbrel/big/f" + std::to_string(i) + ".bin\n";
    write_file(release.release_folder() + "directory.txt", manifest);
    ASSERT_EQ(run_shell("cd '" + release.release_folder() +
                        "' && rm -f directory.txt.zip && zip -q directory.txt.zip directory.txt")
                  .status,
              0);
    // The release's stub simulator beside them, which the manifest leaves out.
    ASSERT_TRUE(unpack_into(release.release_folder(), {"Nimbrel-i686"}, copy));
    register_copy(road.home(), copy);
    ASSERT_TRUE(release.serve()) << release.problem();

    testing_support::held_opens hold(copy + "big/");
    ASSERT_TRUE(hold.active()) << hold.problem();
    road.with_environment(hold.environment());

    ASSERT_TRUE(start_updater(road, release.port())) << road.output();
    ASSERT_TRUE(walk_to_the_scan(road)) << road.log();
    ASSERT_TRUE(hold.wait_for_open(30)) << "the scan read no file\n" << road.log();
    road.shot("update_scanning");
    const testing_support::window_pixels scanning = road.picture();
    ASSERT_TRUE(road.press_seen(button_bar::go_back)) << road.log();
    hold.release();
    ASSERT_TRUE(road.wait_for_change(scanning, road.kActing)) << road.log();
    ASSERT_FALSE(road.logged("End of MD5")) << "the scan was through before GO BACK";
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("Start of MD5", 2); })) << road.log();
    ASSERT_TRUE(scanned(road, step_list::finish)) << road.log();
    EXPECT_EQ(testing_support::count_of(road.log(), "End of MD5"), 1) << "the first scan ran on";
    EXPECT_EQ(fly_when_done(road, 30), 1) << "the copy was not found current\n" << road.log();
}

// -- Under a limit on the address space ----------------------------------------------

// What the limit left a reading of the manifest, the part of it outside
// the heap, where the scan's stacks go, and what of it the reading kept
// for the scan after it, in KiB, as the log tells.
struct reading_room {
    long room = 0, outside_heap = 0, scan = 0;
};
std::vector<reading_room> reading_rooms(const std::string& log)
{
    static const std::string kLine = "The limit on the address space leaves ";
    std::vector<reading_room> rooms;
    for (size_t at = log.find(kLine); at != std::string::npos; at = log.find(kLine, at + 1)) {
        reading_room r;
        if (std::sscanf(log.c_str() + at + kLine.size(),
                        "%ld KiB for the manifest (%ld KiB of it outside the heap), %ld KiB", &r.room,
                        &r.outside_heap, &r.scan) == 3)
            rooms.push_back(r);
    }
    return rooms;
}

// Every search reads the manifest, then starts the scan's workers.  Each
// search has the room the first had, as the last scan's workers took their
// stacks and stamps with them, and every reading keeps the room the scan
// needs: a manifest that fits alone but would leave the scan less cannot be
// held here, the warning that memory ran out, never the fatal end of a
// thread that cannot start.  The search that failed so is made again by
// GO BACK and CONTINUE, with the room the searches before it had.
TEST(web_update_road, EverySearchHasTheFirstOnesRoomAndKeepsTheScansOwn)
{
    if (testing_support::under_sanitizer())
        GTEST_SKIP() << "a sanitizer's shadow memory takes terabytes of address space: no limit can be set";
    sample_release release(20, 0, 1);
    road_walker road(NIMBREL_UPDATER);
    ASSERT_FALSE(copy_to_update(release, road).empty()) << release.problem();
    const auto serve = [&](const std::string& manifest) {
        write_file(release.release_folder() + "directory.txt", manifest);
        return run_shell("cd '" + release.release_folder() +
                         "' && rm directory.txt.zip && zip -q directory.txt.zip directory.txt")
                   .status == 0;
    };
    // Grown by 10,000 lines for another system and 30,000 of files the
    // release removed, which the scan reads and takes stamps of.
    std::string grown = release.manifest();
    for (int i = 0; i < 40000; ++i)
        grown += i < 10000 ? "FILE 1 1 0 3 3 " + std::string(32, 'a') + " Nimbrel/mac/p" + std::to_string(i) + "\n"
                           : "FILE 1 0 0 0 0 GONE Nimbrel/Resources/removed/r" + std::to_string(i) + ".txt\n";
    ASSERT_TRUE(serve(grown));
    ASSERT_TRUE(release.serve()) << release.problem();
    const rlim_t limit = rlim_t{1} << 30;
    road.limit_address_space(limit);
    ASSERT_TRUE(walk_through_the_scan(road, release.port())) << road.output() << road.log();
    // GO BACK from the disk check searches again, reading the manifest again.
    for (int search = 2; search <= 4; ++search) {
        ASSERT_TRUE(road.press_until(button_bar::go_back, [&] { return road.logged("Start of MD5", search); }))
            << road.log();
        ASSERT_TRUE(scanned(road, step_list::disk_check, search)) << road.log();
    }
    std::vector<reading_room> rooms = reading_rooms(road.log());
    ASSERT_EQ(rooms.size(), 4u) << road.log();
    const long scan_kb = rooms[0].scan;
    EXPECT_GT(scan_kb, 8 << 10) << "no worker's stack was kept for";
    for (const reading_room& r : rooms) EXPECT_LE(rooms[0].room - r.room, 1 << 10) << r.room << " KiB after " << rooms[0].room;
    // The records of the manifest read before lie free in the heap until
    // the reading takes them again: outside it, alike from the second on.
    const auto [least, most] = std::minmax({rooms[1].outside_heap, rooms[2].outside_heap, rooms[3].outside_heap});
    EXPECT_LE(most - least, 1 << 10) << "outside the heap: from " << least << " to " << most << " KiB";

    // A manifest of an eighth of the scan's room more, for another system:
    // its reading takes under half of that room, and would leave the scan
    // less than the 0.85 of it that the limit now leaves.  Every server
    // gives it.
    std::string more;
    for (long i = 0; i < (scan_kb << 10) / 8 / 87; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "FILE 1 1 0 3 3 %s Nimbrel/Resources/plugins/mac/more/p%07ld.so\n",
                      std::string(32, 'a').c_str(), i);
        more += line;
    }
    ASSERT_TRUE(serve(grown + more));
    const rlim_t lower = limit - ((static_cast<rlim_t>(rooms.back().room) - scan_kb * 85 / 100) << 10);
    // The soft limit, which an ordinary user may raise again.
    struct rlimit bound = {lower, limit};
    ASSERT_EQ(::prlimit(road.pid(), RLIMIT_AS, &bound, nullptr), 0) << std::strerror(errno);
    ASSERT_TRUE(road.press_until(button_bar::go_back, [&] { return road.logged("No download server gave"); }, 30))
        << road.log();
    road.shot("update_manifest_leaving_the_scan_no_room");
    EXPECT_TRUE(road.logged("cannot be held here; another server is asked.", 2)) << road.log();
    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return road.logged("The installer ran out of memory.");
    }, 20)) << road.log();
    EXPECT_FALSE(road.logged("Start of MD5", 5)) << road.log();

    // The limit as it was, and the manifest: the search made again reads
    // it with the room of the searches before the refused readings.
    ASSERT_TRUE(serve(grown));
    bound = {limit, limit};
    ASSERT_EQ(::prlimit(road.pid(), RLIMIT_AS, &bound, nullptr), 0) << std::strerror(errno);
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back)) << road.log();
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("Start of MD5", 5); }))
        << "the search that failed was not made again\n" << road.log();
    ASSERT_TRUE(scanned(road, step_list::disk_check, 5)) << road.log();
    rooms = reading_rooms(road.log());
    ASSERT_EQ(rooms.size(), 7u) << road.log();
    EXPECT_LE(rooms[3].room - rooms[6].room, 1 << 10) << rooms[6].room << " KiB after " << rooms[3].room;
    ASSERT_TRUE(road.send_close_request());
    EXPECT_EQ(road.wait(20), 0) << road.output() << road.log();
}

TEST(web_update_road, TooLittleDiskSpaceDimsContinue)
{
    sample_release release(20, 1, 1);
    road_walker road(NIMBREL_UPDATER);
    testing_support::small_disk home(road.home(), "4m");  // for a copy of about 2 MB
    if (!home.mounted()) GTEST_SKIP() << "no tmpfs can be mounted here";
    ASSERT_FALSE(copy_to_update(release, road).empty()) << release.problem();
    // Another program takes what is left of the disk.
    run_shell("dd if=/dev/zero of='" + road.home() + "filler' bs=64k");
    ASSERT_TRUE(release.serve()) << release.problem();
    ASSERT_TRUE(walk_through_the_scan(road, release.port())) << road.output() << road.log();
    road.shot("update_too_little_disk_space");
    EXPECT_FALSE(road.press_until_changed(button_bar::next, 2)) << "CONTINUE took the update on";
    EXPECT_FALSE(has(release.access_log(), "/Demo_901/Nimbrel/")) << "a file was downloaded";
    run_shell("rm -f '" + road.home() + "filler'");  // room for the preferences at exit
    ASSERT_TRUE(road.send_close_request());
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

}  // namespace
