// The new copy's folder on the web-demo and DVD install roads: made by the
// run just before its first write, refused when something of that name
// appeared after the destination screen looked, removed on a cancel only
// because the run made it, and registered or said not to be.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/files/file_ops.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/server_list.h"
#include "nginx_server.h"
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
using testing_support::read_file;
using testing_support::remove_tree;
using testing_support::write_file;

const release_files kSimFiles = {
    {"Nimbrel-i686", "#!/bin/sh\n"},
    {"Resources/a.txt", "first file"},
};

struct install_road {
    const char* name;
    screen_fn install, destination, cancel_screen;
    int* running;
};
const install_road kRoads[] = {
    {"web demo", demo_run_patch, demo_pick_dest, demo_pick_dest, &demo_install_is_running},
    {"DVD", dvd_run_install, dvd_pick_install, dvd_scenery_install, &dvd_install_is_running},
};

class new_copy_folder : public dvd_road_test {
protected:
    // The plan the road's destination screen leaves for `copy`: the web
    // demo's manifest from one server the install cannot reach (no file
    // arrives, the folders are made all the same), the DVD's from the disk.
    void plan_road(const install_road& road, const dvd_release& set, const std::string& copy)
    {
        if (road.running == &demo_install_is_running) {
            const unsigned short closed = testing_support::free_loopback_port();
            http.proxy_host = "127.0.0.1";
            http.proxy_port = std::to_string(closed);
            http.proxy_port_int = closed;
            stg.server_count = 1;
            stg.server_choice = 0;
            server_name[0] = "dl1.nimbrel.example";
            server_path[0] = "/demo/Demo_900/";
            write_file(temp_path + "directory.txt",
                       "I\n900 version\nINSTALLER\n\nFILE 1 0 0 1 1 " + testing_support::md5_hex("a") +
                           " Nimbrel/Resources/a.txt\n");
            ASSERT_EQ(read_directory(temp_path + "directory.txt", ""), kDirectoryRead);
        } else {
            use(set, 1);
            hub();
        }
        plan_for(copy);
    }
    std::string registry() const { return home_ / ".nimbrel/nimbrel_install.txt"; }
};

// Between the destination screen and the install come the licence, the
// map and a disk: a folder made meanwhile under the copy's name is the
// user's (or another installer window's).  The install does not go into
// it, and so no cancel can take it.  A folder the run made goes on a
// cancel, also when the question is closed by its corner.
TEST_F(new_copy_folder, AFolderThatAppearedIsNotInstalledIntoAndOnlyTheRunsOwnGoesOnACancel)
{
    dvd_release set(kSimFiles, 1);
    for (const install_road& road : kRoads) {
        SCOPED_TRACE(road.name);
        const std::string copy = home_ / (std::string(road.name) + " copy/");
        plan_road(road, set, copy);
        write_file(copy + "mine.txt", "the user's");

        wizard_screen rec;
        EXPECT_EQ(road.install(1, rec), 1);
        EXPECT_EQ(rec.next, road.destination) << "back to the screen that says the folder exists";
        EXPECT_EQ(*road.running, 0);
        EXPECT_EQ(read_file(copy + "mine.txt"), "the user's");
        EXPECT_FALSE(file_exists(copy + "Resources")) << "the install wrote into the user's folder";
        EXPECT_FALSE(file_exists(registry())) << "the user's folder was registered";

        remove_tree(copy);
        rec = wizard_screen();
        road.install(1, rec);
        ASSERT_EQ(*road.running, 1) << rec.text;
        ASSERT_TRUE(file_exists(copy + "Resources"));

        g_abort.answer = 3;  // the question's window closed by its corner
        rec = wizard_screen();
        EXPECT_EQ(road.cancel_screen(1, rec), 0);
        EXPECT_EQ(g_abort.asked, 1);
        EXPECT_EQ(*road.running, 0) << "closing the question went on with the install";
        EXPECT_FALSE(file_exists(copy)) << "the partial copy stayed";
        g_abort = abort_answers();
        remove_tree(registry());
        next.reset_all_streams();
    }
}

// Without a line in the registry the copy is missing from every road that
// picks one: the engine's alert says why, and the finish says so too.
TEST_F(new_copy_folder, ACopyThatCouldNotBeRegisteredIsNoPlainSuccess)
{
    alerts_fail_ = false;
    dvd_release set(kSimFiles, 1);
    testing_support::run_shell("mkdir -p '" + registry() + "'");
    const std::string copy = home_ / "Copy/";
    plan_road(kRoads[1], set, copy);
    screen_fn screen = dvd_run_install;
    wizard_screen rec;
    walk(screen, dvd_done_install, rec);
    EXPECT_EQ(read_file(copy + "Resources/a.txt"), "first file");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line2, registry());

    const std::string note = "\n\nBut I could not add it to the list of installed copies, so the updater and the "
                             "repair and scenery functions will not list it until you find it with the Find It "
                             "button.";
    dvd_done_install(1, rec = wizard_screen());
    EXPECT_EQ(rec.text, "Installation was successful." + note);
    demo_done(1, rec = wizard_screen());
    EXPECT_EQ(rec.text, "I have finished installing the Nimbrel 9 web demo at: " + copy + "." + note);
    copy_not_registered = 0;
}

}  // namespace
