// make_dirs: the destination chain, the plan's folders and the fixed ones,
// with their alerts; folders where a file or a foreign link stands.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/diag/error_codes.h"
#include "engine/checksum_pump.h"
#include "engine/destination_folders.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "test_support.h"

namespace {

using testing_support::alert_recorder;
using testing_support::file_exists;
using testing_support::scratch_dir;

bool is_folder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class DestinationFolders : public testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        stg.target_os = 3;
        dest_dir_path = dir_ / "a/b/Sim/";
    }

    void plan(const std::string& path, int install = 1)
    {
        file_version_struct v;
        v.path = path;
        v.do_install = install;
        sim_info.push_back({v});
    }

    scratch_dir dir_;
    alert_recorder alerts_;
};

TEST_F(DestinationFolders, NothingToInstallMakesTheChainAndTheFixedFolders)
{
    EXPECT_EQ(make_dirs(), 0);
    EXPECT_TRUE(is_folder(dir_ / "a/b/Sim"));
    for (const char* name : {"Output", "Output/FMS plans", "Output/logbooks", "Output/movies",
                             "Output/situations", "Resources", "Output/preferences"})
        EXPECT_TRUE(is_folder(dest_dir_path + name)) << name;
    EXPECT_TRUE(alerts_.alerts().empty());
    EXPECT_EQ(make_dirs(), 0) << "a second run finds everything in place";
}

TEST_F(DestinationFolders, PlanFoldersAreMadeParentsFirstAndOnlyForFilesToInstall)
{
    plan("Top/Resources/a/b/x.txt");
    plan("Top/Resources/a/y.txt");
    for (int i = 0; i < 10; ++i) plan("Top/Same/f" + std::to_string(i));
    plan("Top/NotInstalled/z.txt", 0);
    plan("Top/readme.txt");
    EXPECT_EQ(make_dirs(), 0);
    EXPECT_TRUE(is_folder(dest_dir_path + "Resources/a/b"));
    EXPECT_TRUE(is_folder(dest_dir_path + "Same"));
    EXPECT_FALSE(file_exists(dest_dir_path + "NotInstalled"));
}

TEST_F(DestinationFolders, PlainFileWhereAPlanFolderMustBeIsNotADirectory)
{
    testing_support::write_file(dest_dir_path + "Resources", "a file, not a folder");
    plan("Top/Resources/x.txt");
    EXPECT_EQ(make_dirs(), ENOTDIR);
    ASSERT_EQ(alerts_.alerts().size(), 1u);
    EXPECT_EQ(alerts_.alerts()[0].line2, "Error: Not a directory");
    EXPECT_EQ(alerts_.alerts()[0].line3, "Install Location: " + dest_dir_path);
    EXPECT_EQ(alerts_.alerts()[0].line4, "Install Path:" + dest_dir_path + "Resources");
}

TEST_F(DestinationFolders, FixedFolderThatCannotBeMadeIsReportedAndTheRestAttempted)
{
    testing_support::write_file(dest_dir_path + "Output/movies", "in the way");
    EXPECT_EQ(make_dirs(), 0);
    ASSERT_EQ(alerts_.alerts().size(), 1u);
    EXPECT_EQ(alerts_.alerts()[0].line4, "Install Path:" + dest_dir_path + "Output/movies");
    EXPECT_EQ(alerts_.alerts()[0].level, 1);
    EXPECT_TRUE(is_folder(dest_dir_path + "Output/situations"));
    EXPECT_TRUE(is_folder(dest_dir_path + "Output/preferences"));
}

TEST_F(DestinationFolders, FolderThroughALinkOutOfTheCopyIsRefused)
{
    scratch_dir outside;
    testing_support::write_file(dest_dir_path + ".keep", "");
    ASSERT_EQ(::symlink(outside.path().c_str(), (dest_dir_path + "Resources").c_str()), 0);
    plan("Top/Resources/maps/x.png");
    EXPECT_EQ(make_dirs(), EACCES);
    EXPECT_FALSE(file_exists(outside / "maps")) << "nothing may be made outside the destination";
}

TEST_F(DestinationFolders, FolderWithoutWritePermissionGivesThePermissionError)
{
    testing_support::write_file(dest_dir_path + ".keep", "");
    ::chmod(dest_dir_path.c_str(), 0555);
    plan("Top/Resources/x.txt");
    // As root the permission bits would not bite: the check runs as nobody.
    int result = testing_support::run_unprivileged([] {
        alert_recorder alerts;
        int err = make_dirs();
        bool text_ok = alerts.alerts().size() == 1 &&
                       alerts.alerts()[0].line2 ==
                           "Error: Permission denied. Perhaps you do not have access to a directory or file system";
        return text_ok ? err : 99;
    });
    ::chmod(dest_dir_path.c_str(), 0755);
    if (result == -1) GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(result, EACCES);
}

// A road that writes into a copy it scanned: the folder there now must be
// that copy, not one put in its place or made anew since.
TEST_F(DestinationFolders, ACopyReplacedOrGoneSinceItsScanIsNotWrittenInto)
{
    int cursor = 0;
    float progress = 0;
    ASSERT_EQ(make_dirs(), 0);
    while (!checksum_directory(cursor, kChecksumFull, progress)) checksum_directory_wait();
    ASSERT_EQ(::rename(dest_dir_path.c_str(), (dir_ / "Moved").c_str()), 0);
    ASSERT_EQ(::mkdir(dest_dir_path.c_str(), 0755), 0);
    EXPECT_EQ(make_dirs(), ESTALE);
    ASSERT_EQ(::rmdir(dest_dir_path.c_str()), 0);
    EXPECT_EQ(make_dirs(), ENOENT);
    ASSERT_EQ(alerts_.alerts().size(), 2u);
    EXPECT_EQ(alerts_.alerts()[0].line2, "Error: " + error_str(ESTALE));
    EXPECT_EQ(alerts_.alerts()[1].line2, "Error: " + error_str(ENOENT));
    EXPECT_FALSE(file_exists(dest_dir_path)) << "a copy made anew where the scanned one was";
}

}  // namespace
