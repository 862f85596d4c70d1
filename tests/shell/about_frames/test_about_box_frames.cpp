// The about box frame by frame against nginx on loopback, where it shares
// HTTP slots with the wizard.  The box keeps its files in the folder of the
// program, here this test's: the suite's tests take turns at it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "../../engine/http_harness.h"
#include "../shell_test_state.h"
#include "core/files/own_files_folder.h"
#include "core/files/system_paths.h"
#include "core/shell_hooks.h"
#include "loopback_ports.h"
#include "nginx_server.h"
#include "shell/about_box.h"
#include "test_support.h"

namespace {

using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

const std::string kHeader = "I\n820 version\nSERVERS\n";

// -- The box frame by frame ---

// The widgets as hooks: each frame may press one button by its caption, and
// a check run at the start of each frame may close the box.
struct box_script {
    int frames = 0;
    std::string press;
    std::vector<std::string> captions;  // of the last frame
    std::function<bool()> close_when = [] { return false; };
};
box_script& script()
{
    static box_script s;
    return s;
}

class about_frames : public shell_test {
protected:
    void SetUp() override
    {
        shell_test::SetUp();
        script() = box_script();
        about_box_state() = about_state();
        std::string folder;
        get_OS_abs_path(os_dir_this_app, folder);
        output_ = folder + "Output/";
        made_output_ = !std::filesystem::exists(output_);
        shell_widget_hooks hooks{};
        hooks.BTN_fillwin = [](int, int) {
            ++script().frames;
            script().captions.clear();
            // Frames spin without X: give the network a moment each.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            if (script().close_when() || script().frames > 20000) MACIBM_startwind(0, 0);
        };
        hooks.BTN_subwin = [](float, int, float, float, float, float, const std::string&, float*, float*) {};
        hooks.BTN_action = [](float, float, float, int, int, const std::string& caption, const std::string&) {
            script().captions.push_back(caption);
            if (caption != script().press) return 0;
            script().press.clear();
            return 1;
        };
        set_shell_widget_hooks(hooks);
    }
    void TearDown() override
    {
        about_box_state() = about_state();
        // The box keeps its files in the folder of the program, here this
        // test's: take away what it made there.
        if (made_output_) testing_support::remove_tree(output_);
        shell_test::TearDown();
    }
    std::string output_;
    bool made_output_ = false;
};

// Box files and a slow installer on nginx: the download stays under way
// for as long as the test looks.
class about_on_nginx : public about_frames {
protected:
    void SetUp() override
    {
        about_frames::SetUp();
        // The box downloads where the run keeps its own files: this test's
        // folder only where it is the user's alone to write, else the
        // user's real per-user folder, which no test may write.
        std::string folder;
        get_OS_abs_path(os_dir_this_app, folder);
        if (own_files_folder() != folder)
            GTEST_SKIP() << "this build's folder is not the user's alone to write: " << own_files_folder_reason();
        write_file(root_ / "slow/installer.zip", std::string(256 * 1024, 'z'));
        // The wizard's manifest comes slowly too, so that its first step
        // cannot also be its last, however fast the machine answers.
        write_file(root_ / "slow/directory.txt.zip", std::string(256 * 1024, 'm'));
        nginx_ = std::make_unique<testing_support::nginx_server>(root_.path(), "location /slow/ { limit_rate 4k; }");
        ASSERT_TRUE(nginx_->running()) << nginx_->error_log();
        route_ = std::make_unique<http_harness::routed_to_local_server>(nginx_->port());
    }
    void TearDown() override
    {
        route_.reset();
        nginx_.reset();
        about_frames::TearDown();
    }
    int list_requests() const { return testing_support::count_of(nginx_->access_log(), "/serverlist9.txt"); }
    std::string archive() const { return output_ + "preferences/installer.zip"; }

    scratch_dir root_;
    std::unique_ptr<testing_support::nginx_server> nginx_;
    std::unique_ptr<http_harness::routed_to_local_server> route_;
};

// A list without "FINAL" is fetched and judged again and again, but once
// the user asked for the update a new verdict must not take the download
// away (back to the button, the transfer left in its slot).
TEST_F(about_on_nginx, AListReadAgainAndAgainStopsBeingReadOnceTheUpdateRuns)
{
    write_file(root_ / "serverlist9.txt",
               kHeader + "FINAL_VERSION 93000\nFINAL_INSTALLER_LIN files.example /slow/installer.zip\n");
    script().press = "Update Nimbrel!";
    int lists_then = -1, frames_then = 0;
    script().close_when = [&] {
        const down_class* download = http.transfer(1);
        if (lists_then < 0 && download && download->BytesWritten() > 0) {
            lists_then = list_requests();
            frames_then = script().frames;
        }
        return lists_then >= 0 && script().frames > frames_then + 300;
    };
    MACIBM_about();

    const about_state& s = about_box_state();
    ASSERT_GE(lists_then, 1) << "the download never started";
    EXPECT_EQ(s.ins_state, 2) << s.err_msg;
    EXPECT_TRUE(s.update_begun);
    EXPECT_EQ(std::count(script().captions.begin(), script().captions.end(), "Update Nimbrel!"), 0)
        << "the button came back";
    EXPECT_EQ(list_requests(), lists_then) << "the list was fetched during the download";
    EXPECT_TRUE(http.free_for(1, "files.example", "/slow/installer.zip", archive()));
}

// The wizard's manifest download in slot 1 is not the box's to step: it
// would take the wizard's file for the installer.  Once the slot is free
// the box's own download starts there.
TEST_F(about_on_nginx, TheDownloadWaitsForTheSlotTheWizardHolds)
{
    scratch_dir temp;
    ASSERT_EQ(http.net_check(1, "server.example", "/slow/directory.txt.zip", temp / "directory.txt.zip"), 0);
    const down_class* wizards = http.transfer(1);
    const std::string wizards_bytes = read_file(temp / "directory.txt.zip");
    about_state& s = about_box_state();
    s.version_str_found = 1;
    s.ins_state = 1;
    s.installer_server = "files.example";
    s.installer_path = "/slow/installer.zip";
    script().press = "Update Nimbrel!";
    script().close_when = [] { return script().frames > 300; };
    MACIBM_about();
    EXPECT_EQ(s.ins_state, 2) << s.err_msg;
    EXPECT_EQ(http.transfer(1), wizards);
    EXPECT_EQ(read_file(temp / "directory.txt.zip"), wizards_bytes) << "the box moved the wizard's transfer on";

    http.cancel(1);
    script().frames = 0;
    script().close_when = [] { return http.transfer(1) != nullptr || script().frames > 2000; };
    MACIBM_about();
    EXPECT_NE(http.transfer(1), nullptr) << "reopened, the box did not go on with its download";
    EXPECT_TRUE(http.free_for(1, "files.example", "/slow/installer.zip", archive()));
    EXPECT_FALSE(http.free_for(1, "server.example", "/slow/directory.txt.zip", temp / "directory.txt.zip"));
}

// A close request (or a stop signal) with the box open ends the run rather
// than leave the user in a box that no longer closes.
TEST_F(about_frames, AQuitWithTheBoxOpenEndsItsLoop)
{
    const testing_support::refused_port closed;
    http_harness::routed_to_local_server nowhere(closed.port());
    script().close_when = [] {
        if (script().frames == 5) app_done = 1;
        return false;
    };
    MACIBM_about();
    EXPECT_EQ(script().frames, 5);
    EXPECT_EQ(about_box_state().ins_state, 0) << "no list, no verdict";
    app_done = 0;
}

}  // namespace
