// delete_files: marked files go, the folders they leave empty go after them,
// and a file that stays is never recorded as gone but counted.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/file_removal.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine_test_support.h"
#include "http_harness.h"
#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::scratch_dir;
using testing_support::write_file;

class FileRemoval : public testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        dest_dir_path = dir_ / "D/";
        write_file(dest_dir_path + ".keep", "");
        stg.log_actions = 1;
    }

    file_version_struct& plan(const std::string& path, int remove = 1)
    {
        file_version_struct v;
        v.path = "Top/" + path;
        v.do_delete = remove;
        v.is_current = 1;
        v.sig_have = "0123456789abcdef0123456789abcdef";
        sim_info.push_back({v});
        return sim_info.back().back();
    }

    scratch_dir dir_;
    http_harness::captured_log log_;
};

TEST_F(FileRemoval, NothingMarkedTouchesNothing)
{
    write_file(dest_dir_path + "A/x", "x");
    plan("A/x", 0);
    delete_files();
    EXPECT_TRUE(file_exists(dest_dir_path + "A/x"));
    EXPECT_EQ(log_.text(), "");
}

TEST_F(FileRemoval, FilesGoAndTheirEmptiedFoldersAfterThemDeepestFirst)
{
    write_file(dest_dir_path + "A/B/x", "x");
    write_file(dest_dir_path + "A/C/y", "y");
    plan("A/B/x");
    plan("A/C/y");
    EXPECT_EQ(delete_files(), 0);
    EXPECT_FALSE(file_exists(dest_dir_path + "A"));
    EXPECT_TRUE(file_exists(dest_dir_path));
    EXPECT_EQ(log_.text(), "DELETING  file " + dest_dir_path + "A/B/x, with result=0.\n" +
                               "DELETING  file " + dest_dir_path + "A/C/y, with result=0.\n" +
                               "cleanup: DELETING  file " + dest_dir_path + "A/C/, with result=0.\n" +
                               "cleanup: DELETING  file " + dest_dir_path + "A/B/, with result=0.\n" +
                               "cleanup: DELETING  file " + dest_dir_path + "A/, with result=0.\n");
    EXPECT_EQ(sim_info[0].back().sig_have, "NONE");
    EXPECT_EQ(sim_info[0].back().is_current, 0);
}

TEST_F(FileRemoval, FileAlreadyGoneIsLoggedAndRecordedAsGone)
{
    file_version_struct& v = plan("missing.txt");
    EXPECT_EQ(delete_files(), 0) << "a file already gone is no failure";
    EXPECT_EQ(log_.text(), "DELETING  file " + dest_dir_path + "missing.txt, with result=2.\n");
    EXPECT_EQ(v.sig_have, "NONE");
    EXPECT_EQ(v.is_current, 0);
    delete_files();  // a second call logs it again
    EXPECT_NE(log_.text().find("result=2.\nDELETING  file "), std::string::npos);
}

TEST_F(FileRemoval, FolderWithAHiddenFileStaysAndOnlyTheFailureIsLogged)
{
    write_file(dest_dir_path + "H/x", "x");
    write_file(dest_dir_path + "H/.hidden", "h");
    plan("H/x");
    EXPECT_EQ(delete_files(), 0) << "a folder left behind is no failure";
    EXPECT_TRUE(file_exists(dest_dir_path + "H/.hidden"));
    EXPECT_NE(log_.text().find("cleanup: DELETING  file " + dest_dir_path + "H/, with result=39.\n"),
              std::string::npos)
        << log_.text();
}

TEST_F(FileRemoval, FileThatCouldNotBeDeletedStaysRecordedAsInstalled)
{
    scratch_dir outside;
    write_file(outside / "precious.txt", "keep me");
    ASSERT_EQ(::symlink(outside.path().c_str(), (dest_dir_path + "Link").c_str()), 0);
    file_version_struct& v = plan("Link/precious.txt");
    EXPECT_EQ(delete_files(), 1);
    EXPECT_EQ(testing_support::read_file(outside / "precious.txt"), "keep me")
        << "a link must not lead a deletion out of the copy";
    EXPECT_EQ(v.sig_have, "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(v.is_current, 1);
}

TEST_F(FileRemoval, LinkInsideTheCopyIsFollowedAndALinkAsTheFileIsRemovedItself)
{
    write_file(dest_dir_path + "Real/x", "x");
    ASSERT_EQ(::symlink((dest_dir_path + "Real").c_str(), (dest_dir_path + "Alias").c_str()), 0);
    scratch_dir outside;
    write_file(outside / "target", "t");
    ASSERT_EQ(::symlink((outside / "target").c_str(), (dest_dir_path + "link-file").c_str()), 0);
    plan("Alias/x");
    plan("link-file");
    delete_files();
    EXPECT_FALSE(file_exists(dest_dir_path + "Real/x"));
    EXPECT_FALSE(file_exists(dest_dir_path + "link-file"));
    EXPECT_TRUE(file_exists(outside / "target")) << "only the link goes";
}

}  // namespace
