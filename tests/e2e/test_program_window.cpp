// The program starts under X, shows its window as a window manager expects
// it, and ends in order on the close request.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "program_process.h"

namespace {

using testing_support::file_exists;
using testing_support::has;
using testing_support::read_file;
using testing_support::write_file;

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int count_prefix(const std::vector<std::string>& lines, const std::string& prefix)
{
    int n = 0;
    for (const std::string& l : lines) n += l.compare(0, prefix.size(), prefix) == 0;
    return n;
}

TEST(program_window, ShowsItsWindowAndQuitsInOrderOnTheCloseRequest)
{
    program_process program(NIMBREL_INSTALLER);
    program.start({"--lang=en"});
    const std::string window = program.wait_for_window(20);
    ASSERT_FALSE(window.empty()) << "no window; output:\n" << program.output() << "\nlog:\n" << program.log();

    const std::string props = x_command("xprop -id " + window);
    EXPECT_TRUE(has(props, "WM_CLASS(STRING) = \"main_window\", \"Nimbrel\"")) << props;
    EXPECT_TRUE(has(props, "WM_NAME(STRING) = \"N-System\"")) << props;
    EXPECT_TRUE(has(props, "_NET_WM_NAME(UTF8_STRING) = \"N-System\"")) << props;
    EXPECT_TRUE(has(props, "WM_PROTOCOLS(ATOM): protocols  WM_DELETE_WINDOW")) << props;
    EXPECT_TRUE(has(props, "_NET_WM_WINDOW_TYPE(ATOM) = _NET_WM_WINDOW_TYPE_NORMAL")) << props;
    EXPECT_TRUE(has(props, "_NET_WM_ALLOWED_ACTIONS(ATOM) = _NET_WM_ACTION_CLOSE, "
                           "_NET_WM_ACTION_FULLSCREEN, _NET_WM_ACTION_MOVE")) << props;
    EXPECT_TRUE(has(props, "program specified minimum size: 800 by 600")) << props;
    EXPECT_TRUE(has(props, "program specified maximum size: 800 by 600")) << props;
    EXPECT_TRUE(has(props, "window gravity: Center")) << props;
    EXPECT_TRUE(has(props, "_NET_WM_STATE(ATOM) = \n")) << "800 by 600 on a 1024 by 768 screen is no full screen\n" << props;
    EXPECT_FALSE(has(props, "_NET_STARTUP_ID")) << props;

    const std::string geometry = x_command("xwininfo -id " + window);
    EXPECT_TRUE(has(geometry, "Width: 800")) << geometry;
    EXPECT_TRUE(has(geometry, "Height: 600")) << geometry;
    const std::string shot = program.screenshot(window, "window_after_start");
    EXPECT_GT(read_file(shot).size(), 0u) << "no screenshot at " << shot;

    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(20), 0) << program.output();
    EXPECT_TRUE(file_exists(program.prefs_file())) << "the installer's preferences were not written";
    const std::string log = program.log();
    EXPECT_TRUE(has(log, "Clean exit from threads.")) << log;
    EXPECT_TRUE(program.output().empty()) << program.output();
}

// A program in a folder other users may write keeps none of its files
// there: its log goes to the user's folder, or, with none, nowhere.  So
// does one in a folder of root's that an ordinary user runs: no one else
// can change it, but neither can that user write it.
TEST(program_window, InAFolderOthersMayWriteItKeepsItsLogInTheUsersFolderOrNone)
{
    const struct {
        const char* what;
        mode_t mode;
        bool home;
        bool another_user;  // root's folder, an ordinary user's run
        const char* why;
    } rows[] = {
        {"others may write it", 0777, true, false, " may be written by others), so the per-user folder"},
        {"others may write it, no HOME", 0777, false, false, ""},
        {"root's, for an ordinary user", 0755, true, true, " belongs to root), so the per-user folder"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        program_process program(NIMBREL_INSTALLER);
        if (row.another_user && !program.as_another_user()) continue;  // root's folder needs root to make
        ASSERT_EQ(::chmod(program.app_dir().c_str(), row.mode), 0);
        program.start({"--lang=en"}, {row.home ? "HOME=" + program.home() : "HOME="});
        ASSERT_FALSE(program.wait_for_window(20).empty()) << "no window\n" << program.output();
        ASSERT_TRUE(program.send_close_request());
        EXPECT_EQ(program.wait(20), 0) << program.output();
        EXPECT_FALSE(file_exists(program.app_dir() + testing_support::program_log_name));
        const std::string log = read_file(program.home() + ".nimbrel/" + testing_support::program_log_name);
        EXPECT_EQ(has(log, program.app_dir() + row.why), row.home) << log;
        EXPECT_EQ(has(program.output(), "No folder of this user's own for the log"), !row.home) << program.output();
    }
}

// The first look at the per-user folder comes before the log has a folder:
// what it says (a folder an earlier version left open made private, a
// file set aside) still reaches the log.  A log's name there that is a
// second name of another file of the user's, as another user could leave
// while the folder was open to them, is set aside, and that file stays as
// it was.  As another user where the test may: that user's home.
TEST(program_window, ALogWhoseNameIsASecondNameOfAnotherFileLeavesThatFileAsItWas)
{
    program_process program(NIMBREL_INSTALLER);
    const std::string notes = program.home() + "notes.txt", folder = program.home() + ".nimbrel/",
                      log_name = folder + testing_support::program_log_name;
    write_file(notes, "the user's own words\n");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0775), 0);
    ASSERT_EQ(::link(notes.c_str(), log_name.c_str()), 0);
    program.as_another_user();
    const testing_support::file_stamp before = testing_support::stamp_of(notes);
    ASSERT_EQ(::chmod(program.app_dir().c_str(), 0777), 0);  // so the log goes to the per-user folder
    program.start({"--lang=en"}, {"HOME=" + program.home()});
    ASSERT_FALSE(program.wait_for_window(20).empty()) << "no window\n" << program.output();
    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(20), 0) << program.output();
    EXPECT_EQ(read_file(notes), "the user's own words\n");
    EXPECT_TRUE(testing_support::stamp_of(notes) == before && testing_support::stamp_of(log_name + ".set-aside") == before)
        << "the other file was written, or not set aside whole";
    const std::string log = read_file(log_name);
    EXPECT_TRUE(has(log, "set aside as " + log_name + ".set-aside,")) << log;
    EXPECT_TRUE(has(log, "The per-user folder " + folder + " could be read or changed by others (mode 0775)")) << log;
    EXPECT_TRUE(has(log, "Clean exit from threads.")) << log;
}

TEST(program_window, LogHeaderHoldsTheBannerAndTheProcessorAndMemoryFacts)
{
    program_process program(NIMBREL_INSTALLER);
    program.start({"--lang=en", "--help"});
    EXPECT_EQ(program.wait(20), 0);
    EXPECT_TRUE(program.wait_for_window(1).empty()) << "--help opened a window";

    const std::vector<std::string> log = lines_of(program.log());
    ASSERT_GT(log.size(), 8u) << program.log();
    EXPECT_EQ(log[0], "Installer log.txt for Nimbrel Web Demo Installer 2.05r2 compiled on Oct  7 2008 17:04:08");
    EXPECT_EQ(log[1], "");
    EXPECT_EQ(log[2], "This log file is generated automatically by Orrindale Labs applications and contains "
                      "diagnostics about your graphics hardware, installation, and any error conditions.");
    EXPECT_EQ(log[3], "If you need to contact tech support or file a bug, please send us this file. NOTE: this "
                      "file is rewritten every time you start ANY of your N-System applications.");
    EXPECT_EQ(log[4], "");
    EXPECT_EQ(log[5], "If you got a hard system crash and want to report this to Orrindale Labs, then be sure "
                      "to send your crash_report.txt file generated by the crash as well!");
    EXPECT_EQ(log[6], "");

    const std::vector<std::string> cpuinfo = lines_of(read_file("/proc/cpuinfo"));
    size_t i = 7;
    for (const std::string& line : cpuinfo)
        if (line.rfind("processor", 0) == 0 || line.rfind("model name", 0) == 0 || line.rfind("cpu MHz", 0) == 0) {
            ASSERT_LT(i, log.size());
            EXPECT_EQ(log[i++], line);
        }
    EXPECT_EQ(count_prefix(log, "processor"), count_prefix(cpuinfo, "processor"));
    EXPECT_EQ(count_prefix(log, "cpu family"), 0);
    ASSERT_LT(i + 3, log.size());
    EXPECT_EQ(log[i].rfind("MemTotal:", 0), 0u) << log[i];
    EXPECT_EQ(log[i + 1], "");
    EXPECT_EQ(log[i + 2], "N-System folder:'', case sensitive=1");
    EXPECT_EQ(log[i + 3], "");
}

TEST(program_window, FpsTestKeepsThePreferencesButStillStopsTheThreads)
{
    program_process program(NIMBREL_INSTALLER);
    const std::string earlier = "I\n92001\nPREFERENCES\n_stream_count 3\n";
    write_file(program.prefs_file(), earlier);
    program.start({"--lang=en", "--fps_test"}, {"DESKTOP_STARTUP_ID=launch-42"});
    const std::string window = program.wait_for_window(20);
    ASSERT_FALSE(window.empty()) << program.output();
    EXPECT_TRUE(has(x_command("xprop -id " + window + " _NET_STARTUP_ID"), "_NET_STARTUP_ID(UTF8_STRING) = \"launch-42\""));
    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(20), 0) << program.output();
    EXPECT_EQ(read_file(program.prefs_file()), earlier);
    EXPECT_TRUE(has(program.log(), "Clean exit from threads.")) << program.log();
}

}  // namespace
