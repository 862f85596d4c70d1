// The repair and scenery roads frame by frame, on a copy written as the
// disks would install it and then damaged, trimmed or changed as a user
// would: what each screen counts and says, what reaches the disk, the
// questions on the way back into a running install, and the folders other
// roads leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core_globals.h"
#include "engine/checksum_pump.h"
#include "engine/dvd_install_pump.h"
#include "engine/file_plan.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/stop_pumps.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

#include "dvd_road_test.h"
#include "test_support.h"

namespace {

using testing_support::dvd_release;
using testing_support::file_exists;
using testing_support::has;
using testing_support::make_sparse;
using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::remove_tree;
using testing_support::write_file;

const release_files kSimFiles = {
    {"Nimbrel-i686", "#!/bin/sh\n"},
    {"Resources/a.txt", "first file"},
    {"Resources/b.txt", "second file"},
    {"Resources/old.txt", "dropped by the release"},
    {"Resources/deep/c.txt", std::string(70000, 'c')},
    // On the second disk by "--dvd-disk-of".
    {"Resources/second/d.txt", "on the second disk"},
};
// A is sector (18, 14) and C (35, 5), both on disk 3; B, two files of
// sector (10, 13), on disk 2.
const char kTileA[] = "Global Scenery/Terrain/+50+000/+51+000.dsf";
const char kTileB1[] = "Global Scenery/Terrain/+40-080/+41-073.dsf";
const char kTileB2[] = "Global Scenery/Terrain/+40-080/+42-074.dsf";
const char kTileC[] = "Global Scenery/Terrain/-40+170/-37+174.dsf";
const release_files kTiles = {
    {kTileA, std::string(6000, 'a')},
    {kTileB1, std::string(6000, 'b')},
    {kTileB2, std::string(6000, 'B')},
    {kTileC, std::string(6000, 'c')},
};

// The user's answers to the plan's changed-file question.
struct plan_answers {
    int answer = kAnswerKeep;
    std::vector<std::string> asked;
    std::vector<int> deleting;
};
plan_answers g_plan;
int answer_plan(const std::string& path, int is_delete)
{
    g_plan.asked.push_back(path);
    g_plan.deleting.push_back(is_delete);
    return g_plan.answer;
}

class dvd_copy_roads : public dvd_road_test {
protected:
    void SetUp() override
    {
        dvd_road_test::SetUp();
        g_plan = plan_answers();
        set_select_alert_hook(answer_plan);
        copy_ = home_ / "Copy/";
    }

    // The copy as the disks install `files`, registered and read by the hub
    // from disk 1 of `set`.
    void install_copy(const dvd_release& set, const release_files& files)
    {
        use(set, 1);
        register_copy(copy_);
        for (const auto& [path, contents] : files) write_file(copy_ + path, contents);
        const wizard_screen rec = hub();
        ASSERT_FALSE(rec.choice_funcs.empty()) << rec.text;
    }
    // The history of a file below the release's top folder.
    file_history_struct& history_of(const std::string& path)
    {
        for (file_history_struct& h : sim_info)
            if (h.back().path == "Nimbrel/" + path) return h;
        ADD_FAILURE() << path << " is not in the manifest";
        return sim_info.front();
    }
    // The release as if this one dropped the file: a "GONE" line after the
    // version the disks carry.
    void drop_from_release(const std::string& path)
    {
        file_history_struct& h = history_of(path);
        file_version_struct gone = h.back();
        gone.sig_want = "GONE";
        h.push_back(gone);
    }
    // From the pick screen to the screen after the scan; that screen's
    // first record.
    wizard_screen scan(screen_fn pick, screen_fn after)
    {
        screen_fn screen = pick;
        wizard_screen rec;
        rec = wizard_screen();
        EXPECT_EQ(screen(1, rec), 0);
        screen = rec.next;
        // The frames of a scan are quick and many while a large file is read.
        walk(screen, after, rec, 100000000);
        rec = wizard_screen();
        screen(1, rec);
        return rec;
    }

    std::string copy_;
};

// -- Repair ----------------------------------------------------------------------

TEST_F(dvd_copy_roads, RepairReinstallsWhatIsDamagedOrMissingFromItsDiskAndNothingElse)
{
    dvd_release set(merged(kSimFiles, kTiles), 2, "Nimbrel 9 Test", {"--dvd-disk-of", "Resources/second", "2"});
    release_files on_disk = kSimFiles;
    on_disk.erase("Resources/b.txt");                             // deleted
    on_disk["Resources/a.txt"] = "damaged";                       // on the first disk
    on_disk["Resources/second/d.txt"] = "damaged too";            // on the second
    on_disk["Resources/my own.txt"] = "the user's";               // the release knows nothing of it
    on_disk[kTileA] = "a tile the repair does not look at";
    install_copy(set, on_disk);
    g_plan.answer = kAnswerOverwrite;
    drop_from_release("Resources/old.txt");    // there: to delete, counted
    drop_from_release("Resources/deep/c.txt");
    remove_tree(copy_ + "Resources/deep/");    // gone and absent: not counted

    // One copy: chosen by itself, whatever another road left.
    dest_dir_path = home_ / "Elsewhere/";
    wizard_screen pick;
    EXPECT_EQ(dvd_pick_repair(1, pick), 0);
    EXPECT_EQ(pick.title, "Repair Nimbrel 9");
    EXPECT_EQ(pick.text, "Please pick which copy of Nimbrel 9 you would like to repair.");
    EXPECT_EQ(pick.next, dvd_scan_repair);
    EXPECT_EQ(pick.back, dvd_start);
    EXPECT_EQ(dest_dir_path, copy_);
    ASSERT_EQ(step_names.size(), 6u);
    EXPECT_EQ(step_names[2], "Scan For Problems");

    const wizard_screen confirm = scan(dvd_pick_repair, dvd_confirm_repair);
    EXPECT_EQ(count_files_to_repair(), 4);
    EXPECT_EQ(confirm.title, "Confirm Repairs");
    EXPECT_EQ(confirm.text, "I need to install approximately 4 files to repair " + copy_ +
                                ".\n\nClick continue to begin repairing Nimbrel.");
    EXPECT_EQ(confirm.next, dvd_install_repair);

    screen_fn screen = dvd_install_repair;
    wizard_screen rec;
    walk(screen, dvd_switch_disk_repair, rec);
    EXPECT_EQ(repair_is_running, 1);
    EXPECT_EQ(read_file(copy_ + "Resources/a.txt"), "first file") << "the first disk comes first";
    wizard_screen change;
    EXPECT_EQ(dvd_switch_disk_repair(1, change), 0);
    EXPECT_EQ(change.title, "Repairing Nimbrel - Please Change DVDs");
    EXPECT_EQ(change.text, "Please insert DVD number 2 and click continue.");
    EXPECT_EQ(change.back, dvd_confirm_repair);
    set.insert(2);
    screen = change.next;
    walk(screen, dvd_done_repair, rec);
    EXPECT_EQ(repair_is_running, 0);

    for (const auto& [path, contents] : kSimFiles) {
        if (path == "Resources/old.txt" || path == "Resources/deep/c.txt") continue;
        EXPECT_EQ(md5_hex(read_file(copy_ + path)), md5_hex(contents)) << path;
    }
    EXPECT_FALSE(file_exists(copy_ + "Resources/old.txt")) << "a dropped file stayed";
    EXPECT_EQ(read_file(copy_ + "Resources/my own.txt"), "the user's");
    EXPECT_EQ(read_file(copy_ + kTileA), "a tile the repair does not look at");
    EXPECT_EQ(read_file(home_ / ".nimbrel/nimbrel_install.txt"), copy_ + "\n") << "registered again";
    EXPECT_EQ(g_plan.asked, (std::vector<std::string>{copy_ + "Resources/a.txt",
                                                      copy_ + "Resources/second/d.txt"}))
        << "a damaged file is one the user may have changed: asked about, known versions not";
    EXPECT_EQ(g_plan.deleting, (std::vector<int>{0, 0}));

    wizard_screen done;
    EXPECT_EQ(dvd_done_repair(1, done), 0);
    EXPECT_EQ(done.title, "Finished Repairing Nimbrel.");
    EXPECT_EQ(done.text, "I have finished repairing " + copy_ +
                             " - click Go Back to return to the main menu.");
    EXPECT_EQ(done.choice_funcs, std::vector<screen_fn>{dvd_do_run_sim});
    EXPECT_EQ(done.back, dvd_start);
    EXPECT_EQ(done.next, wizard_quit);

    // Repaired, the copy has nothing left to repair and no disk to ask for.
    const wizard_screen again = scan(dvd_pick_repair, dvd_confirm_repair);
    EXPECT_EQ(again.text, "I need to install approximately 0 files to repair " + copy_ +
                              ".\n\nClick continue to begin repairing Nimbrel.");
    screen = dvd_install_repair;
    EXPECT_EQ(walk(screen, dvd_done_repair, rec), 1) << "the repair asked for a disk";
}

TEST_F(dvd_copy_roads, RepairGoneBackToResumesWithoutANewPlanOrStopsAndCountsAgain)
{
    dvd_release set(kSimFiles, 2, "Nimbrel 9 Test", {"--dvd-disk-of", "Resources/second", "2"});
    release_files on_disk = kSimFiles;
    on_disk["Resources/a.txt"] = "damaged";
    on_disk["Resources/second/d.txt"] = "damaged too";
    install_copy(set, on_disk);
    g_plan.answer = kAnswerOverwrite;
    // A large damaged file holds the scan long enough to leave it.
    ASSERT_TRUE(make_sparse(copy_ + "Resources/deep/c.txt", 96 << 20));
    drop_from_release("Resources/old.txt");

    // GO BACK during the scan: the pick screen stops it before anything
    // reads the results; coming forward scans every file again.
    dest_dir_path = copy_;
    wizard_screen rec;
    ASSERT_EQ(dvd_scan_repair(1, rec), 0);
    EXPECT_EQ(rec.back, dvd_pick_repair);
    EXPECT_EQ(rec.quit_hook, UTL_stop_all_pumps);
    EXPECT_TRUE(has(rec.progress_text, " of 6 files.")) << rec.progress_text;
    EXPECT_EQ(dvd_pick_repair(1, rec), 0);
    EXPECT_EQ(checksum_workers, nullptr) << "the scan outlived GO BACK";
    scan(dvd_pick_repair, dvd_confirm_repair);
    EXPECT_EQ(count_files_to_repair(), 4);

    // GO BACK on the disk change, "Continue": the same disk change again,
    // with no new plan, so a dropped file put back is not deleted again.
    screen_fn screen = dvd_install_repair;
    walk(screen, dvd_switch_disk_repair, rec);
    EXPECT_FALSE(file_exists(copy_ + "Resources/old.txt"));
    write_file(copy_ + "Resources/old.txt", "put back");
    g_abort.answer = 0;
    screen = dvd_confirm_repair;
    walk(screen, dvd_switch_disk_repair, rec);
    EXPECT_EQ(g_abort.asked, 1);
    EXPECT_EQ(g_abort.question, "Are you sure you want to stop the repair operation?  Nimbrel may "
                                "not be usable until repairs are complete.  You can run the repair "
                                "operation on Nimbrel again later to complete repairs.");
    EXPECT_EQ(read_file(copy_ + "Resources/old.txt"), "put back") << "deleted by a second plan";
    EXPECT_EQ(repair_is_running, 1);

    // "Stop", then a window closed without an answer, each from a running
    // repair: the pools go and the confirm screen counts what is left.
    for (const int answer : {1, 3}) {
        SCOPED_TRACE(answer);
        g_abort.answer = answer;
        wizard_screen confirm;
        EXPECT_EQ(dvd_confirm_repair(1, confirm), 0);
        EXPECT_EQ(repair_is_running, 0);
        EXPECT_EQ(copy_pool, nullptr);
        EXPECT_EQ(unzip_pool, nullptr);
        EXPECT_EQ(confirm.text, "I need to install approximately 1 file to repair " + copy_ +
                                    ".\n\nClick continue to begin repairing Nimbrel.")
            << "the file on the second disk";
        if (answer == 1) {
            screen = dvd_install_repair;
            walk(screen, dvd_switch_disk_repair, rec);
        }
    }
}

TEST_F(dvd_copy_roads, ARepairFileThatFailsIsAskedAboutAndStopFinishesWithTheErrorText)
{
    dvd_release set(kSimFiles, 1);
    release_files on_disk = kSimFiles;
    on_disk.erase("Resources/a.txt");
    on_disk.erase("Resources/b.txt");
    install_copy(set, on_disk);
    write_file(set.archive_of("Resources/a.txt"), "PK\x03\x04 torn");

    scan(dvd_pick_repair, dvd_confirm_repair);
    g_abort.answer = 1;  // "Stop"
    screen_fn screen = dvd_install_repair;
    wizard_screen rec;
    walk(screen, dvd_done_repair, rec);
    EXPECT_EQ(g_abort.asked, 1);
    EXPECT_TRUE(has(g_abort.question, "An error occurred during the repair:\n\n")) << g_abort.question;
    EXPECT_TRUE(has(g_abort.question, "Resources/a.txt")) << g_abort.question;
    EXPECT_TRUE(has(g_abort.question, "\n\nNimbrel may not be usable until you are able to repair "
                                      "the sim without errors."));
    EXPECT_EQ(repair_is_running, 0);
    EXPECT_EQ(copy_pool, nullptr);

    wizard_screen done;
    dvd_done_repair(1, done);
    EXPECT_TRUE(has(done.text, "There were errors during the repair;")) << done.text;
    EXPECT_TRUE(done.choice_funcs.empty());
}

// -- Picking the copy --------------------------------------------------------------

TEST_F(dvd_copy_roads, PickScreensForgetAFolderThatIsNoCopyAndKeepOneThatIs)
{
    dvd_release set(merged(kSimFiles, kTiles), 1);
    use(set, 1);
    register_copy(copy_);
    write_file(home_ / ".nimbrel/nimbrel_install.txt", copy_ + "\n" + home_ / "Second/\n");
    write_file(home_ / "Second/Nimbrel-i686", "");
    hub();
    ASSERT_EQ(all_nsystems.size(), 2u);
    const std::string unregistered = home_ / "Found/";
    for (const char* folder : {"Airfoils", "Instructions", "Output", "Resources"})
        write_file(unregistered + folder + "/x", "");
    write_file(home_ / "Plain/readme.txt", "");

    for (const screen_fn pick : {dvd_pick_repair, dvd_pick_scenery}) {
        for (const std::string& left : {home_ / "New copy/", home_ / "Plain/"}) {
            SCOPED_TRACE(left);
            dest_dir_path = left;
            wizard_screen rec;
            EXPECT_EQ(pick(1, rec), 0);
            EXPECT_EQ(dest_dir_path, "");
            EXPECT_EQ(rec.next, nullptr) << "CONTINUE live without a copy";
            EXPECT_TRUE(has(rec.text, "You have more than one copy of Nimbrel 9 installed on this "
                                      "computer.  Please pick which copy of Nimbrel 9 you would like to "))
                << rec.text;
        }
        for (const std::string& kept : {copy_, unregistered}) {
            dest_dir_path = kept;
            wizard_screen rec;
            pick(1, rec);
            EXPECT_EQ(dest_dir_path, kept);
            EXPECT_NE(rec.next, nullptr);
        }
    }
    EXPECT_FALSE(file_exists(home_ / "New copy/")) << "a road wrote into a folder it did not pick";
}

// -- Scenery ---------------------------------------------------------------------

TEST_F(dvd_copy_roads, SceneryAddsAndRemovesTilesAndAsksAboutTheOneTheUserChanged)
{
    dvd_release set(merged(kSimFiles, kTiles), 3);
    release_files on_disk = merged(kSimFiles, kTiles);
    on_disk.erase(kTileC);
    on_disk[kTileB2] = "changed by the user";
    install_copy(set, on_disk);

    wizard_screen pick;
    dvd_pick_scenery(1, pick);
    EXPECT_EQ(pick.title, "Select Nimbrel 9 to Add or Remove Scenery");
    EXPECT_EQ(pick.text, "Please pick which copy of Nimbrel 9 you would like to add scenery to.");
    EXPECT_EQ(step_names[3], "Select New Scenery");
    wizard_screen edit = scan(dvd_pick_scenery, dvd_edit_scenery);
    EXPECT_EQ(edit.title, "Select Scenery");
    EXPECT_EQ(edit.next, dvd_install_scenery);
    EXPECT_EQ(edit.back, dvd_pick_scenery);
    EXPECT_EQ(stg.want_sectors[18][14], 1);
    EXPECT_EQ(stg.want_sectors[10][13], 1);
    EXPECT_EQ(stg.want_sectors[35][5], 0);
    EXPECT_EQ(g_want_sim, 0) << "the scenery road plans scenery alone";

    // The map: B off, C on.
    stg.want_sectors[10][13] = 0;
    stg.want_sectors[35][5] = 1;
    recalc_disk_sizes();
    EXPECT_EQ(stg.files_to_install, 1);
    EXPECT_EQ(stg.files_to_delete, 2);

    screen_fn screen = dvd_install_scenery;
    wizard_screen rec;
    walk(screen, dvd_switch_disk_scenery, rec);
    ASSERT_EQ(g_plan.asked, std::vector<std::string>{copy_ + kTileB2})
        << "deleting a changed tile needs the user's word";
    EXPECT_EQ(g_plan.deleting, std::vector<int>{1});
    EXPECT_FALSE(file_exists(copy_ + kTileB1));
    EXPECT_EQ(read_file(copy_ + kTileB2), "changed by the user");
    wizard_screen change;
    dvd_switch_disk_scenery(1, change);
    EXPECT_EQ(change.title, "Installing Scenery - Please change DVDs");
    EXPECT_EQ(change.text, "Please insert DVD number 3 and click continue.");
    EXPECT_EQ(change.back, dvd_edit_scenery);

    // GO BACK, "Continue": the same disk change, the question not asked
    // again.
    g_abort.answer = 0;
    screen = dvd_edit_scenery;
    walk(screen, dvd_switch_disk_scenery, rec);
    EXPECT_EQ(g_abort.question, "Are you sure you want to stop scenery installation?  You can add "
                                "or remove more scenery later.");
    EXPECT_EQ(g_plan.asked.size(), 1u);

    set.insert(3);
    screen = dvd_verify_disk_scenery;
    walk(screen, dvd_done_scenery, rec);
    EXPECT_EQ(scenery_install_is_running, 0);
    EXPECT_EQ(read_file(copy_ + kTileC), kTiles.at(kTileC));
    EXPECT_EQ(read_file(copy_ + kTileA), kTiles.at(kTileA));
    EXPECT_EQ(read_file(copy_ + "Resources/a.txt"), "first file");

    wizard_screen done;
    dvd_done_scenery(1, done);
    EXPECT_EQ(done.title, "Finished With Add/Remove Scenery");
    EXPECT_EQ(done.text, "I have successfully added and removed scenery to match your choices on "
                         "the map.");
    EXPECT_EQ(done.choice_funcs, std::vector<screen_fn>{dvd_do_run_sim});
    EXPECT_EQ(done.back, dvd_start);
    EXPECT_EQ(done.next, wizard_quit);
    num_install_errors = 1;
    dvd_done_scenery(0, done = wizard_screen());
    EXPECT_TRUE(has(done.text, "There were errors while adding and removing your scenery.  Your "
                               "copy of Nimbrel may not be usable."))
        << done.text;
    EXPECT_TRUE(done.choice_funcs.empty());
}

TEST_F(dvd_copy_roads, ATileTheReleaseDroppedIsInstalledButNotCurrentAndGoes)
{
    dvd_release set(merged(kSimFiles, kTiles), 1);
    install_copy(set, merged(kSimFiles, {{kTileA, kTiles.at(kTileA)}}));
    drop_from_release(kTileA);
    drop_from_release(kTileC);  // never installed: nothing to do

    scan(dvd_pick_scenery, dvd_edit_scenery);
    const file_version_struct& a = history_of(kTileA).back();
    EXPECT_EQ(a.sig_have, md5_hex(kTiles.at(kTileA))) << "a dropped tile is read";
    EXPECT_EQ(a.is_current, 0);
    EXPECT_EQ(stg.want_sectors[18][14], 1) << "it is there";
    EXPECT_EQ(stg.files_to_install, 0);
    EXPECT_EQ(stg.files_to_delete, 1);

    screen_fn screen = dvd_install_scenery;
    wizard_screen rec;
    walk(screen, dvd_done_scenery, rec);
    EXPECT_FALSE(file_exists(copy_ + kTileA));
    EXPECT_TRUE(g_plan.asked.empty());
    dvd_done_scenery(1, rec = wizard_screen());
    EXPECT_EQ(rec.text, "I have successfully removed scenery to match your choices on the map.");
}

TEST_F(dvd_copy_roads, ATileThatCannotBeDeletedFinishesWithTheErrorText)
{
    // The user moved a terrain folder to another disk and linked it back:
    // the copy's tile is read through the link but never deleted there.
    dvd_release set(merged(kSimFiles, kTiles), 1);
    install_copy(set, kSimFiles);
    const std::string elsewhere = home_ / "Elsewhere/";
    write_file(elsewhere + "+51+000.dsf", kTiles.at(kTileA));
    write_file(copy_ + "Global Scenery/Terrain/.keep", "");
    ASSERT_EQ(::symlink(elsewhere.c_str(), (copy_ + "Global Scenery/Terrain/+50+000").c_str()), 0);
    drop_from_release(kTileA);

    scan(dvd_pick_scenery, dvd_edit_scenery);
    ASSERT_EQ(stg.files_to_delete, 1);
    screen_fn screen = dvd_install_scenery;
    wizard_screen rec;
    walk(screen, dvd_done_scenery, rec);
    EXPECT_EQ(read_file(elsewhere + "+51+000.dsf"), kTiles.at(kTileA));
    dvd_done_scenery(1, rec = wizard_screen());
    EXPECT_TRUE(has(rec.text, "There were errors while removing your scenery.")) << rec.text;
    EXPECT_TRUE(rec.choice_funcs.empty());
}

TEST_F(dvd_copy_roads, NoChangeOnTheMapSaysUpdatedAndACopyGoneSinceScansEmpty)
{
    dvd_release set(merged(kSimFiles, kTiles), 3);
    install_copy(set, merged(kSimFiles, {{kTileA, kTiles.at(kTileA)}}));
    scan(dvd_pick_scenery, dvd_edit_scenery);
    screen_fn screen = dvd_install_scenery;
    wizard_screen rec;
    walk(screen, dvd_done_scenery, rec);
    dvd_done_scenery(1, rec = wizard_screen());
    EXPECT_EQ(rec.text, "I have successfully updated scenery to match your choices on the map.");
    EXPECT_EQ(rec.choice_funcs, std::vector<screen_fn>{dvd_do_run_sim});
    EXPECT_EQ(read_file(copy_ + kTileA), kTiles.at(kTileA));

    remove_tree(copy_);
    wizard_screen pick;
    dvd_pick_scenery(1, pick);
    EXPECT_EQ(dest_dir_path, copy_);
    rec = wizard_screen();
    EXPECT_EQ(dvd_scan_scenery(1, rec), 1) << "a folder that is not there scans at once";
    EXPECT_EQ(rec.next, dvd_edit_scenery);
    dvd_edit_scenery(1, rec = wizard_screen());
    for (const auto& column : stg.want_sectors)
        for (const int wanted : column) EXPECT_EQ(wanted, 0);
}

}  // namespace
