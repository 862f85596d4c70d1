// What the next test program removes of one killed outright: its scratch
// root, what was mounted in it and the run folders its programs made; never
// what a live program holds, nor a run folder that a log in the root names.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>

#include "program_process.h"
#include "scratch_root_marks.h"

namespace {

using namespace testing_support;

// programs/kit_stand_in.cpp in `mode` under the scratch root `root` ("" for
// one of its own): the line it printed once ready.
std::string started(program_process& stand_in, const std::string& mode, const std::string& root)
{
    stand_in.start({mode}, {scratch_root_variable + ("=" + root)});
    wait_until([&] { return has(stand_in.output(), "\n"); }, 30, 20);
    return stand_in.output().substr(0, stand_in.output().find('\n'));
}

void kill_outright(program_process& stand_in)
{
    stand_in.send_signal(SIGKILL);
    stand_in.wait(30);
}

void next_test_program_starts()
{
    program_process next(KIT_STAND_IN);
    next.start({"sweep"}, {scratch_root_variable + std::string("=")});
    EXPECT_EQ(next.wait(30), 0) << next.output();
}

// Whether `root` is there once no other test program starting meanwhile
// is removing it: that one holds the root's lock while it does.
bool left(const std::string& root)
{
    const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    wait_until([&] { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }, 30, 20);
    ::close(fd);
    return file_exists(root);
}

// A PID that no process has.
pid_t gone() { return static_cast<pid_t>(std::stol(read_file("/proc/sys/kernel/pid_max"))); }

// A folder named as the scratch root the PID `maker` made, holding a file,
// and never marked: the sweep of an older kit takes none such.  Locked
// before it has that name, until `lock` is closed, so that no test program
// starting meanwhile takes it.
std::string root_made_by(pid_t maker, int& lock)
{
    std::string made = scratch_root() + "XXXXXX";
    if (!mkdtemp(&made[0])) return "";
    lock = ::open(made.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::flock(lock, LOCK_EX);
    write_file(made + "/held/file", "x");
    const std::string root = "/tmp/nimbrel-test-" + std::to_string(maker) + "-" + made.substr(made.size() - 6);
    return ::renameat2(AT_FDCWD, made.c_str(), AT_FDCWD, root.c_str(), RENAME_NOREPLACE) == 0 ? root + "/" : "";
}

TEST(abandoned_roots, AKilledTestProgramLeavesNoMountAndTheNextOneRemovesItsRoot)
{
    program_process killed(KIT_STAND_IN);
    const std::string said = started(killed, "test-program", "");
    const std::string root = said.substr(0, said.find(' '));
    ASSERT_TRUE(has(root, "/tmp/nimbrel-test-")) << killed.output();
    kill_outright(killed);
    EXPECT_TRUE(mount_points_below(root).empty()) << "the killed program's disk outlived it";
    next_test_program_starts();
    EXPECT_FALSE(left(root)) << root << " was left";
    if (!has(said, " mounted")) GTEST_SKIP() << "no tmpfs can be mounted here";
}

TEST(abandoned_roots, AKilledTestsRootGoesWithWhatItMountedAndOnlyTheRunFoldersItsProgramsMade)
{
    // Killed before it marked its root; another program is making its own.
    int lock = -1, making = -1;
    const std::string root = root_made_by(gone(), lock), being_made = root_made_by(::getpid(), making);
    ASSERT_NE(root, "");
    ASSERT_NE(being_made, "");
    program_process killed(KIT_STAND_IN), running(KIT_STAND_IN), others(KIT_STAND_IN);
    std::string installers = run_folder_pattern;
    ASSERT_TRUE(mkdtemp(&installers[0]));
    const struct {
        const char* what;
        std::string folder;
        bool goes;
    } rows[] = {
        {"a running installer's, which no test started", installers + "/", false},
        {"one its program made, killed with it", started(killed, "run-folder", root), true},
        {"one its program made, still running", started(running, "run-folder", root), false},
        {"one a program of a live test made", started(others, "run-folder", scratch_root()), false},
    };
    kill_outright(killed);
    kill_outright(others);
    // Each named as a run folder by a log in the killed test's root.
    for (size_t i = 0; i < std::size(rows); ++i)
        write_file(root + "app" + std::to_string(i) + "/" + program_log_name,
                   "Temporary folder of this run = " + rows[i].folder + "\n");
    {
        ::mkdir((root + "disk").c_str(), 0755);
        const small_disk disk(root + "disk", "64k");  // none for an ordinary user
        ::close(lock);
        ::close(making);
        next_test_program_starts();
        EXPECT_FALSE(left(root)) << "the killed test's root was left";
        EXPECT_TRUE(mount_points_below(root).empty()) << "the killed test's disk is still mounted";
    }
    EXPECT_TRUE(left(being_made)) << "a root whose maker had yet to lock it went";
    remove_tree(being_made);
    remove_tree(root);
    for (const auto& row : rows) {
        EXPECT_EQ(file_exists(row.folder), !row.goes) << "run folder " << row.what << ": " << row.folder;
        remove_tree(row.folder);
    }
}

}  // namespace
