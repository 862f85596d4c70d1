// The new copy's folder on the install roads: made by the run just before
// its first write, refused when something of that name appeared after the
// destination screen looked, removed on a cancel only because the run made
// it, and registered or said not to be.
#include <gtest/gtest.h>

#include <string>

#include "wizard/demo_road.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

#include "dvd_release.h"
#include "dvd_road_test.h"
#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;

const release_files kSimFiles = {{"Nimbrel-i686", "#!/bin/sh\n"}, {"Resources/a.txt", "first file"}};

using new_copy_folder = dvd_road_test;

// Between the destination screen and the install come the licence, the map
// and a disk: a folder made meanwhile under the copy's name is the user's,
// or another installer window's.  Neither road installs into it, so no
// cancel can take it.  The folder the run made goes on a cancel, also when
// the question is closed by its corner.
TEST_F(new_copy_folder, AFolderThatAppearedIsLeftAloneAndOnlyTheRunsOwnGoesOnACancel)
{
    testing_support::dvd_release set(kSimFiles, 1);
    use(set, 1);
    hub();
    const std::string copy = home_ / "Copy/", registry = home_ / ".nimbrel/nimbrel_install.txt";
    plan_for(copy);
    testing_support::write_file(copy + "mine.txt", "the user's");
    for (screen_fn install : {dvd_run_install, demo_run_patch}) {
        wizard_screen rec;
        EXPECT_EQ(install(1, rec), 1);
        EXPECT_EQ(rec.next, install == dvd_run_install ? dvd_pick_install : demo_pick_dest)
            << "back to the screen that says the folder exists";
        EXPECT_EQ(dvd_install_is_running + demo_install_is_running, 0);
    }
    EXPECT_EQ(read_file(copy + "mine.txt"), "the user's");
    EXPECT_FALSE(file_exists(copy + "Resources")) << "the install wrote into the user's folder";
    EXPECT_FALSE(file_exists(registry)) << "the user's folder was registered";

    testing_support::remove_tree(copy);
    wizard_screen rec;
    dvd_run_install(1, rec);
    ASSERT_EQ(dvd_install_is_running, 1) << rec.text;
    g_abort.answer = 3;  // the question's window closed by its corner
    EXPECT_EQ(dvd_scenery_install(1, rec = wizard_screen()), 0);
    EXPECT_EQ(g_abort.asked, 1);
    EXPECT_EQ(dvd_install_is_running, 0) << "closing the question went on with the install";
    EXPECT_FALSE(file_exists(copy)) << "the partial copy stayed";
}

// Without its line in the registry the copy is missing from every road that
// picks one: the engine's alert says why, and the finish says so too.
TEST_F(new_copy_folder, ACopyThatCouldNotBeRegisteredIsNoPlainSuccess)
{
    alerts_fail_ = false;
    testing_support::dvd_release set(kSimFiles, 1);
    use(set, 1);
    hub();
    testing_support::run_shell("mkdir -p '" + home_ / ".nimbrel/nimbrel_install.txt'");
    plan_for(home_ / "Copy/");
    screen_fn screen = dvd_run_install;
    wizard_screen rec;
    walk(screen, dvd_done_install, rec);
    EXPECT_EQ(read_file(home_ / "Copy/Resources/a.txt"), "first file");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    dvd_done_install(1, rec = wizard_screen());
    EXPECT_EQ(rec.text, "Installation was successful.\n\nBut I could not add it to the list of installed copies, "
                        "so the updater and the repair and scenery functions will not list it until you find it "
                        "with the Find It button.");
    copy_not_registered = 0;
}

}  // namespace
