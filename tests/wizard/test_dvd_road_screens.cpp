// The DVD road's screens frame by frame without a window, on install DVDs
// that the release tool makes: what the hub says for each disk and copy,
// what the destination refuses, and installs driven as the wizard drives
// them, through a folder that appeared before them, disk changes, failures
// and the cancel question.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/core_globals.h"
#include "core/files/file_ops.h"
#include "core/shell_hooks.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/demo_road.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

#include "dvd_release.h"
#include "dvd_road_test.h"
#include "test_support.h"

namespace {

using testing_support::dvd_release;
using testing_support::file_exists;
using testing_support::file_stamp;
using testing_support::has;
using testing_support::md5_hex;
using testing_support::read_file;
using testing_support::stamp_of;
using testing_support::write_file;

const release_files kSimFiles = {
    {"Nimbrel-i686", "#!/bin/sh\n"},
    {"Resources/a.txt", "first file"},
    {"Resources/deep/b.txt", std::string(70000, 'b')},
};
// Sector (10, 13) goes on disk 2, sectors (18, 14) and (35, 5) on disk 3.
const release_files kTiles = {
    {"Global Scenery/Terrain/+40-080/+41-073.dsf", std::string(6000, 'x')},
    {"Global Scenery/Terrain/+40-080/+42-074.dsf", std::string(6000, 'y')},
    {"Global Scenery/Terrain/+50+000/+51+000.dsf", std::string(6000, 'z')},
    {"Global Scenery/Terrain/-40+170/-37+174.dsf", std::string(6000, 'w')},
};


using dvd_road_screens = dvd_road_test;

// -- Hub --------------------------------------------------------------------------

TEST_F(dvd_road_screens, HubFollowsTheDriveWithoutAClick)
{
    dvd_release set(merged(kSimFiles, kTiles), 3);
    use(set, 0);
    wizard_screen empty = hub();
    EXPECT_EQ(empty.title, "Nimbrel 9 Installer");
    EXPECT_EQ(empty.text, "Please insert Nimbrel 9 DVD number one to begin.");
    EXPECT_EQ(empty.next, nullptr);
    EXPECT_EQ(empty.back, nullptr);
    ASSERT_EQ(step_names.size(), 6u);
    EXPECT_EQ(step_names[3], "Select Scenery");
    EXPECT_EQ(step_funcs[4], dvd_run_install);

    set.insert(1);
    wizard_screen welcome;
    EXPECT_EQ(dvd_start(0, welcome), 0);
    EXPECT_EQ(welcome.text, "Welcome to the Nimbrel 9 Installer.  I will guide you through the "
                            "process of installing Nimbrel 9 Test.");
    EXPECT_EQ(welcome.next, dvd_pick_install);
    EXPECT_EQ(welcome.back, nullptr);
    EXPECT_TRUE(welcome.choice_labels.empty());

    // A copy registered meanwhile turns the welcome into the question.
    register_copy(home_ / "Copy/");
    wizard_screen question = hub();
    EXPECT_EQ(question.text,
              "You already have Nimbrel 9 installed on this computer.  What would you like to do?");
    EXPECT_EQ(question.next, nullptr);
    EXPECT_EQ(question.choice_labels,
              (std::vector<std::string>{"Run Nimbrel Now", "Add Or Remove Scenery",
                                        "Repair Nimbrel", "Install A Second Copy of Nimbrel"}));
    EXPECT_EQ(question.choice_funcs, (std::vector<screen_fn>{dvd_pick_run_sim, dvd_pick_scenery,
                                                             dvd_pick_repair, dvd_pick_install}));
}

TEST_F(dvd_road_screens, HubOffersTheCopyRoadsByWhatTheDiskHolds)
{
    register_copy(home_ / "Copy/");
    struct disk {
        const char* what;
        release_files files;
        std::vector<screen_fn> choices;
    };
    for (const disk& d : {disk{"both", merged(kSimFiles, kTiles),
                               {dvd_pick_run_sim, dvd_pick_scenery, dvd_pick_repair, dvd_pick_install}},
                          disk{"scenery only", kTiles, {dvd_pick_run_sim, dvd_pick_scenery}},
                          disk{"no scenery", kSimFiles,
                               {dvd_pick_run_sim, dvd_pick_repair, dvd_pick_install}}}) {
        SCOPED_TRACE(d.what);
        dvd_release set(d.files, 1);
        use(set, 1);
        dvd_path.clear();
        install_name = no_install_name;
        stg.dir_status = 0;
        const wizard_screen rec = hub();
        EXPECT_EQ(rec.choice_funcs, d.choices);
        EXPECT_EQ(rec.choice_labels.size(), d.choices.size());
    }
}

TEST_F(dvd_road_screens, HubRefusesWhatIsNoInstallDiskAndWarnsOnlyOfADamagedOne)
{
    // Scenery alone cannot start a first install.
    dvd_release scenery(kTiles, 2, "Scenery Disk");
    use(scenery, 1);
    wizard_screen rec = hub();
    EXPECT_EQ(rec.text, "This DVD (Scenery Disk) contains global scenery.  You must install the "
                        "sim before you install the global scenery.");
    EXPECT_EQ(rec.next, nullptr);
    EXPECT_TRUE(rec.choice_funcs.empty());

    // Disks no road could install from: the not-a-DVD text, and the program
    // goes on.  A damaged manifest archive is told with the scan's warning,
    // once; no other alert may come.  A release name must be a folder on the
    // disk, never a way off it.
    dvd_release set(kSimFiles, 1);
    struct broken_disk {
        const char* what;
        std::string make;  // shell lines run in a copy of the disk
        size_t alerts;
    };
    const std::string version = "printf 'I\\n900 version\\nDVD\\nVERSION %s\\n' ";
    const std::string manifest = "cd \"$r\" && printf 'I\\n900 version\\nINSTALLER\\n";
    const std::string zipped = "' > directory.txt && rm directory.txt.zip && zip -q directory.txt.zip directory.txt";
    for (const broken_disk& d :
         {broken_disk{"a damaged manifest archive", "printf 'PK\\003\\004 torn' > \"$r/directory.txt.zip\"", 1},
          broken_disk{"a manifest archive others may write", "chmod 666 \"$r/directory.txt.zip\"", 1},
          broken_disk{"a version file of another kind", "printf 'I\\n901 version\\nDVD\\nVERSION x\\n' > dvd_version.txt", 0},
          broken_disk{"a release name leading off the disk", version + "\"../broken/$r\" > dvd_version.txt", 0},
          broken_disk{"a release name that is a link", "ln -s \"$r\" Link && " + version + "Link > dvd_version.txt", 0},
          broken_disk{"a release name of no folder", version + "Elsewhere > dvd_version.txt", 0},
          broken_disk{"an empty manifest", "cd \"$r\" && : > directory.txt && rm directory.txt.zip && zip -q "
                                           "directory.txt.zip directory.txt", 0},
          broken_disk{"nothing for this system", manifest + "FILE 1 2 1 1 1 " + md5_hex("x") +
                                                     " Nimbrel/other_system.txt\\nFILE 1 0 1 1 1 GONE Nimbrel/gone.txt\\n" +
                                                     zipped, 0}}) {
        SCOPED_TRACE(d.what);
        ASSERT_EQ(testing_support::run_shell("rm -rf '" + home_ / "broken" + "' && cp -r '" + set.disk(1) + "' '" +
                                             home_ / "broken/" + "' && cd '" + home_ / "broken" + "' && r='" +
                                             set.release() + "' && " + d.make)
                      .status,
                  0);
        ::setenv("NIMBREL_DVD", (home_ / "broken/").c_str(), 1);
        dvd_path.clear();
        install_name = no_install_name;
        stg.dir_status = 0;
        rec = hub();
        EXPECT_EQ(rec.text, "This DVD does not appear to be an Nimbrel 9 DVD.");
        EXPECT_EQ(rec.next, nullptr);
        EXPECT_TRUE(rec.choice_funcs.empty());
        // The scan's own warning: its lines are the engine's tests' to hold.
        EXPECT_EQ(alerts.alerts().size(), d.alerts);
        EXPECT_EQ(app_done, 0);
        alerts.clear();
        testing_support::remove_tree(home_ / "broken/");
    }

    // A disk that others may change is none, and the hub says why.
    testing_support::run_shell("cp -r '" + set.disk(1) + "' '" + home_ / "open/" + "' && chmod 777 '" + home_ / "open/'");
    ::setenv("NIMBREL_DVD", (home_ / "open/").c_str(), 1);
    dvd_path.clear();
    install_name = no_install_name;
    stg.dir_status = 0;
    EXPECT_EQ(hub().text, "Please insert Nimbrel 9 DVD number one to begin.\n\nI found a DVD at " + home_ / "open/" +
                              ", but other users of this computer may change it, so I do not use it.");

    // The user takes the bad disk out and puts in a good one.
    use(set, 1);
    rec = wizard_screen();
    dvd_start(0, rec);
    EXPECT_EQ(rec.next, dvd_pick_install) << rec.text;
}

// -- Destination ------------------------------------------------------------------

// The only test that shows the destination screen: its choice lives for the
// whole run, so only a first visit shows the defaults.
TEST_F(dvd_road_screens, DestinationRefusesAReleaseNameThatIsNoFolderName)
{
    install_name = "Nimbrel 9/../../elsewhere";
    accept_eula = 1;
    wizard_screen rec;
    EXPECT_EQ(dvd_pick_install(1, rec), 0);
    EXPECT_EQ(rec.title, "Pick Install Destination for Nimbrel 9/../../elsewhere.");
    EXPECT_EQ(rec.text, "'Nimbrel 9/../../elsewhere' cannot be the name of a folder.\n\n"
                        "Please change the install name.");
    EXPECT_EQ(rec.next, nullptr);
    EXPECT_EQ(rec.back, dvd_start);
    EXPECT_EQ(dest_dir_path, home_.path()) << "the parent alone, never the climbing path";
    EXPECT_EQ(accept_eula, 0) << "the licence is to be accepted anew";
    EXPECT_EQ(g_eula_road.back, dvd_pick_install);
    EXPECT_EQ(g_eula_road.next, dvd_scenery_install);
    EXPECT_EQ(step_funcs.size(), 6u);

    for (const std::string& name : std::vector<std::string>{"..", ".", "tab\there", std::string(256, 'n')})
        EXPECT_TRUE(is_unsafe_folder_name(name)) << name;
    for (const std::string& name : std::vector<std::string>{"Nimbrel 9.00", "...", std::string(255, 'n'), "Näme"})
        EXPECT_FALSE(is_unsafe_folder_name(name)) << name;
}

// -- Install ----------------------------------------------------------------------

// Between the destination screen and the install come the licence, the map
// and a disk: a folder made meanwhile under the copy's name is the user's,
// or another installer window's.  Neither road installs into it or
// registers it, so no cancel can take it.  The copy the run then makes
// cannot be registered (a per-user folder with no room left): without its
// line the copy is missing from every road that picks one, so the engine's
// alert says why and the finish too.
TEST_F(dvd_road_screens, AFolderThatAppearedIsLeftAloneAndAnUnregisteredCopyIsNoPlainSuccess)
{
    alerts_fail_ = false;
    dvd_release set(kSimFiles, 1);
    use(set, 1);
    hub();
    const std::string copy = home_ / "Copy/";
    plan_for(copy);
    write_file(copy + "mine.txt", "the user's");
    for (screen_fn install : {dvd_run_install, demo_run_patch}) {
        wizard_screen rec;
        EXPECT_EQ(install(1, rec), 1);
        EXPECT_EQ(rec.next, install == dvd_run_install ? dvd_pick_install : demo_pick_dest)
            << "back to the screen that says the folder exists";
        EXPECT_EQ(dvd_install_is_running + demo_install_is_running, 0);
    }
    EXPECT_EQ(read_file(copy + "mine.txt"), "the user's");
    EXPECT_FALSE(file_exists(copy + "Resources")) << "the install wrote into the user's folder";
    EXPECT_TRUE(alerts.alerts().empty());
    EXPECT_FALSE(testing_support::has(read_file(home_ / ".nimbrel/nimbrel_install.txt"), copy))
        << "the user's folder was registered";

    // Only root mounts one.
    ::mkdir((home_ / ".nimbrel").c_str(), 0700);
    const testing_support::small_disk no_room(home_ / ".nimbrel", "4k");
    if (!no_room.mounted()) return;
    testing_support::run_shell("head -c 1M /dev/zero >'" + home_ / ".nimbrel/filler'");
    testing_support::remove_tree(copy);
    screen_fn screen = dvd_run_install;
    wizard_screen rec;
    walk(screen, dvd_done_install, rec);
    EXPECT_EQ(read_file(copy + "Resources/a.txt"), "first file");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    dvd_done_install(1, rec = wizard_screen());
    EXPECT_EQ(rec.text, "Installation was successful.\n\nBut I could not add it to the list of installed copies, "
                        "so the updater and the repair and scenery functions will not list it until you find it "
                        "with the Find It button.");
    copy_not_registered = 0;
}

TEST_F(dvd_road_screens, ThreeDisksAreAskedForInTurnAndOnlyTheChosenTilesArrive)
{
    dvd_release set(merged(kSimFiles, kTiles), 3);
    use(set, 2);  // not the first disk, as copying starts
    ASSERT_EQ(hub().next, dvd_pick_install) << "every disk carries the manifest";
    const std::string copy = home_ / "Copy/";
    plan_for(copy);
    stg.want_sectors[10][13] = stg.want_sectors[18][14] = 1;

    screen_fn screen = dvd_run_install;
    wizard_screen rec;
    walk(screen, dvd_switch_disk_install, rec);
    EXPECT_EQ(rec.title, "Installing Nimbrel - Checking DVD...");
    EXPECT_EQ(dvd_install_is_running, 1);
    EXPECT_EQ(read_file(home_ / ".nimbrel/nimbrel_install.txt"), copy + "\n")
        << "registered before any file is copied";
    EXPECT_FALSE(file_exists(copy + "Nimbrel-i686")) << "a file was read from the wrong disk";

    // Each change screen asks for the disk of the file the road stands at;
    // any other disk brings it back.
    for (const int wanted : {1, 2, 3}) {
        SCOPED_TRACE(wanted);
        wizard_screen change;
        EXPECT_EQ(dvd_switch_disk_install(1, change), 0);
        EXPECT_EQ(change.title, "Installing Nimbrel - Please Change DVDs");
        EXPECT_EQ(change.text, "Please insert DVD number " + std::to_string(wanted) +
                                   " and click continue.");
        EXPECT_EQ(change.back, dvd_scenery_install);
        EXPECT_TRUE(dvd_path.empty()) << "the disk is let go of";
        if (wanted == 2) {
            set.insert(3);
            screen = change.next;
            walk(screen, dvd_switch_disk_install, rec);
            EXPECT_EQ(dvd_switch_disk_install(1, change), 0);
            EXPECT_EQ(change.text, "Please insert DVD number 2 and click continue.");
        }
        set.insert(wanted);
        screen = change.next;
        walk(screen, wanted == 3 ? dvd_done_install : dvd_switch_disk_install, rec);
    }
    EXPECT_EQ(rec.next, dvd_done_install);
    EXPECT_EQ(dvd_install_is_running, 0);

    for (const auto& [path, contents] : kSimFiles)
        EXPECT_EQ(md5_hex(read_file(copy + path)), md5_hex(contents)) << path;
    for (const auto& [path, contents] : kTiles) {
        const bool chosen = path.find("-37+174") == std::string::npos;
        EXPECT_EQ(file_exists(copy + path), chosen) << path;
        if (chosen) {
            EXPECT_EQ(read_file(copy + path), contents) << path;
        }
    }
    EXPECT_EQ(read_file(home_ / ".nimbrel/nimbrel_install.txt"), copy + "\n");

    wizard_screen done;
    EXPECT_EQ(dvd_done_install(1, done), 0);
    EXPECT_EQ(done.title, "Finished Installing Nimbrel");
    EXPECT_EQ(done.text, "Installation was successful.");
    EXPECT_EQ(done.choice_labels, std::vector<std::string>{"Run Nimbrel Now"});
    EXPECT_EQ(done.choice_funcs, std::vector<screen_fn>{dvd_do_run_sim});
    EXPECT_EQ(done.back, dvd_start);
    EXPECT_EQ(done.next, wizard_quit);
}

TEST_F(dvd_road_screens, GoingBackFromADiskChangeResumesOrDeletesThePartialCopy)
{
    dvd_release set(merged(kSimFiles, kTiles), 3);
    use(set, 1);
    hub();
    const std::string copy = home_ / "Copy/";
    plan_for(copy);
    stg.want_sectors[10][13] = 1;

    screen_fn screen = dvd_run_install;
    wizard_screen rec;
    walk(screen, dvd_switch_disk_install, rec);
    const file_stamp before = stamp_of(copy + "Resources/a.txt");
    ASSERT_NE(before.inode, 0u);

    // GO BACK on the change screen, and "Continue": the road stops at the
    // same file again, nothing of the first disk copied twice.
    g_abort.answer = 0;
    screen = dvd_scenery_install;
    walk(screen, dvd_switch_disk_install, rec);
    EXPECT_EQ(g_abort.asked, 1);
    EXPECT_EQ(g_abort.question, "Are you sure you want to cancel the installation?  This will delete "
                          "the partially installed copy of Nimbrel 9.");
    const file_stamp after = stamp_of(copy + "Resources/a.txt");
    EXPECT_EQ(after.inode, before.inode);
    EXPECT_EQ(after.modified_ns, before.modified_ns) << "the first disk was copied again";

    // The window closed without an answer cancels as "Cancel" does: the
    // copy the run made goes, and the scenery screen plans anew for an
    // absent folder; a new install from there completes on the first disk.
    g_abort.answer = 3;
    screen = dvd_scenery_install;
    wizard_screen scenery;
    EXPECT_EQ(dvd_scenery_install(1, scenery), 0);
    EXPECT_EQ(g_abort.asked, 2);
    EXPECT_EQ(dvd_install_is_running, 0);
    EXPECT_FALSE(file_exists(copy)) << "the partial copy stayed";
    EXPECT_EQ(scenery.next, dvd_run_install);
    EXPECT_EQ(scenery.back, see_eula);

    std::memset(stg.want_sectors, 0, sizeof stg.want_sectors);
    set.insert(1);
    screen = dvd_run_install;
    walk(screen, dvd_done_install, rec);
    for (const auto& [path, contents] : kSimFiles)
        EXPECT_EQ(read_file(copy + path), contents) << path;
    EXPECT_EQ(read_file(home_ / ".nimbrel/nimbrel_install.txt"), copy + "\n")
        << "one registry line for the two installs";
}

TEST_F(dvd_road_screens, AFailedFileIsAskedAboutAndTheFinishSaysSo)
{
    dvd_release set(kSimFiles, 1);
    use(set, 1);
    hub();
    write_file(set.archive_of("Resources/a.txt"), "PK\x03\x04 not an archive");
    const std::string copy = home_ / "Copy/";

    // "Continue": the other files arrive, the finish offers no flight.
    plan_for(copy);
    g_abort.answer = 0;
    screen_fn screen = dvd_run_install;
    wizard_screen rec;
    walk(screen, dvd_done_install, rec);
    EXPECT_EQ(g_abort.asked, 1);
    EXPECT_TRUE(has(g_abort.question, "An error occurred during installation:\n\n")) << g_abort.question;
    EXPECT_TRUE(has(g_abort.question, "Resources/a.txt")) << "the failed file is named: " << g_abort.question;
    EXPECT_FALSE(file_exists(copy + "Resources/a.txt"));
    EXPECT_EQ(read_file(copy + "Resources/deep/b.txt"), kSimFiles.at("Resources/deep/b.txt"));
    wizard_screen done;
    dvd_done_install(1, done);
    EXPECT_TRUE(has(done.text, "There were errors during the install;")) << done.text;
    EXPECT_TRUE(done.choice_funcs.empty());

    // "Cancel": to the scenery screen, whose question deletes the copy.
    testing_support::remove_tree(copy);
    plan_for(copy);
    g_abort.answer = 1;
    g_abort.asked = 0;
    screen = dvd_run_install;
    walk(screen, dvd_scenery_install, rec);
    EXPECT_EQ(dvd_install_is_running, 1) << "the scenery screen decides";
    EXPECT_EQ(dvd_scenery_install(1, rec), 0);
    EXPECT_EQ(g_abort.asked, 2);
    EXPECT_FALSE(file_exists(copy));
    EXPECT_EQ(dvd_install_is_running, 0);
}

TEST_F(dvd_road_screens, InstallScreenStopsThePumpsWhenQuit)
{
    dvd_release set(kSimFiles, 1);
    use(set, 1);
    hub();
    plan_for(home_ / "Copy/");
    wizard_screen rec;
    dvd_run_install(1, rec);
    ASSERT_NE(rec.quit_hook, nullptr);
    EXPECT_EQ(rec.title, "Installing Nimbrel");
    rec = wizard_screen();
    dvd_run_install(0, rec);
    rec.quit_hook();
    EXPECT_EQ(copy_pool, nullptr);
    EXPECT_EQ(unzip_pool, nullptr);
}

}  // namespace
