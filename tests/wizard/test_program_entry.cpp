// The start of the program beyond its command line: the installer settings
// as the preference file and "--pref:" give them, and the relaunch off an
// install DVD, which must never leave the user without an installer.
#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/diag/error_codes.h"
#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/text/preferences.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
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

TEST_F(start_up, RelaunchWhoseCopyFailsGoesOnFromTheDvd)
{
    scratch_dir temp;
    EXPECT_NE(relaunch_off_dvd(home_ / "dvd/Installer", temp.path()), 0)
        << "a missing program cannot be copied";
    EXPECT_NE(log().find("Could not copy " + home_ / "dvd/Installer"), std::string::npos) << log();

    write_file(home_ / "dvd/Installer", "#!/bin/sh\n");
    ::chmod((home_ / "dvd/Installer").c_str(), 0755);
    EXPECT_NE(relaunch_off_dvd(home_ / "dvd/Installer", temp / "no such folder/"), 0)
        << "nowhere to copy to";

    // The copy's mode is its own, so a file of the disk's that no mode
    // makes a program is what cannot be started; a pipe is not even read.
    write_file(home_ / "dvd/Setup", "no program at all");
    EXPECT_EQ(relaunch_off_dvd(home_ / "dvd/Setup", temp.path()), ENOEXEC) << "a copy that cannot be started";
    ASSERT_EQ(::mkfifo((home_ / "dvd/Pipe").c_str(), 0777), 0);
    EXPECT_EQ(relaunch_off_dvd(home_ / "dvd/Pipe", temp.path()), EACCES);
    EXPECT_EQ(testing_support::run_shell("ls -A '" + temp.path() + "'").out, "") << "a copy was left behind";
}

// The relaunch ends the process that calls it, so a child plays the
// installer; this process adopts the copy it starts, to wait for it.  The
// copy is a file with no name.
TEST_F(start_up, RelaunchStartsACopyWithNoNameAndEnds)
{
    scratch_dir temp;
    const std::string program = home_ / "dvd/Installer", record = home_ / "copy_ran.txt";
    testing_support::run_shell("mkdir -p '" + home_ / "dvd" + "' && cp '" LAUNCH_RECORDER "' '" + program + "'");
    ::setenv("NIMBREL_LAUNCH_RECORD", record.c_str(), 1);

    std::fflush(nullptr);
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    const pid_t installer = ::fork();
    if (installer == 0) _exit(100 + relaunch_off_dvd(program, temp.path()));
    int raw = 0;
    ::waitpid(installer, &raw, 0);
    while (::waitpid(-1, nullptr, 0) > 0) {
    }
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    ::unsetenv("NIMBREL_LAUNCH_RECORD");

    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1) << "the DVD's process ends as the copy starts";
    EXPECT_EQ(read_file(record).substr(0, 10), "Installer\n") << "the copy runs, with no argument";
    EXPECT_EQ(testing_support::run_shell("ls -A '" + temp.path() + "'").out, "") << "the copy has a name";
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
