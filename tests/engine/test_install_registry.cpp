// The registry of installed copies in the per-user folder.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "alert_recorder.h"
#include "core/diag/error_codes.h"
#include "core/files/per_user_folder_notice.h"
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
    std::string registry() const { return home_.path() + ".nimbrel/nimbrel_install.txt"; }
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

    testing_support::alert_recorder alerts;
    testing_support::run_shell("rm '" + registry() + "' && mkdir '" + registry() + "'");
    EXPECT_EQ(register_new_nimbrel(), EISDIR);
    ASSERT_EQ(alerts.joined(4), (std::vector<std::string>{
        "I could not add this copy of Nimbrel 9 to the list of installed copies in:|" + registry() + "|Error: " +
        error_str(EISDIR) + "|Install Location: " + dest_dir_path}));
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
    EXPECT_EQ(register_new_nimbrel(), ELOOP);
    EXPECT_EQ(read_file(copies_ / "victim.txt"), copies_ / "one/\n") << "written through a link";

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
