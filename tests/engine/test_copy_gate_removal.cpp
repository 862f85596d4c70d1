// What the gate removes besides the files a plan marks: a cancelled
// install's partial copy (everything in it, links as links, nothing a link
// leads to outside, and only a folder this run made), and the half-written
// files a killed run left (those, and nothing else).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "archive_builders.h"
#include "core/files/file_ops.h"
#include "engine/copy_gate.h"
#include "engine/installer_state.h"
#include "pump_fixture.h"

namespace {

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

class CopyGateRemoval : public engine_testing::pump_test {};

TEST_F(CopyGateRemoval, ThePartialCopyGoesAndNothingItsLinksLeadTo)
{
    scratch_dir outside;
    write_file(outside / "keep/precious.txt", "the user's");
    write_file(outside / "alone.txt", "also the user's");
    const std::string copy = dest_ / "Nimbrel 9/";
    dest_dir_path = copy;
    ASSERT_EQ(copy_gate_make(), 0);
    write_file(copy + "Nimbrel-i686", "#!/bin/sh\n");
    write_file(copy + "Resources/deep/er/a.txt", "a");
    write_file(copy + "Resources/.hidden", "h");
    ::mkdir((copy + "Empty").c_str(), 0755);
    ASSERT_EQ(::symlink((outside / "keep").c_str(), (copy + "Resources/to_folder").c_str()), 0);
    ASSERT_EQ(::symlink((outside / "alone.txt").c_str(), (copy + "to_file").c_str()), 0);
    ASSERT_EQ(::symlink("../../..", (copy + "Resources/deep/up").c_str()), 0);
    ::chmod((copy + "Resources/deep/er").c_str(), 0555);  // read-only folders go too
    testing_support::give_to_unprivileged(dest_.path());

    EXPECT_EQ(testing_support::run_unprivileged(copy_remove_all), 0);
    EXPECT_FALSE(file_exists(copy)) << "the partial copy stayed";
    EXPECT_EQ(read_file(outside / "keep/precious.txt"), "the user's");
    EXPECT_EQ(read_file(outside / "alone.txt"), "also the user's");
    EXPECT_TRUE(file_exists(dest_.path())) << "the copy's parent went with it";

    EXPECT_EQ(copy_remove_all(), 0) << "a copy never made is no failure";
}

TEST_F(CopyGateRemoval, ADestinationThatNamesNoFolderOfItsOwnIsRefused)
{
    write_file(dest_ / "stays.txt", "x");
    ASSERT_EQ(::chdir(dest_.path().c_str()), 0);  // "" would open the working folder
    for (const char* destination : {"", "/", "//"}) {
        dest_dir_path = destination;
        EXPECT_NE(copy_remove_all(), 0) << '"' << destination << '"';
    }
    EXPECT_EQ(read_file(dest_ / "stays.txt"), "x");
    ASSERT_EQ(::chdir("/"), 0);
}

// A folder of that name was there when the install came to make it (also
// one an earlier install made), or another was put in place of the one the
// run made: a cancel leaves it.
TEST_F(CopyGateRemoval, OnlyTheFolderThisRunMadeIsRemoved)
{
    dest_dir_path = dest_ / "There/";
    write_file(dest_dir_path + "mine.txt", "the user's");
    EXPECT_EQ(copy_gate_make(), EEXIST);
    EXPECT_EQ(copy_remove_all(), 0);
    EXPECT_EQ(read_file(dest_dir_path + "mine.txt"), "the user's");

    dest_dir_path = dest_ / "Installed/";
    ASSERT_EQ(copy_gate_make(), 0);
    write_file(dest_dir_path + "mine.txt", "the user's");
    EXPECT_EQ(copy_gate_make(), EEXIST);
    EXPECT_EQ(copy_remove_all(), 0);
    EXPECT_EQ(read_file(dest_dir_path + "mine.txt"), "the user's");

    dest_dir_path = dest_ / "Replaced/";
    ASSERT_EQ(copy_gate_make(), 0);
    ASSERT_EQ(::rename(dest_dir_path.c_str(), (dest_ / "Moved").c_str()), 0);
    write_file(dest_dir_path + "mine.txt", "the user's");
    EXPECT_EQ(copy_remove_all(), 0);
    EXPECT_EQ(read_file(dest_dir_path + "mine.txt"), "the user's");
}

// A run killed while it unpacks leaves its file beside its name; the next
// run that opens the copy, or writes into that folder, removes it, whether
// or not a process of its number lives here.  A run still writing one keeps
// it, whatever its number says here (it may be of another PID namespace or
// host); a name merely alike and the user's hidden files stay.
TEST_F(CopyGateRemoval, AKilledRunsHalfWrittenFilesGoWithTheNextRun)
{
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string dead = ".partial-" + std::to_string(ended) + "-";
    dest_dir_path = dest_ / "Nimbrel 9/";
    const std::vector<std::string> stale = {dead + "7", "Resources/.partial-1-0"};
    for (const std::string& name : stale) write_file(dest_dir_path + name, std::string(1000, 'h'));
    ASSERT_EQ(::symlink("a.txt", (dest_dir_path + "Resources/.partial-1-1").c_str()), 0);
    std::string temp;
    const int writing = open_beside(dest_dir_path + "Resources/a.txt", &temp);
    ASSERT_GE(writing, 0);
    ASSERT_EQ(::rename(temp.c_str(), (dest_dir_path + "Resources/" + dead + "8").c_str()), 0);
    const std::vector<std::string> others = {"Resources/" + dead + "8", "Resources/" + dead + "7x", "Resources/.hidden"};
    for (const std::string& name : others)
        if (!file_exists(dest_dir_path + name)) write_file(dest_dir_path + name, "k");

    ASSERT_EQ(copy_gate_open(), 0);
    file_version_struct v;
    v.path = "Nimbrel/Resources/a.txt";
    v.sig_want = testing_support::md5_hex("a");
    v.installed_size = 1;
    write_file(temp_path + "a.zip", archive_fixtures::make_zip({{"a.txt", "a"}}));
    ASSERT_EQ(copy_install(temp_path + "a.zip", v, nullptr), 0);
    ::close(writing);
    for (const std::string& name : stale) EXPECT_FALSE(file_exists(dest_dir_path + name)) << name;
    EXPECT_FALSE(file_exists(dest_dir_path + "Resources/.partial-1-1")) << "the link stayed";
    for (const std::string& name : others) EXPECT_TRUE(file_exists(dest_dir_path + name)) << name;
}

}  // namespace
