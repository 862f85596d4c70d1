// The start of the program beyond its command line: the installer settings
// as the preference file and "--pref:" give them, and the relaunch off an
// install DVD, which must never leave the user without an installer.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/text/preferences.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "wizard/dvd_road.h"
#include "wizard/move_off_dvd.h"
#include "wizard/options_window.h"
#include "wizard/program_entry.h"

#include "alert_recorder.h"
#include "main_window_test.h"


namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

class start_up : public ::testing::Test {
protected:
    void SetUp() override
    {
        xer.open(home_ / "log.txt");
        bind_options_preferences();
    }
    void TearDown() override
    {
        stays_on_dvd_forget();
        pref_unbind_all();
        cmdline = UTL_cmdline();
        http.proxy_host.clear();
        http.proxy_port.clear();
        http.proxy_port_int = 0;
        stg_set_start_values();
        xer.close();
    }
    void prefs(const std::string& lines)
    {
        write_file(home_ / ".nimbrel/Nimbrel Installer.prf", "I\n92001 version\n" + lines);
    }
    void options(std::vector<const char*> args)
    {
        args.insert(args.begin(), "nimbrel-installer");
        cmdline.init_unix(static_cast<int>(args.size()), args.data());
    }
    std::string log()
    {
        xer.flush();
        return read_file(home_ / "log.txt");
    }

    scratch_home home_;
};

TEST_F(start_up, StoredStreamCountReplacesTheAutomaticStart)
{
    prefs("_stream_count 2\n");
    stg.stream_count = 4;  // a value from before the start values
    read_installer_settings();
    EXPECT_EQ(stg.stream_count, 2);
    EXPECT_EQ(stg.target_os, 3) << "the system to download for is never stored";
}

TEST_F(start_up, StreamCountOutsideZeroToFourIsAutomaticFromFileOrOption)
{
    for (const char* line : {"_stream_count 5\n", "_stream_count -1\n", "_stream_count 99999999999\n",
                             "_stream_count four\n"}) {
        prefs(line);
        read_installer_settings();
        EXPECT_EQ(stg.stream_count, 0) << line;
    }
    prefs("_stream_count 3\n");
    for (const char* option : {"--pref:_stream_count=9", "--pref:_stream_count=-2"}) {
        options({option});
        read_installer_settings();
        EXPECT_EQ(stg.stream_count, 0) << option << " overrides the stored 3, and is no count";
    }
    options({"--pref:_stream_count=1"});
    read_installer_settings();
    EXPECT_EQ(stg.stream_count, 1);
}

TEST_F(start_up, StoredProxyPortOutsideOneTo65535IsNoProxy)
{
    for (const char* line : {"_proxy_port_int -1\n", "_proxy_port_int 65536\n"}) {
        prefs(std::string("_proxy_host cache.lan\n") + line);
        http.proxy_port_int = 0;
        read_installer_settings();
        EXPECT_EQ(http.proxy_port_int, 0) << line;
        EXPECT_FALSE(UseProxy("files.example.com", 80)) << line;
    }
    prefs("_proxy_host cache.lan\n_proxy_port_int 3128\n");
    read_installer_settings();
    EXPECT_EQ(ProxyPort("files.example.com", 80), 3128);
}

// The beta choice outlives the run: read at start, written at the end.
TEST_F(start_up, TheBetaChoiceIsReadAndWrittenBack)
{
    prefs("_get_beta 1\n");
    read_installer_settings();
    EXPECT_EQ(stg.get_beta, 1);
    stg.get_beta = 0;
    pref.IO_set(11, 1);
    stg.get_beta = 1;
    read_installer_settings();
    EXPECT_EQ(stg.get_beta, 0) << "unticking is kept too";
    EXPECT_NE(read_file(home_ / ".nimbrel/Nimbrel Installer.prf").find("_get_beta 0\n"),
              std::string::npos);
}

// -- Relaunch off the DVD ----------------------------------------------------------

// The program as the move hands it on: open, as the running one is.
int opened(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC); }

TEST_F(start_up, RelaunchWhoseCopyFailsGoesOnFromTheDvd)
{
    scratch_dir temp;
    EXPECT_EQ(relaunch_off_dvd(opened(home_ / "dvd/Installer"), "Installer", {temp.path()}, 0, nullptr), EBADF)
        << "a missing program cannot be copied";

    write_file(home_ / "dvd/Installer", "#!/bin/sh\n");
    ::chmod((home_ / "dvd/Installer").c_str(), 0755);
    const int program = opened(home_ / "dvd/Installer");
    EXPECT_EQ(relaunch_off_dvd(program, "Installer", {temp / "no such folder/"}, 0, nullptr), ENOENT)
        << "nowhere to copy to";
    ::close(program);
    // The screen that asks for another disk says why this one stays.
    wizard_screen change;
    dvd_switch_disk_install(0, change);
    EXPECT_TRUE(testing_support::has(change.text, "\n\nThe installer runs from the DVD, so the DVD cannot be changed "
                                                  "while it runs: it could not copy itself to a folder where it may "
                                                  "run (" + temp / "no such folder/: No such file or directory).")) << change.text;

    // The copy's mode is its own, so a file of the disk's that no mode
    // makes a program is what cannot be started; a pipe is not even read.
    write_file(home_ / "dvd/Setup", "no program at all");
    const int setup = opened(home_ / "dvd/Setup");
    EXPECT_EQ(relaunch_off_dvd(setup, "Setup", {temp.path()}, 0, nullptr), ENOEXEC) << "a copy that cannot be started";
    ASSERT_EQ(::mkfifo((home_ / "dvd/Pipe").c_str(), 0777), 0);
    const int pipe = opened(home_ / "dvd/Pipe");
    EXPECT_EQ(relaunch_off_dvd(pipe, "Pipe", {temp.path()}, 0, nullptr), EACCES);
    ::close(setup);
    ::close(pipe);
    EXPECT_EQ(testing_support::run_shell("ls -A '" + temp.path() + "'").out, "") << "a copy was left behind";
}

// Reads as a disk over the network may answer them.
int reads = 0;
ssize_t interrupted_first(int fd, void* buf, size_t n) { return reads++ ? ::read(fd, buf, n) : (errno = EINTR, -1); }
ssize_t ending_after_4_kib(int fd, void* buf, size_t n) { return reads++ ? 0 : ::read(fd, buf, std::min<size_t>(n, 4096)); }

// The relaunch ends the process that calls it, so a child plays the
// installer, started in a folder of its own; this process adopts the copy
// it starts, to wait for it.  The copy is a file with no name, whole, and
// runs with the command line in the folder it was given in.
TEST_F(start_up, RelaunchStartsAWholeCopyWithItsCommandLineFromThePlaceThatCanRunItAndEnds)
{
    scratch_dir temp, noexec_place;
    const testing_support::small_disk disk(noexec_place.path(), "64m");
    const bool noexec = disk.mounted() && ::mount("tmpfs", noexec_place.path().c_str(), nullptr, MS_REMOUNT | MS_NOEXEC, nullptr) == 0;
    const struct {
        copy_read_fn reads;
        std::vector<std::string> places;
        int status;  // of the process on the disk: 1 once the copy runs
    } rows[] = {
        {nullptr, {temp.path()}, 1},                               // 0: as the disk reads
        {interrupted_first, {temp.path()}, 1},                     // 1: a read a signal interrupted
        {ending_after_4_kib, {temp.path()}, 100 + EIO},            // 2: a read that ended early
        {nullptr, {noexec_place.path(), temp.path()}, 1},          // 3: a /tmp/ mounted noexec
    };
    const std::string program = home_ / "dvd/Installer", started_in = home_ / "started here/";
    testing_support::run_shell("mkdir -p '" + home_ / "dvd" + "' '" + started_in + "' && cp '" LAUNCH_RECORDER "' '" + program + "'");
    ::setenv("NIMBREL_LAUNCH_RECORD", "copy_ran.txt", 1);  // where the copy was started, as a relative "-path" is
    ::setenv("NIMBREL_LAUNCH_RECORD_OWN", "1", 1);
    const char* const argv[] = {"./Installer", "-path", "Copy", "--lang=de"};
    for (const auto& r : rows) {
        SCOPED_TRACE(&r - rows);
        if (r.places.size() > 1 && !noexec) {
            std::printf("The row of a noexec /tmp/ is left out: mounting one needs root.\n");
            continue;
        }
        ::unlink((started_in + "copy_ran.txt").c_str());
        std::fflush(nullptr);
        ::prctl(PR_SET_CHILD_SUBREAPER, 1);
        const pid_t installer = ::fork();
        if (installer == 0) {
            set_copy_read_hook(r.reads);
            _exit(::chdir(started_in.c_str()) ? 99 : 100 + relaunch_off_dvd(opened(program), program, r.places, 4, argv));
        }
        int raw = 0;
        ::waitpid(installer, &raw, 0);
        while (::waitpid(-1, nullptr, 0) > 0) {
        }
        ::prctl(PR_SET_CHILD_SUBREAPER, 0);
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == r.status) << raw;
        const std::string command_line = "Installer\n-path\nCopy\n--lang=de\n";
        EXPECT_EQ(read_file(started_in + "copy_ran.txt").substr(0, command_line.size()), r.status == 1 ? command_line : "");
        EXPECT_EQ(testing_support::run_shell("ls -A '" + temp.path() + "'").out, "") << "the copy has a name";
        // Where the copy could run is not where its files belong.
        EXPECT_FALSE(testing_support::has(read_file(started_in + "copy_ran.txt"), "\nown " + r.places.back()))
            << "the copy keeps its files beside itself";
    }
    ::unsetenv("NIMBREL_LAUNCH_RECORD");
    ::unsetenv("NIMBREL_LAUNCH_RECORD_OWN");
}

// The disk's program may have been swapped for another's since it started:
// what runs is what this process runs, here the test program, with no test.
TEST_F(start_up, TheMoveCopiesTheRunningProgramNotTheFileAtItsName)
{
    const std::string disk = home_ / "dvd/", record = home_ / "copy_ran.txt";
    testing_support::run_shell("mkdir -p '" + disk + "' && cp '" LAUNCH_RECORDER "' '" + disk + "Installer'");
    ::setenv("NIMBREL_LAUNCH_RECORD", record.c_str(), 1);
    std::fflush(nullptr);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const pid_t installer = ::fork();
    const char* const argv[] = {"Installer", "--gtest_filter=-*"};
    if (installer == 0) move_off_dvd(disk + "Installer", disk, 2, argv), _exit(100);
    int raw = 0, copy = -1;
    ::waitpid(installer, &raw, 0);
    for (int status; ::waitpid(-1, &status, 0) > 0;) copy = status;
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    ::unsetenv("NIMBREL_LAUNCH_RECORD");
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 1 && WIFEXITED(copy) && WEXITSTATUS(copy) == 0) << raw << " " << copy;
    EXPECT_FALSE(file_exists(record)) << "the file at the program's name ran";
}

// After /tmp/, TMPDIR only where no one else may write.
TEST_F(start_up, TheCopyIsTriedInTmpThenInATmpdirOfTheUsersOwn)
{
    scratch_dir mine, open;
    ::chmod(open.path().c_str(), 0777);
    const std::string before = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    for (const std::string& tmpdir : {mine.path(), open.path()}) {
        ::setenv("TMPDIR", tmpdir.c_str(), 1);
        const std::vector<std::string> places = copy_off_dvd_places();
        EXPECT_EQ(places.at(1) == tmpdir, tmpdir == mine.path());
        EXPECT_EQ(places.back(), home_ / ".nimbrel/");
    }
    before.empty() ? ::unsetenv("TMPDIR") : ::setenv("TMPDIR", before.c_str(), 1);
}

// Downloads and the disk's files need the run's folder: one that cannot be
// made ends the run in words, and nothing falls back to a shared folder.
TEST_F(start_up, ARunFolderThatCannotBeMadeEndsTheRunInWords)
{
    testing_support::alert_recorder alerts;
    temp_path = "/tmp/";
    EXPECT_EQ(start_run_temp_folder(home_ / "no such folder/"), ENOENT);
    EXPECT_EQ(temp_path, "");
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].level, 2);
    EXPECT_EQ(alerts.joined(3), std::vector<std::string>{
        "I could not make a private folder for the installer's temporary files.|Error: " + error_text(ENOENT) +
        ".|Destination Path: " + home_ / "no such folder/."});
}

}  // namespace
