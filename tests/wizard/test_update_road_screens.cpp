// The web-update road's screens frame by frame without a window: the
// welcome with and without "-path", the copy picker's texts, the search
// with its scan on the real checksum workers (also left and entered again
// while it runs), the disk check's outcomes, an update that only deletes,
// and the finish's texts.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/shell_hooks.h"
#include "engine/checksum_pump.h"
#include "engine/file_plan.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/stop_pumps.h"
#include "wizard/program_entry.h"
#include "wizard/shared_screens.h"
#include "wizard/update_road.h"
#include "wizard/wizard_globals.h"

#include "dvd_release.h"
#include "main_window_test.h"
#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::has;
using testing_support::md5_hex;
using testing_support::write_file;

int g_questions = 0;
int g_answer = kAnswerKeep;
int answer_question(const std::string&, int)
{
    ++g_questions;
    return g_answer;
}


class update_road_screens : public road_test {
protected:
    void SetUp() override
    {
        road_test::SetUp();
        alerts_fail_ = false;
        g_questions = 0;
        set_select_alert_hook(answer_question);
        cmd_line_path.clear();
        net_files_to_delete = 0;
        stg.server_count = 1;
        stg.server_choice = 0;
        server_name[0] = "dl1.nimbrel.example";
        server_path[0] = "/demo/Demo_901/";
    }
    void TearDown() override
    {
        checksum_directory_kill();
        set_select_alert_hook(nullptr);
        cmd_line_path.clear();
        scenery_take_none();
        road_test::TearDown();
    }

    // A folder that passes for a copy of the simulator.
    std::string make_copy(const std::string& name)
    {
        const std::string copy = home_ / (name + "/");
        for (const char* top : {"Airfoils", "Instructions", "Output", "Resources"})
            write_file(copy + top + "/.keep", "");
        return copy;
    }
    void register_copies(const std::vector<std::string>& copies)
    {
        std::string lines;
        for (const std::string& c : copies) lines += c + "\n";
        write_file(home_ / ".nimbrel/nimbrel_install.txt", lines);
    }
    // The manifest in the temporary folder, waiting to be read.
    void serve_manifest(const std::string& lines)
    {
        write_file(temp_path + "directory.txt", "I\n900 version\nINSTALLER\n\n" + lines);
        stg.dir_status = 1;
    }
    // The search's frames until it is done, a millisecond apart as a frame
    // loop would give the workers their time.
    static void search_to_the_end(wizard_screen& last)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (int first = 1; std::chrono::steady_clock::now() < deadline; first = 0) {
            last = wizard_screen();
            if (net_get_updates(first, last)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ADD_FAILURE() << "the search did not end";
    }
};

std::string file_line(const std::string& sig, const std::string& path, int kb = 1)
{
    return "FILE 1 0 0 " + std::to_string(kb) + " " + std::to_string(kb) + " " + sig + " " + path + "\n";
}

// -- Welcome, "-path" and the picker -----------------------------------------------

TEST_F(update_road_screens, WelcomeTakesTheOnlyCopyForgetsAPickAmongSeveralAndKeepsItsOwnSteps)
{
    const std::string a = make_copy("A"), b = make_copy("B");
    wizard_screen none;
    net_start(1, none);
    EXPECT_EQ(none.title, "Nimbrel 9 Web Updater");
    EXPECT_EQ(step_names.size(), 6u);
    EXPECT_EQ(step_names[1], "Pick Destination");
    EXPECT_EQ(none.next, net_pick_dest);
    EXPECT_EQ(none.back, nullptr);
    EXPECT_EQ(none.flag_prefs, 1);
    EXPECT_EQ(dest_dir_path, "");

    register_copies({a});
    wizard_screen one;
    net_start(1, one);
    EXPECT_EQ(dest_dir_path, a);

    register_copies({a, b});
    wizard_screen two;
    net_start(1, two);
    dest_dir_path = b;
    net_start(0, two);
    EXPECT_EQ(dest_dir_path, "") << "going back to the welcome forgets the copy picked";

    wizard_screen pick;
    net_pick_dest(1, pick);
    EXPECT_EQ(pick.text, "You have more than one copy of Nimbrel 9 installed on this computer.  "
                         "Please select which copy of Nimbrel 9 you would like to update.");
    EXPECT_EQ(pick.next, nullptr) << "no copy chosen yet";
    EXPECT_EQ(pick.back, net_start);

    register_copies({a});
    net_start(1, one);
    wizard_screen only;
    net_pick_dest(1, only);
    EXPECT_EQ(only.text, "Please select which copy of Nimbrel 9 you would like to update.");
    EXPECT_EQ(only.next, net_get_updates);
    EXPECT_TRUE(alerts.alerts().empty());
}

TEST_F(update_road_screens, PathArgumentIsMadeAbsoluteAndTakenOnlyWhenItIsACopy)
{
    const std::string copy = make_copy("Copy");
    const std::string start = home_.path();  // ends in "/"
    EXPECT_EQ(command_line_folder("", start), "");
    EXPECT_EQ(command_line_folder("Copy", start), copy) << "relative, without its \"/\"";
    EXPECT_EQ(command_line_folder(copy.substr(0, copy.size() - 1), "/"), copy);
    EXPECT_EQ(command_line_folder("Copy/Resources/..", start), copy);
    EXPECT_EQ(command_line_folder("/no/such/folder", start), "/no/such/folder/");

    cmd_line_path = command_line_folder("Copy", start);
    wizard_screen taken;
    net_start(1, taken);
    EXPECT_EQ(step_names.size(), 5u);
    for (const std::string& step : step_names) EXPECT_NE(step, "Pick Destination");
    EXPECT_EQ(taken.next, net_get_updates) << "no picker";
    EXPECT_EQ(dest_dir_path, copy);
    EXPECT_TRUE(alerts.alerts().empty());

    write_file(home_ / "Plain/notes.txt", "not a copy");
    for (const std::string& folder : {home_ / "Plain/", home_ / "Missing/"}) {
        alerts.clear();
        cmd_line_path = folder;
        dest_dir_path = "stale";
        wizard_screen refused;
        net_start(1, refused);
        ASSERT_EQ(alerts.alerts().size(), 1u) << folder;
        EXPECT_EQ(alerts.joined(4)[0], "The folder given after -path:|" + folder +
                                   "|But it does not appear to be an installed copy of Nimbrel 9."
                                   "|Please select which copy of Nimbrel 9 you would like to update.");
        EXPECT_EQ(cmd_line_path, "");
        EXPECT_EQ(step_names.size(), 6u) << "back on the picker's road";
        EXPECT_EQ(refused.next, net_pick_dest);
        EXPECT_EQ(dest_dir_path, "");
    }
    EXPECT_EQ(testing_support::read_file(home_ / "Plain/notes.txt"), "not a copy");
}

// -- Search ------------------------------------------------------------------------------

TEST_F(update_road_screens, SearchScansTheWholeCopyKeepsItsTilesAndCountsWhatChanged)
{
    dest_dir_path = make_copy("Copy");
    std::string manifest;
    // More files than the workers take in one frame, so the scan is seen
    // under way; most of them are not installed.
    const std::string fresh = md5_hex("new");
    for (int i = 0; i < 600; ++i)
        manifest += file_line(fresh, "Nimbrel/Aircraft/f" + std::to_string(i) + ".dat");
    write_file(dest_dir_path + "Aircraft/f0.dat", "old");
    manifest = file_line(md5_hex("old"), "Nimbrel/Aircraft/f0.dat") + manifest;
    write_file(dest_dir_path + "Resources/retired.txt", "retired");
    manifest += file_line(md5_hex("retired"), "Nimbrel/Resources/retired.txt");
    manifest += file_line("GONE", "Nimbrel/Resources/retired.txt");
    manifest += file_line("GONE", "Nimbrel/Resources/never_installed.txt");
    const std::string tile = "Global Scenery/Terrain/+40-080/+42-074.dsf";
    write_file(dest_dir_path + tile, "tile");
    manifest += file_line(md5_hex("tile"), "Nimbrel/" + tile);
    manifest += file_line(md5_hex("far"), "Nimbrel/Global Scenery/Terrain/-40+170/-37+174.dsf");
    serve_manifest(manifest);

    wizard_screen first;
    ASSERT_EQ(net_get_updates(1, first), 0);
    EXPECT_EQ(first.title, "Search for Updates");
    EXPECT_EQ(first.text, "I am scanning " + dest_dir_path + " to see what files need updating.");
    EXPECT_TRUE(has(first.progress_text, "Scanning ")) << first.progress_text;
    EXPECT_TRUE(has(first.progress_text, " of 604 files.")) << first.progress_text;
    EXPECT_GT(first.progress, 0.0f);
    EXPECT_EQ(first.quit_hook, UTL_stop_all_pumps);
    EXPECT_EQ(first.back, net_pick_dest);
    EXPECT_EQ(first.next, nullptr);

    wizard_screen last;
    search_to_the_end(last);
    EXPECT_EQ(last.next, net_check_disk);
    EXPECT_EQ(last.back, nullptr);
    EXPECT_EQ(checksum_workers, nullptr);
    EXPECT_EQ(stg.files_to_install, 600) << "f0 changed, f1..f599 missing; the far tile not wanted";
    EXPECT_EQ(net_files_to_delete, 1) << "the retired file; the tile is kept";
    EXPECT_EQ(stg.want_sectors[10][13], 1) << "the installed tile's sector";
    EXPECT_EQ(stg.want_sectors[35][5], 0);
    EXPECT_FALSE(net_copy_is_current());
}

// Leaving the search while the workers scan, and coming back: the manifest
// is read again only once they are stopped (the ThreadSanitizer build runs
// this), and the scan starts over from the first file.
TEST_F(update_road_screens, GoingBackDuringTheScanStopsItAndTheScanStartsOverOnReturn)
{
    const std::string copy = make_copy("Copy");
    register_copies({copy});
    dest_dir_path = copy;
    std::string manifest;
    const std::string body(20000, 'x');
    const std::string signature = md5_hex(body);
    for (int i = 0; i < 1500; ++i) {
        const std::string rel = "Aircraft/f" + std::to_string(i) + ".dat";
        write_file(copy + rel, body);
        manifest += file_line(signature, "Nimbrel/" + rel, 20);
    }
    serve_manifest(manifest);

    wizard_screen first;
    ASSERT_EQ(net_get_updates(1, first), 0);
    wizard_screen second;
    net_get_updates(0, second);
    ASSERT_NE(checksum_workers, nullptr) << "the scan ended before it could be left";

    wizard_screen back;
    net_pick_dest(1, back);
    EXPECT_EQ(checksum_workers, nullptr) << "the workers still hold sim_info";
    EXPECT_EQ(back.next, net_get_updates);

    wizard_screen again;
    ASSERT_EQ(net_get_updates(1, again), 0);
    EXPECT_EQ(again.progress_text, first.progress_text) << "the scan did not start over";
    wizard_screen last;
    search_to_the_end(last);
    EXPECT_EQ(last.next, net_check_disk);
    EXPECT_EQ(stg.files_to_install, 0);
    EXPECT_TRUE(net_copy_is_current());
}

// -- Disk check, install and finish --------------------------------------------------

TEST_F(update_road_screens, DiskCheckPassesACurrentCopyToTheFinishAndShowsTheDownloadSize)
{
    dest_dir_path = make_copy("Copy");
    install_name = "Nimbrel 9.01";

    wizard_screen current;
    EXPECT_EQ(net_check_disk(1, current), 1);
    EXPECT_EQ(current.next, net_done);
    wizard_screen done;
    net_done(1, done);
    EXPECT_EQ(done.title, "Finshed Web Update");
    EXPECT_EQ(done.text, "This copy of Nimbrel (" + dest_dir_path + ") is already up to date.");
    ASSERT_EQ(done.choice_labels.size(), 1u);
    EXPECT_EQ(done.choice_labels[0], "Fly Nimbrel Now");
    EXPECT_EQ(done.choice_funcs[0], dvd_do_run_sim);
    EXPECT_EQ(done.next, wizard_quit);
    EXPECT_EQ(done.back, nullptr);

    struct {
        float kb;
        const char* shown;
    } const sizes[] = {{1024, "1024 KB"}, {1025, "1 MB"}, {1024000, "1000 MB"}, {1024001, "1.0 GB"}};
    stg.files_to_install = 1;
    for (const auto& s : sizes) {
        stg.download_total = s.kb;
        stg.install_total = 1;
        wizard_screen rec;
        EXPECT_EQ(net_check_disk(0, rec), 0);
        EXPECT_EQ(rec.text, std::string("You are about to download ") + s.shown +
                                " of compressed data to update to Nimbrel 9.01.");
        EXPECT_EQ(rec.next, net_run_patch);
        EXPECT_EQ(rec.back, net_get_updates);
        EXPECT_EQ(rec.show_servers, 1);
    }

    stg.install_total = 1e12f;  // a petabyte: no disk here has it
    wizard_screen full;
    net_check_disk(0, full);
    EXPECT_EQ(full.next, nullptr) << "CONTINUE dimmed";
    EXPECT_TRUE(has(full.text, "you do not have enough free disk space to download and install"))
        << full.text;
}

// A release that only drops files: the road goes on to the install and
// deletes them, where a check of the installed size alone would call the
// copy current and delete nothing.
TEST_F(update_road_screens, UpdateThatOnlyDeletesDeletesAndSaysTheCopyWasUpdated)
{
    dest_dir_path = make_copy("Copy");
    write_file(dest_dir_path + "Resources/kept.txt", "kept");
    write_file(dest_dir_path + "Resources/old/a.txt", "a");
    write_file(dest_dir_path + "Resources/old/b.txt", "b");
    write_file(dest_dir_path + "Resources/mine.txt", "changed by the user");
    serve_manifest(file_line(md5_hex("kept"), "Nimbrel/Resources/kept.txt") +
                   file_line(md5_hex("a"), "Nimbrel/Resources/old/a.txt") +
                   file_line("GONE", "Nimbrel/Resources/old/a.txt") +
                   file_line(md5_hex("b"), "Nimbrel/Resources/old/b.txt") +
                   file_line("GONE", "Nimbrel/Resources/old/b.txt") +
                   file_line(md5_hex("mine"), "Nimbrel/Resources/mine.txt") +
                   file_line("GONE", "Nimbrel/Resources/mine.txt"));
    wizard_screen searched;
    search_to_the_end(searched);
    EXPECT_EQ(stg.install_total, 0.0f);
    EXPECT_EQ(net_files_to_delete, 3);

    wizard_screen check;
    EXPECT_EQ(net_check_disk(1, check), 0) << "not reported as up to date";
    EXPECT_EQ(check.next, net_run_patch);

    g_answer = kAnswerKeep;
    wizard_screen rec;
    int frames = 0;
    for (int first = 1; frames < 1000; first = 0, ++frames) {
        rec = wizard_screen();
        if (net_run_patch(first, rec)) break;
    }
    EXPECT_EQ(rec.next, net_done);
    EXPECT_EQ(g_questions, 1) << "the user's own version of a gone file is asked about";
    EXPECT_FALSE(file_exists(dest_dir_path + "Resources/old/a.txt"));
    EXPECT_FALSE(file_exists(dest_dir_path + "Resources/old")) << "the emptied folder stays";
    EXPECT_TRUE(file_exists(dest_dir_path + "Resources/mine.txt")) << "kept, as answered";
    EXPECT_TRUE(file_exists(dest_dir_path + "Resources/kept.txt"));

    wizard_screen done;
    net_done(1, done);
    EXPECT_EQ(done.text, "I have finished updating " + dest_dir_path + ".");
    EXPECT_EQ(done.choice_labels.size(), 1u);
}

TEST_F(update_road_screens, CancelledPlanGoesBackToTheDiskCheckAndAFailedUnpackEndsWithoutFly)
{
    dest_dir_path = make_copy("Copy");
    write_file(dest_dir_path + "Resources/mine.txt", "changed by the user");
    serve_manifest(file_line(md5_hex("v1"), "Nimbrel/Resources/mine.txt") +
                   file_line(md5_hex("v2"), "Nimbrel/Resources/mine.txt"));
    wizard_screen searched;
    search_to_the_end(searched);

    g_answer = kAnswerCancel;
    stg.extract_failed = stg.delete_failed = 1;  // from an earlier try in this run
    wizard_screen cancelled;
    EXPECT_EQ(net_run_patch(1, cancelled), 1);
    EXPECT_EQ(cancelled.next, net_check_disk);
    EXPECT_EQ(stg.extract_failed, 0) << "each plan starts without the failures of the last";
    EXPECT_EQ(stg.delete_failed, 0);
    EXPECT_EQ(testing_support::read_file(dest_dir_path + "Resources/mine.txt"), "changed by the user");

    stg.extract_failed = 1;
    wizard_screen failed;
    net_done(1, failed);
    EXPECT_EQ(failed.text, "There were problems updating Nimbrel.  You can try this updater again "
                           "using a different server.");
    EXPECT_TRUE(failed.choice_labels.empty());
    EXPECT_EQ(failed.next, wizard_quit);

    // A file the release dropped that could not be deleted is a problem too.
    stg.extract_failed = 0;
    stg.delete_failed = 1;
    net_done(1, failed = wizard_screen());
    EXPECT_EQ(failed.text.rfind("There were problems updating Nimbrel.", 0), 0u) << failed.text;
    EXPECT_TRUE(failed.choice_labels.empty());
}

}  // namespace
