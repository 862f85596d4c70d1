// The DVD installer's roads for a copy already installed, end to end:
// nimbrel-dvd-installer under Xvfb, driven with xdotool, on a copy written
// as the release tool's disks would install it and then damaged, trimmed
// or changed as a user would.
#include <gtest/gtest.h>
#include <unistd.h>

#include <map>
#include <string>

#include "dvd_roads.h"
#include "held_opens.h"
#include "web_demo_road.h"

namespace {

using testing_support::file_exists;
using testing_support::make_sparse;
using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::remove_tree;
using testing_support::window_pixels;
using testing_support::write_file;

using files = std::map<std::string, std::string>;

// Hub choices with a copy registered, by what the disks hold.
constexpr int kChoiceScenery = 1;  // the disks hold tiles
constexpr int kRepairWithoutTiles = 1;
constexpr int kSecondCopyWithoutTiles = 2;

files simulator(int count)
{
    files f = {{"Nimbrel-i686", "#!/bin/sh\n"}};
    for (int i = 0; i < count; ++i)
        f["Resources/part" + std::to_string(i % 4) + "/file" + std::to_string(i) + ".txt"] =
            std::string(300 + 61 * i, static_cast<char>('a' + i));
    return f;
}

// The files as the disks install them into `folder`.
void write_copy(const std::string& folder, const files& f)
{
    for (const auto& [path, contents] : f) write_file(folder + path, contents);
}

// Every file of the release in `folder`, as the disks carry it.
void expect_whole(const std::string& folder, const files& f)
{
    for (const auto& [path, contents] : f)
        EXPECT_EQ(md5_hex(read_file(folder + path)), md5_hex(contents)) << path;
}

// The file plan's question (window 996, 750 by 146), the `nth` of the run,
// answered by the button at (x, y) in its own units.
bool answer_plan_question(const road_walker& road, int nth, float x, float y)
{
    if (!road.wait_for_log("  sig_want=", 30, nth)) return false;
    road.click_in(750, 146, x, y);
    return true;
}
constexpr float kOverwrite[] = {108, 53};
constexpr float kOverwriteFolder[] = {345, 53};
constexpr float kKeep[] = {108, 28};

std::string repair_count(const std::string& copy, int n)
{
    return "Files to repair in " + copy + ": " + std::to_string(n) + "\n";
}

// -- Repair ----------------------------------------------------------------------

TEST(dvd_copy_roads, RepairReinstallsWhatIsDamagedOrMissingFromBothDisksAndKeepsTheUsersFile)
{
    files release = simulator(12);
    release["Resources/second/s0.txt"] = "on the second disk";
    release["Resources/second/s1.txt"] = "on the second disk too";
    dvd_release disks(release, 2, "Nimbrel 9 Test", {"--dvd-disk-of", "Resources/second", "2"});
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    const std::string copy = road.home() + "Copy/";
    write_copy(copy, release);
    write_file(copy + "Resources/part0/file0.txt", "damaged");
    write_file(copy + "Resources/part1/file1.txt", "damaged");
    write_file(copy + "Resources/second/s0.txt", "damaged");
    ::unlink((copy + "Resources/part2/file2.txt").c_str());
    ::unlink((copy + "Resources/part3/file3.txt").c_str());
    write_file(copy + "Resources/part0/my notes.txt", "the user's own");
    write_file(registry(road), copy + "\n");

    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(choose_on_hub(road, kRepairWithoutTiles)) << road.log();
    road.shot("repair_pick_one_copy");
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << "the one copy is chosen by itself";
    ASSERT_TRUE(road.wait_for_log(repair_count(copy, 5), 30)) << road.log();
    ASSERT_TRUE(road.wait_for_step(step_list::confirm_repairs)) << road.log();
    road.shot("repair_confirm");

    // Each damaged file is asked about; the missing ones are not.
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("  sig_want="); })) << road.log();
    road.shot("repair_changed_file_question");
    for (int nth = 1; nth <= 3; ++nth)
        ASSERT_TRUE(answer_plan_question(road, nth, kOverwrite[0], kOverwrite[1])) << road.log();
    ASSERT_TRUE(wait_until([&] { return asked_for(road, 2) == 1; }, 60)) << road.log();
    EXPECT_EQ(read_file(copy + "Resources/part0/file0.txt"), release.at("Resources/part0/file0.txt"));

    // GO BACK, "Continue": the same disk change, no second plan.
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back)) << road.log();
    road.shot("repair_stop_question");
    EXPECT_TRUE(wait_until([&] {
        press_cancel_question(road, false);
        return road.wait_for_log("Asking for DVD number 2", 2, 2);
    }, 20)) << road.log();
    EXPECT_EQ(testing_support::count_of(road.log(), "Starting install at"), 1) << road.log();

    // GO BACK, "Stop": counted again, the file of the second disk is left.
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back)) << road.log();
    EXPECT_TRUE(wait_until([&] {
        press_cancel_question(road, true);
        return road.wait_for_log(repair_count(copy, 1), 2);
    }, 20)) << road.log();

    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("  sig_want=", 4); })) << road.log();
    ASSERT_TRUE(answer_plan_question(road, 4, kOverwrite[0], kOverwrite[1])) << road.log();
    ASSERT_TRUE(wait_until([&] { return asked_for(road, 2) == 3; }, 60)) << road.log();
    ASSERT_TRUE(change_disk(road, disks, 2, 0)) << road.log();
    road.shot("repair_finish");
    EXPECT_TRUE(road.logged("Install finished, 0 files failed")) << road.log();

    expect_whole(copy, release);
    EXPECT_EQ(read_file(copy + "Resources/part0/my notes.txt"), "the user's own");
    EXPECT_EQ(read_file(registry(road)), copy + "\n") << "a repaired copy is registered once";
    quit_on_the_finish_screen(road);
}

TEST(dvd_copy_roads, RepairLeftDuringItsScanScansAgainAndQuitAtADiskChangeEndsCleanly)
{
    files release = simulator(4);
    for (int i = 0; i < 8; ++i) release["Resources/large/l" + std::to_string(i) + ".bin"] = "small";
    release["Resources/second/s0.txt"] = "on the second disk";
    dvd_release disks(release, 2, "Nimbrel 9 Test", {"--dvd-disk-of", "Resources/second", "2"});
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    const std::string copy = road.home() + "Copy/";
    write_copy(copy, release);
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(make_sparse(copy + "Resources/large/l" + std::to_string(i) + ".bin", 1 << 20));
    write_file(copy + "Resources/second/s0.txt", "damaged");
    write_file(registry(road), copy + "\n");
    // The scan waits on the first large file it opens until GO BACK is in.
    testing_support::held_opens hold(copy + "Resources/large/");
    ASSERT_TRUE(hold.active()) << hold.problem();
    road.with_environment(hold.environment());

    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    ASSERT_TRUE(choose_on_hub(road, kRepairWithoutTiles)) << road.log();
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged(" Start of MD5 at "); }))
        << road.log();
    ASSERT_TRUE(hold.wait_for_open(30)) << "the scan read no large file\n" << road.log();
    road.shot("repair_scan");
    const window_pixels scanning = road.picture();
    ASSERT_TRUE(road.press_seen(button_bar::go_back)) << road.log();
    hold.release();
    ASSERT_TRUE(road.wait_for_change(scanning, road.kActing)) << road.log();
    EXPECT_FALSE(road.logged(" End of MD5 at ")) << "the scan was through before GO BACK";
    EXPECT_FALSE(road.logged("Files to repair in ")) << "GO BACK was not pressed during the scan";

    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged(" Start of MD5 at ", 2); }))
        << road.log();
    ASSERT_TRUE(road.wait_for_log(repair_count(copy, 9), 60)) << "the whole copy again\n" << road.log();
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("  sig_want="); })) << road.log();
    // One answer for the folder of large files, one for the last.
    ASSERT_TRUE(answer_plan_question(road, 1, kOverwriteFolder[0], kOverwriteFolder[1])) << road.log();
    ASSERT_TRUE(answer_plan_question(road, 2, kOverwrite[0], kOverwrite[1])) << road.log();
    ASSERT_TRUE(wait_until([&] { return asked_for(road, 2) == 1; }, 60)) << road.log();
    EXPECT_EQ(read_file(copy + "Resources/large/l7.bin"), "small");

    const std::string run_folder = road.run_folder();
    EXPECT_FALSE(run_folder.empty()) << road.log();
    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(30), 0) << road.output();
    EXPECT_TRUE(road.logged("Clean exit from threads.")) << road.log();
    EXPECT_FALSE(run_folder.empty() || file_exists(run_folder)) << run_folder << " outlived the run";
    EXPECT_EQ(read_file(copy + "Resources/second/s0.txt"), "damaged");
}

TEST(dvd_copy_roads, AFolderAnotherRoadLeftDimsContinueUntilACopyIsPickedAndQuitStopsTheScan)
{
    files release = simulator(4);
    release["Resources/large/l0.bin"] = "small";
    dvd_release disks(release, 1);
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    const std::string first = road.home() + "First/", second = road.home() + "Second/";
    write_copy(first, release);
    write_copy(second, release);
    write_file(registry(road), first + "\n" + second + "\n");
    // The scan waits on the first copy's file until QUIT is in.
    testing_support::held_opens hold(first + "Resources/large/");
    ASSERT_TRUE(hold.active()) << hold.problem();
    road.with_environment(hold.environment());

    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    // The second copy's destination names a folder that is no copy.
    ASSERT_TRUE(choose_on_hub(road, kSecondCopyWithoutTiles)) << road.log();
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back)) << road.log();
    ASSERT_TRUE(choose_on_hub(road, kRepairWithoutTiles)) << road.log();
    // The change may be the choice's button drawn pressed on the hub.
    ASSERT_TRUE(road.wait_for_step(1)) << road.log();
    road.shot("repair_pick_two_copies");
    EXPECT_FALSE(road.press_until_changed(button_bar::next, 2)) << "CONTINUE with no copy picked";

    ASSERT_TRUE(road.click_until_changed(250, 400)) << "the first copy's row";
    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged(" Start of MD5 at "); }))
        << road.log();
    ASSERT_TRUE(hold.wait_for_open(30)) << "the scan read no file\n" << road.log();
    // QUIT's frame stops the scan before it is drawn: the log tells it came.
    road.press_seen(button_bar::quit, 1);
    ASSERT_TRUE(road.wait_for_log(" MD5 stopped at ", road.kActing)) << road.log();
    hold.release();
    EXPECT_EQ(road.wait(road.kActing), 0) << road.output();
    EXPECT_FALSE(road.logged(" End of MD5 at ")) << "QUIT came after the scan";
    EXPECT_TRUE(road.logged("Clean exit from threads.")) << road.log();
    EXPECT_FALSE(file_exists(road.home() + disks.release())) << "the stale destination was made";
    EXPECT_EQ(read_file(registry(road)), first + "\n" + second + "\n");
}

// -- Scenery ---------------------------------------------------------------------

// The tool puts sector (10, 13) on disk 2, (18, 14) and (35, 5) on disk 3.
const char kTileA[] = "Global Scenery/Terrain/+50+000/+51+000.dsf";
const char kTileB1[] = "Global Scenery/Terrain/+40-080/+41-073.dsf";
const char kTileB2[] = "Global Scenery/Terrain/+40-080/+42-074.dsf";
const char kTileC[] = "Global Scenery/Terrain/-40+170/-37+174.dsf";

// From the hub through the pick screen and the scan to the map.
bool walk_to_map(const road_walker& road)
{
    return choose_on_hub(road, kChoiceScenery) &&
           road.press_until_changed(button_bar::next) && road.wait_for_step(step_list::map);
}

TEST(dvd_copy_roads, SceneryAddsATileRemovesAnotherKeepsTheChangedFileAndSaysWhatItDid)
{
    files release = simulator(4);
    for (const char* tile : {kTileA, kTileB1, kTileB2, kTileC}) release[tile] = std::string(7000, tile[30]);
    dvd_release disks(release, 3);
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    const std::string copy = road.home() + "Copy/";
    files installed = release;
    installed.erase(kTileC);
    installed[kTileB2] = "changed by the user";
    write_copy(copy, installed);
    write_file(registry(road), copy + "\n");

    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();

    // Nothing changed on the map: nothing to do, and the finish says so.
    ASSERT_TRUE(walk_to_map(road)) << road.log();
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
    EXPECT_TRUE(road.wait_for_log("Scenery changed in " + copy + ": I have successfully updated "
                                  "scenery to match your choices on the map.", 30))
        << road.log();
    EXPECT_FALSE(road.logged("Asking for DVD number")) << road.log();
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back, 10, true)) << road.log();

    ASSERT_TRUE(walk_to_map(road)) << road.log();
    road.rest_pointer();
    road.wait_for_still(0.3, 5);
    const window_pixels with_a_and_b = road.picture();
    road.shot("scenery_map_as_installed");

    road.click(map_x(10), map_y(13));  // B off
    road.click(map_x(35), map_y(5));   // C on
    road.rest_pointer();
    ASSERT_TRUE(road.wait_for_screen(with_a_and_b, 10));
    const window_pixels chosen = road.picture();
    EXPECT_TRUE(tile_changed(with_a_and_b, chosen, 10, 13));
    EXPECT_TRUE(tile_changed(with_a_and_b, chosen, 35, 5));
    EXPECT_FALSE(tile_changed(with_a_and_b, chosen, 18, 14));
    road.shot("scenery_map_changed");

    ASSERT_TRUE(road.press_until(button_bar::next, [&] { return road.logged("  sig_want="); })) << road.log();
    road.shot("scenery_changed_tile_question");
    EXPECT_TRUE(road.logged("File: " + copy + kTileB2)) << road.log();
    ASSERT_TRUE(answer_plan_question(road, 1, kKeep[0], kKeep[1])) << road.log();
    ASSERT_TRUE(wait_until([&] { return asked_for(road, 3) == 1; }, 30)) << road.log();
    ASSERT_TRUE(change_disk(road, disks, 3, 0)) << road.log();
    road.shot("scenery_finish");
    EXPECT_TRUE(road.logged("Scenery changed in " + copy + ": I have successfully added and removed "
                            "scenery to match your choices on the map."))
        << road.log();
    EXPECT_EQ(read_file(copy + kTileC), release.at(kTileC));
    EXPECT_FALSE(file_exists(copy + kTileB1));
    EXPECT_EQ(read_file(copy + kTileB2), "changed by the user");
    EXPECT_EQ(read_file(copy + kTileA), release.at(kTileA));
    expect_whole(copy, simulator(4));

    // Again, the copy gone meanwhile: nothing is found, no tile is chosen.
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back, 10, true)) << road.log();
    ASSERT_TRUE(choose_on_hub(road, kChoiceScenery)) << road.log();
    remove_tree(copy);
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
    road.rest_pointer();
    ASSERT_TRUE(road.wait_for_step(step_list::map)) << road.log();
    road.shot("scenery_map_of_a_copy_gone");
    EXPECT_TRUE(tile_changed(with_a_and_b, road.picture(), 18, 14)) << "a tile of a copy gone";
    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(20), 0) << road.output();
    EXPECT_FALSE(file_exists(copy)) << "a copy gone was made again";
}

}  // namespace
