#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/diag/debug_dumps.h"
#include "core/files/launch_app.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "fake_browser.h"
#include "test_support.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

struct handover {
    int installer = -1;  // exit status of the process that called launch_app
    int started = -1;    // exit status of the program it started, -1 if none
};

int status_of(int raw) { return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw); }

std::string finishup_marker;
void mark_finishup(int full)
{
    write_file(finishup_marker, std::to_string(full));
    xer.close();
}

// Calls launch_app in a child process that plays the installer, with its
// log in `dir`, a plain descriptor open and a buffered, unflushed stdio
// line.  This process adopts the started program (as a subreaper) so that
// it can wait for it and read its exit status.
handover run_launch(const scratch_dir& dir, const std::string& app, const std::string& folder,
                    int shut_down)
{
    std::fflush(nullptr);  // the child's exit must not print our buffers again
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
    pid_t installer = ::fork();
    if (installer == 0) {
        ::setenv("NIMBREL_LAUNCH_RECORD", (dir / "record.txt").c_str(), 1);
        xer.open(dir / "log.txt");
        ::open((dir / "plain-fd").c_str(), O_CREAT | O_WRONLY, 0644);
        FILE* buffered = std::fopen((dir / "buffered.txt").c_str(), "w");
        std::fputs("once", buffered);
        finishup_marker = dir / "finishup.txt";
        set_finishup_hook(mark_finishup);
        UTL_debug_init();  // as the installer starts
        int err = launch_app(app, folder, shut_down);
        _exit(100 + err);
    }
    handover result;
    int raw;
    ::waitpid(installer, &raw, 0);
    result.installer = status_of(raw);
    if (::waitpid(-1, &raw, 0) > 0) result.started = status_of(raw);
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
    return result;
}

}  // namespace

TEST(LaunchApp, PassesPathAndFolderThenEndsTheInstallerWithStatusOne)
{
    scratch_dir dir;
    handover h = run_launch(dir, LAUNCH_RECORDER, "/some/dest folder/", 0);
    EXPECT_EQ(h.installer, 1);
    EXPECT_EQ(h.started, 0);
    EXPECT_EQ(read_file(dir / "record.txt"),
              std::string(LAUNCH_RECORDER) + "\n-path\n/some/dest folder/\n");
    EXPECT_EQ(read_file(dir / "log.txt"),
              std::string("Launching: ") + LAUNCH_RECORDER + " with /some/dest folder/\n");
    EXPECT_FALSE(file_exists(dir / "finishup.txt")) << "shut-down ran though not asked for";
}

TEST(LaunchApp, EmptyFolderPassesNoArgumentsAndShutDownRunsTheFullFinishup)
{
    scratch_dir dir;
    handover h = run_launch(dir, std::string(LAUNCH_RECORDER) + "/", "", 1);
    EXPECT_EQ(h.installer, 1);
    EXPECT_EQ(read_file(dir / "record.txt"), std::string(LAUNCH_RECORDER) + "\n")
        << "the trailing '/' is dropped and nothing follows the path";
    EXPECT_EQ(read_file(dir / "finishup.txt"), "1");
}

TEST(LaunchApp, TheStartedProgramInheritsNeitherTheLogNorOtherDescriptorsNorTheSignalsIgnoredHere)
{
    scratch_dir dir;
    run_launch(dir, LAUNCH_RECORDER, "", 0);
    std::string record = read_file(dir / "record.txt");
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(record.find(dir / "log.txt"), std::string::npos) << record;
    EXPECT_EQ(record.find(dir / "plain-fd"), std::string::npos) << record;
    for (int sig : {SIGPIPE, SIGXFSZ})
        EXPECT_EQ(record.find("ignored " + std::to_string(sig) + "\n"), std::string::npos) << record;
}

TEST(LaunchApp, AFailedExecIsReportedAndTheInstallerGoesOnWithoutFlushingTwice)
{
    scratch_dir dir;
    write_file(dir / "garbage", "neither a script nor a program");
    ::chmod((dir / "garbage").c_str(), 0755);
    write_file(dir / "no-interpreter", "#!/nonexistent/sh\n");
    ::chmod((dir / "no-interpreter").c_str(), 0755);

    handover h = run_launch(dir, dir / "garbage", "", 1);
    EXPECT_EQ(h.installer, 100 + ENOEXEC) << "the installer ended as if the program had started";
    EXPECT_EQ(h.started, -1) << "the failed child was left for someone else to reap";
    EXPECT_EQ(run_launch(dir, dir / "no-interpreter", "", 1).installer, 100 + ENOENT);
    EXPECT_FALSE(file_exists(dir / "finishup.txt")) << "shut down though nothing was started";
    // The installer ends without flushing here, so any text is the child's.
    EXPECT_EQ(read_file(dir / "buffered.txt"), "") << "the failed child flushed the installer's stdio buffers";
}

TEST(LaunchApp, AProgramThatCannotBeStartedIsReportedAndTheInstallerGoesOn)
{
    scratch_dir dir;
    write_file(dir / "not-executable", "#!/bin/sh\n");
    ::mkdir((dir / "folder").c_str(), 0755);

    handover missing = run_launch(dir, dir / "missing", "", 1);
    EXPECT_EQ(missing.installer, 100 + ENOENT);
    EXPECT_EQ(missing.started, -1);
    EXPECT_EQ(run_launch(dir, dir / "not-executable", "", 1).installer, 100 + EACCES);
    EXPECT_EQ(run_launch(dir, dir / "folder", "", 1).installer, 100 + EACCES);
    EXPECT_FALSE(file_exists(dir / "finishup.txt")) << "shut down though nothing was started";
    EXPECT_NE(read_file(dir / "log.txt").find("Cannot start " + dir / "folder"), std::string::npos);
}

// The opener holds until the test lets it go, so a caller that waited for
// the browser would be seen to.
TEST(OpenInBrowser, ReturnsWhileTheOpenerRunsAndHandsItNoDescriptors)
{
    testing_support::fake_browser opener(0, true);
    scratch_dir dir;
    int log_like = ::open((dir / "log").c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_EQ(::dup2(log_like, 57), 57);
    const std::string url = "http://x.test/a?q=1;'&b=|c>d(id)";
    EXPECT_EQ(open_in_browser(url), 0);
    EXPECT_FALSE(opener.finished()) << "the call waited for the browser";
    opener.release();
    EXPECT_EQ(opener.arguments(), url + "\n") << "one argument, no shell between";
    EXPECT_EQ(opener.runs(), 1);
    EXPECT_FALSE(opener.had_descriptor(57)) << "the browser kept one of our descriptors";
    ::close(57);
    ::close(log_like);
}

TEST(OpenInBrowser, OpensOnlyPlainWebAddressesAndReportsAMissingOpener)
{
    for (const char* url : {"file:///etc/shadow", "javascript:alert(1)", "--help", "/usr/bin/x",
                            "http://a b", "http://x.test/\nrm -rf ~", "http://a\x7f",
                            "http://x/\"", "http://x/$HOME", "http://x/`id`", "http://x/\\", ""})
        EXPECT_FALSE(url_is_openable(url)) << url;
    EXPECT_TRUE(url_is_openable("HTTPS://www.example.com/a?b=c&d#top"));

    testing_support::fake_browser opener;
    EXPECT_EQ(open_in_browser("ftp://x.test/"), EINVAL);
    EXPECT_EQ(open_in_browser("http://x.test/$(id)"), EINVAL);
    EXPECT_FALSE(opener.ran());

    scratch_dir empty;
    const std::string saved = std::getenv("PATH");
    ::setenv("PATH", empty.path().c_str(), 1);
    EXPECT_EQ(open_in_browser("http://x.test/"), ENOENT);
    ::setenv("PATH", saved.c_str(), 1);
}
