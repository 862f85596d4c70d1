// The web-demo road's screens frame by frame without a window: the welcome's
// warning, the server check coming back to a manifest it has read or could
// not read, what the destination refuses, a frame of the install in which
// every download fails, and frames that sleep while the server holds back
// and wake when it speaks.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/files/users_own.h"
#include "engine/download_pump.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "loopback_ports.h"
#include "scripted_http_server.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

#include "main_window_test.h"
#include "test_support.h"

namespace {

using testing_support::has;
using testing_support::remove_tree;
using testing_support::scratch_dir;
using testing_support::write_file;

const char* const kManifest =
    "I\n900 version\nINSTALLER\n\n"
    "FILE 1 0 0 1 1 0123456789abcdef0123456789abcdef Nimbrel/Resources/a.txt\n";

class demo_road_screens : public road_test {
protected:
    // The server list as the engine leaves it once read: one server.
    static void one_server_listed()
    {
        stg.server_count = 1;
        stg.server_choice = 0;
        server_name[0] = "dl1.nimbrel.example";
        server_path[0] = "/demo/Demo_900/";
    }

    // An install of the manifest's one file under way, every request going
    // to a proxy at 127.0.0.1:`port`: the frames go straight to the pump.
    void installing_one_file_through(unsigned short port)
    {
        http.proxy_host = "127.0.0.1";
        http.proxy_port = std::to_string(port);
        http.proxy_port_int = port;
        one_server_listed();
        write_file(temp_path + "directory.txt", kManifest);
        ASSERT_EQ(read_directory(temp_path + "directory.txt", ""), 3);
        sim_info[0].back().do_install = 1;
        dest_dir_path = home_ / "Copy/";
        next.reset_all_streams();
        demo_install_is_running = 1;
    }
};

// -- Welcome ----------------------------------------------------------------------

TEST_F(demo_road_screens, WelcomeWarnsOnlyOfRegisteredCopiesThatStillExist)
{
    const std::string gone = home_ / "Gone Copy/";
    const std::string kept = home_ / "Kept Copy/";
    write_file(kept + "Nimbrel-i686", "");
    write_file(home_ / ".nimbrel/nimbrel_install.txt", gone + "\n");

    accept_eula = 1;
    wizard_screen first;
    demo_start(1, first);
    EXPECT_EQ(accept_eula, 0) << "the licence is to be accepted anew";
    EXPECT_FALSE(has(first.text, "Warning")) << first.text;
    EXPECT_EQ(step_names.size(), 6u);
    EXPECT_EQ(first.next, see_eula);
    EXPECT_EQ(first.back, nullptr);
    EXPECT_EQ(first.flag_prefs, 1);

    write_file(home_ / ".nimbrel/nimbrel_install.txt", gone + "\n" + kept + "\n");
    wizard_screen again;
    demo_start(1, again);
    EXPECT_TRUE(has(again.text, "Nimbrel 9.\n\nWarning: you already have Nimbrel 9 installed")) << again.text;
}

// -- Server check -----------------------------------------------------------------

TEST_F(demo_road_screens, ServerCheckReadsTheKeptManifestAgainAndMovesOnWithoutADownload)
{
    one_server_listed();
    write_file(temp_path + "directory.txt", kManifest);
    stg.dir_status = 3;
    sim_info.clear();  // as if something had emptied it since

    wizard_screen rec;
    EXPECT_EQ(demo_get_updates(1, rec), 1);
    EXPECT_EQ(rec.next, demo_pick_dest);
    EXPECT_EQ(rec.back, nullptr);
    EXPECT_EQ(stg.dir_status, 3);
    EXPECT_EQ(sim_info.size(), 1u) << "the manifest was not read again";
    EXPECT_EQ(http.transfer(1), nullptr) << "the manifest was fetched again";
}

// Until the user goes back and on, which makes the check again (the
// failing servers' screens).
TEST_F(demo_road_screens, UnreadableManifestStaysTheAnswerWhileTheScreenStays)
{
    one_server_listed();
    stg.dir_status = 2;
    for (int frame = 0; frame < 3; ++frame) {
        wizard_screen rec;
        EXPECT_EQ(demo_get_updates(0, rec), 0);
        EXPECT_EQ(rec.text, "There was a problem reading information from the servers.");
        EXPECT_EQ(rec.next, nullptr) << "CONTINUE stays dimmed";
        EXPECT_EQ(rec.back, see_eula);
        EXPECT_EQ(stg.dir_status, 2);
    }
    EXPECT_EQ(http.transfer(1), nullptr) << "no new download was tried";
}

// -- Destination --------------------------------------------------------------------

// The screen keeps its parent folder for the whole run, so the folder it
// offers is read back from the first frame rather than assumed.  Whatever
// holds the name, the folder could not be made there.
TEST_F(demo_road_screens, DestinationRefusesANameAnythingHolds)
{
    const std::string name = "Nimbrel 9 Demo";
    wizard_screen first;
    demo_pick_dest(1, first);
    ASSERT_GE(dest_dir_path.size(), name.size() + 1);
    const std::string dest = dest_dir_path;
    const std::string parent = dest.substr(0, dest.size() - name.size() - 1);
    ASSERT_EQ(parent + name + "/", dest) << "the default name is not " << name;

    const std::vector<std::pair<const char*, std::function<void()>>> holders = {
        {"a folder", [&] { write_file(dest + "inside.txt", ""); }},
        {"a file", [&] { write_file(parent + name, "a file, not a folder"); }},
        {"a link that leads nowhere", [&] { ASSERT_EQ(::symlink("nowhere", (parent + name).c_str()), 0); }},
    };
    for (const auto& [what, put] : holders) {
        put();
        wizard_screen taken;
        demo_pick_dest(0, taken);
        EXPECT_EQ(taken.next, nullptr) << what;
        EXPECT_EQ(taken.text, "The folder '" + name + "' already exists inside the folder '" + parent +
                                  "'.\n\nPlease change the install name or destination.")
            << what;
        remove_tree(parent + name);
        wizard_screen free_again;
        demo_pick_dest(0, free_again);
        EXPECT_EQ(free_again.next, demo_run_patch) << "the name is offered again once " << what << " is gone";
    }
}

// The folder of this test program, when it is the user's own to write as
// a program's folder must be to hold a new copy; "" otherwise (a build made
// under a umask that lets the group write).
std::string own_program_folder()
{
    char own[4096];
    const ssize_t n = ::readlink("/proc/self/exe", own, sizeof own - 1);
    const std::string program(own, static_cast<size_t>(n > 0 ? n : 0));
    const std::string folder = program.substr(0, program.rfind('/') + 1);
    std::string resolved, why;
    return users_writable_folder(folder, resolved, why) ? folder : "";
}

// Without a home folder the copy goes into the program's folder, by its
// absolute path, rather than into a relative one.
TEST_F(demo_road_screens, WithoutHomeTheDefaultParentIsTheProgramsFolder)
{
    EXPECT_EQ(default_install_parent(), home_.path());
    const std::string program_folder = own_program_folder();
    if (program_folder.empty()) GTEST_SKIP() << "this build's folder is not the user's alone to write";
    const std::string saved = std::getenv("HOME");
    ::unsetenv("HOME");
    const std::string parent = default_install_parent();
    ::setenv("HOME", saved.c_str(), 1);
    EXPECT_EQ(parent, program_folder);
}

// A new copy is offered only a folder the user may write and no one else
// can change: never /tmp/, where the DVD installer's copy of itself runs,
// nor a HOME others may write; with none, the user picks one.
TEST_F(demo_road_screens, ANewCopyIsOfferedOnlyAFolderOfTheUsersOwnToWrite)
{
    scratch_dir shared;
    ASSERT_EQ(::chmod(shared.path().c_str(), 0777), 0);
    const std::string saved = std::getenv("HOME");
    ::setenv("HOME", shared.path().c_str(), 1);
    const std::string beside_a_shared_home = default_install_parent();
    ::setenv("HOME", saved.c_str(), 1);
    EXPECT_EQ(beside_a_shared_home, own_program_folder()) << "a HOME others may write was offered";

    const std::string here = home_.path().substr(0, home_.path().size() - 1);
    const struct {
        std::vector<std::string> folders;
        std::string offered;
    } rows[] = {
        {{"/tmp/", here}, home_.path()},
        {{"/tmp/", shared.path(), ""}, ""},
        {{"/nowhere/at/all/", "/"}, ::geteuid() == 0 ? "/" : ""},
    };
    for (const auto& row : rows) EXPECT_EQ(first_install_parent(row.folders), row.offered) << row.folders.front();

    // With none the screen asks for one and cannot go on.
    destination_choice none;
    none.defaults_set = true;
    none.install_folder = "Copy";
    wizard_screen record;
    EXPECT_FALSE(describe_destination(none, "Pick a folder.", record));
    EXPECT_EQ(record.text, "Pick a folder.");
    EXPECT_EQ(dest_dir_path, "");
}

// -- Install ------------------------------------------------------------------------

TEST_F(demo_road_screens, FrameInWhichEveryDownloadFailsShowsTheFailureWithoutABar)
{
    const testing_support::refused_port closed;
    ASSERT_NE(closed.port(), 0);
    ASSERT_NO_FATAL_FAILURE(installing_one_file_through(closed.port()));

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!stg.download_failed && std::chrono::steady_clock::now() < deadline) {
        wizard_screen rec;
        ASSERT_EQ(demo_run_patch(0, rec), 0);
    }
    ASSERT_EQ(stg.download_failed, 1) << "the refused connection was never reported";

    wizard_screen rec;
    EXPECT_EQ(demo_run_patch(0, rec), 0);
    EXPECT_TRUE(has(rec.text, "I can not download the file '/demo/Demo_900/Nimbrel/Resources/a.txt.zip'"))
        << rec.text;
    EXPECT_LT(rec.progress, 0.0f) << "no bar";
    EXPECT_EQ(rec.progress_text, "");
    EXPECT_EQ(rec.back, demo_pick_dest) << "GO BACK stays available";
    EXPECT_EQ(rec.next, nullptr);
    EXPECT_EQ(rec.show_servers, 1) << "another server can be chosen";
    EXPECT_EQ(demo_install_is_running, 1) << "the install goes on";
}

// The calls a thread waiting on descriptors sits in, as this processor
// family numbers them: not every one has the old poll, and a 32-bit one
// with a 64-bit time has a ppoll of its own.
const std::vector<long> kPollCalls = {
#ifdef SYS_ppoll
    SYS_ppoll,
#endif
#ifdef SYS_ppoll_time64
    SYS_ppoll_time64,
#endif
#ifdef SYS_poll
    SYS_poll,
#endif
};

// Whether thread `tid` of this process is asleep now in a poll on at least
// one descriptor.  The file holds "running" while the thread runs, and the
// call's number and arguments while it sleeps in one; the second argument
// of either poll is its count of descriptors.
bool asleep_in_poll(pid_t tid)
{
    std::ifstream call("/proc/self/task/" + std::to_string(tid) + "/syscall");
    long number = -1;
    unsigned long fds = 0, count = 0;
    if (!(call >> number >> std::hex >> fds >> count)) return false;
    return count > 0 && std::find(kPollCalls.begin(), kPollCalls.end(), number) != kPollCalls.end();
}

// A server that holds its answer until the install's frames are seen asleep
// on its socket: each frame sleeps out what is left of its slice there, and
// wakes for the answer, so the byte is taken.  A frame that kept polling
// would never be seen asleep, and the byte would never come.  Then the pump
// alone: the server speaks only once the pump's wait sleeps on its socket;
// the wait ends for it and the next call takes the byte; after a call that
// moved bytes the wait returns at once, and with nothing coming it sleeps
// its time out.  How much of a processor the frames take is the slow
// download benchmark's figure.
TEST_F(demo_road_screens, AnInstallWhoseServerHoldsItsAnswerSleepsOnItsSocketAndWakesForIt)
{
    const pid_t pump = static_cast<pid_t>(::syscall(SYS_gettid));
    std::atomic<bool> pump_alone{false};
    testing_support::scripted_http_server server(
        {testing_support::holds_until([&] { return asleep_in_poll(pump); }),
         testing_support::sends("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nx"),
         testing_support::holds_until([&] { return pump_alone && asleep_in_poll(pump); }),
         testing_support::sends("y"), testing_support::stalls()});
    ASSERT_NO_FATAL_FAILURE(installing_one_file_through(server.port()));
    const auto taken = [](int64_t bytes) {
        const down_class* transfer = http.transfer(kFirstStreamSlot);
        return transfer && transfer->BytesWritten() == bytes;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!taken(1) && std::chrono::steady_clock::now() < deadline) {
        wizard_screen rec;
        ASSERT_EQ(demo_run_patch(0, rec), 0);
    }
    ASSERT_TRUE(taken(1)) << (has(server.request(), "\r\n\r\n") ? "the frames were never seen asleep on the socket"
                                                                   : "the request never reached the server");

    pump_alone = true;
    for (int call = 0; call < 20 && !taken(2); ++call) {
        ASSERT_EQ(grab_files(), 0);
        ASSERT_TRUE(grab_files_wait(10)) << "slept through the server's answer";
    }
    EXPECT_TRUE(taken(2)) << "the byte was not taken";
    EXPECT_TRUE(grab_files_wait(10)) << "the call took a byte: no reason to sleep";
    ASSERT_EQ(grab_files(), 0);
    EXPECT_FALSE(grab_files_wait(0.05)) << "nothing more comes";
}

}  // namespace
