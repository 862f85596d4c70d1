// The registry of installed copies in the per-user folder.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include "alert_recorder.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/account_lookup.h"
#include "core/files/per_user_folder_notice.h"
#include "core/files/system_paths.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine_test_support.h"
#include "test_support.h"

namespace {

using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

class InstallRegistry : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        mkdir((copies_ / "one").c_str(), 0755);
        mkdir((copies_ / "two").c_str(), 0755);
    }
    std::string registry() const { return registry_in(home_); }
    static std::string registry_in(const testing_support::scratch_home& home)
    {
        return home.path() + ".nimbrel/nimbrel_install.txt";
    }
    void write_registry(const std::string& text)
    {
        write_file(registry(), text);
    }

    testing_support::scratch_home home_;
    scratch_dir copies_;
};

TEST_F(InstallRegistry, ListsTheRegisteredFoldersThatExistInFileOrder)
{
    write_registry(copies_ / "two/\n" + copies_ / "gone/\n\n" + copies_ / "one/\n" + copies_ / "two/\n");
    locate_all_nimbrels();
    EXPECT_EQ(all_nsystems, (std::vector<std::string>{copies_ / "two/", copies_ / "one/", copies_ / "two/"}))
        << "missing folders and empty lines are skipped, duplicates kept";
    EXPECT_NE(read_file(registry()).find("gone"), std::string::npos) << "nothing is pruned from the file";
}

TEST_F(InstallRegistry, CrlfLinesReadLikeLfLines)
{
    write_registry(copies_ / "one/\r\n" + copies_ / "two\r\n");
    locate_all_nimbrels();
    EXPECT_EQ(all_nsystems, (std::vector<std::string>{copies_ / "one/", copies_ / "two"}));
}

TEST_F(InstallRegistry, AMissingRegistryIsAnEmptyList)
{
    all_nsystems.push_back("stale");
    locate_all_nimbrels();
    EXPECT_TRUE(all_nsystems.empty());
}

TEST_F(InstallRegistry, AFolderIsRegisteredOnce)
{
    dest_dir_path = copies_ / "one/";
    register_new_nimbrel();
    register_new_nimbrel();
    dest_dir_path = copies_ / "one";
    register_new_nimbrel();
    EXPECT_EQ(read_file(registry()), copies_ / "one/\n" + copies_ / "one\n")
        << "a path without the trailing '/' is a different line";
}

TEST_F(InstallRegistry, ALongPathIsOneLineAndRegisteredOnce)
{
    std::string deep = copies_.path();
    while (deep.size() < 3000) deep += "a_rather_long_folder_name_0123456789/";
    dest_dir_path = deep;
    register_new_nimbrel();
    register_new_nimbrel();
    EXPECT_EQ(read_file(registry()), deep + "\n");

    testing_support::run_shell("mkdir -p '" + deep + "'");
    locate_all_nimbrels();
    EXPECT_EQ(all_nsystems, (std::vector<std::string>{deep}));
}

TEST_F(InstallRegistry, APathWithALineBreakIsRefused)
{
    dest_dir_path = copies_ / "one/\n/etc/";
    register_new_nimbrel();
    dest_dir_path = copies_ / "one/\r";
    register_new_nimbrel();
    EXPECT_EQ(read_file(registry()), "");
}

TEST_F(InstallRegistry, WithoutAHomeNothingIsReadOrWritten)
{
    write_registry(copies_ / "one/\n");
    unsetenv("HOME");
    all_nsystems.push_back("stale");
    locate_all_nimbrels();
    EXPECT_TRUE(all_nsystems.empty());
    dest_dir_path = copies_ / "two/";
    register_new_nimbrel();
    EXPECT_EQ(read_file(registry()), copies_ / "one/\n");
}

// A last line without its line end (written by hand, or cut short) must
// not swallow the next copy; a registry that cannot be written is said so.
TEST_F(InstallRegistry, TheLastLineIsEndedFirstAndAnUnwritableRegistryIsAnAlert)
{
    write_registry(copies_ / "one/");
    dest_dir_path = copies_ / "two/";
    EXPECT_EQ(register_new_nimbrel(), 0);
    EXPECT_EQ(read_file(registry()), copies_ / "one/\n" + copies_ / "two/\n");

    // A disk with no room left, as a file-size limit in a child makes one.
    dest_dir_path = copies_ / "three/";
    const std::vector<std::string> expected = {
        "I could not add this copy of Nimbrel 9 to the list of installed copies in:|" + registry() + "|Error: " +
        error_str(EFBIG) + "|Install Location: " + dest_dir_path};
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlim_t size = static_cast<rlim_t>(read_file(registry()).size());
        const struct rlimit limit = {size, size};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        testing_support::alert_recorder alerts;
        const int err = register_new_nimbrel();
        _exit((err == EFBIG ? 0 : 1) | (alerts.joined(4) == expected ? 0 : 2));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status) & 1, 0) << "a registry that could not be written was reported as written";
    EXPECT_EQ(WEXITSTATUS(status) & 2, 0) << "not the alert that names the registry and the error";
    EXPECT_EQ(read_file(registry()), copies_ / "one/\n" + copies_ / "two/\n");
}

// A link at the registry's name is nothing this program wrote: it lists
// no copy and the file it leads to is never written; a per-user folder that
// cannot be used is said once, in words, where the registry is needed.
TEST_F(InstallRegistry, ALinkIsNeitherReadNorWrittenAndAFolderThatCannotBeUsedIsSaidOnce)
{
    write_file(copies_ / "victim.txt", copies_ / "one/\n");
    ::mkdir((home_.path() + ".nimbrel").c_str(), 0700);
    ASSERT_EQ(::symlink((copies_ / "victim.txt").c_str(), registry().c_str()), 0);
    locate_all_nimbrels();
    EXPECT_TRUE(all_nsystems.empty()) << "read through a link";
    testing_support::alert_recorder alerts;
    dest_dir_path = copies_ / "two/";
    EXPECT_EQ(register_new_nimbrel(), 0);
    EXPECT_EQ(read_file(copies_ / "victim.txt"), copies_ / "one/\n") << "written through a link";
    EXPECT_EQ(read_file(registry()), copies_ / "two/\n") << "not listed in a registry of the user's own";
    std::string target;
    EXPECT_TRUE(read_link_target(registry() + ".set-aside", target) && target == copies_ / "victim.txt")
        << "the link was not kept aside as it was";

    alerts.clear();
    per_user_folder_notice_forget();
    ASSERT_EQ(::chmod(home_.path().c_str(), 0777), 0);
    locate_all_nimbrels();
    EXPECT_EQ(register_new_nimbrel(), EACCES) << "a copy left out of the list was reported as listed";
    EXPECT_EQ(alerts.first_lines(), (std::vector<std::string>{
        "I cannot keep the installer's settings or the list of installed copies of Nimbrel 9: a folder they need "
        "cannot be used."}));
    ASSERT_EQ(::chmod(home_.path().c_str(), 0700), 0);
    per_user_folder_notice_forget();
}

// What stands at the registry's name decides whether it is read.  The
// user's own file is, also under a umask of 002 where its group holds no
// one else; another user's (left while the folder was theirs to write
// too; the per-user folder's table has the rest) and one larger than any
// registry the program writes are set aside as they are: never read or
// written, and the copy is listed in a registry of the user's own.  No
// start ends on a registry of gigabytes.
TEST_F(InstallRegistry, OnlyTheUsersOwnRegistryIsReadAndWhatElseStandsThereIsSetAside)
{
    const struct {
        const char* what;
        const char* make;  // shell commands in the home: $R the registry, $ONE a copy
        bool read;
        bool needs_root = false;
        bool private_group = false;  // its group the user's alone, as the accounts read say
    } rows[] = {
        {"the user's own", "echo $ONE >$R", true},
        {"the user's own of 1 MiB", "echo $ONE >$R && truncate -s 1M $R", true},
        {"the user's own under a umask of 002, a group of theirs alone", "umask 002 && echo $ONE >$R", true, false,
         true},
        {"another user's", "echo $ONE >$R && chown 65534 $R", false, true},
        {"one byte past 1 MiB", "echo $ONE >$R && truncate -s 1048577 $R", false},
        {"3 GiB", "echo $ONE >$R && truncate -s 3G $R", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.needs_root && ::geteuid() != 0) continue;  // another user's file needs root to make
        testing_support::scratch_home home;
        scratch_dir dir;
        ASSERT_EQ(testing_support::run_shell("cd '" + home.path() + "' && mkdir -m 700 .nimbrel && R='" +
                                             registry_in(home) + "' ONE='" + copies_ / "one/" + "' && " + row.make)
                      .status,
                  0);
        if (row.private_group) {
            struct stat st;
            ASSERT_EQ(::stat(registry_in(home).c_str(), &st), 0);
            write_file(dir / "passwd", "me:x:" + std::to_string(::geteuid()) + ":" + std::to_string(st.st_gid + 1) +
                                           "::/:/bin/sh\n");
            write_file(dir / "group", "g:x:" + std::to_string(st.st_gid) + ":\n");
            set_account_files(dir / "passwd", dir / "group");
        }
        ASSERT_TRUE(xer.open(dir / "log.txt"));
        locate_all_nimbrels();
        EXPECT_EQ(all_nsystems, row.read ? std::vector<std::string>{copies_ / "one/"} : std::vector<std::string>{});
        dest_dir_path = copies_ / "two/";
        EXPECT_EQ(register_new_nimbrel(), 0);
        xer.close();
        set_account_files("", "");
        struct stat st;
        EXPECT_EQ(::lstat((registry_in(home) + ".set-aside").c_str(), &st) == 0, !row.read) << "set aside, or not";
        const std::string log = read_file(dir / "log.txt");
        EXPECT_EQ(testing_support::has(log, "set aside as"), !row.read) << log;
        const std::string text = read_file(registry_in(home));
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), dest_dir_path.size() + 1)), dest_dir_path + "\n");
        EXPECT_TRUE(row.read || text == dest_dir_path + "\n") << "not a registry of the user's own";
    }
}

// A registry read where no room is left for it ends nothing: the list is
// taken for empty and the run goes on.
TEST_F(InstallRegistry, ARegistryWithNoRoomToReadItIsAnEmptyListAndTheRunGoesOn)
{
    std::string text;
    while (text.size() < (900u << 10)) text += copies_ / "one/\n";
    write_registry(text);
    const testing_support::bounded_result r = testing_support::run_bounded(
        [] {
            locate_all_nimbrels();
            return static_cast<int>(all_nsystems.size());
        },
        256);
    EXPECT_NE(r.result, -1) << "the run ended on its registry";
    EXPECT_TRUE(r.result == 0 || testing_support::under_sanitizer()) << r.result << " copies listed";
}

TEST_F(InstallRegistry, ASimulatorFolderHasTheFourTopFolders)
{
    for (const char* name : {"Airfoils", "Instructions", "Old Output", "Resources"})
        mkdir((copies_ / "one/" + name).c_str(), 0755);
    dest_dir_path = copies_ / "one/";
    EXPECT_EQ(path_is_to_a_sim(), 1) << "a name that contains the word counts";

    for (const char* name : {"Airfoils", "Instructions", "Output"})
        mkdir((copies_ / "two/" + name).c_str(), 0755);
    write_file(copies_ / "two/Resources", "a file, not a folder");
    dest_dir_path = copies_ / "two/";
    EXPECT_EQ(path_is_to_a_sim(), 0);

    dest_dir_path = copies_ / "nowhere/";
    EXPECT_EQ(path_is_to_a_sim(), 0);
}

}  // namespace
