// This run's private temporary folder.
#include <gtest/gtest.h>

#include <cstdlib>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "engine/installer_state.h"
#include "engine/run_temp_folder.h"
#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::scratch_dir;
using testing_support::write_file;

bool is_folder(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A test after one that removed a folder finds the uses granted.
class RunTempFolder : public testing::Test {
protected:
    void TearDown() override { run_temp_folder_forget(); }
};

TEST_F(RunTempFolder, IsAFreshPrivateFolderUnderTmp)
{
    ASSERT_EQ(make_run_temp_folder(), 0);
    const std::string first = temp_path;
    EXPECT_EQ(first.compare(0, 5, "/tmp/"), 0) << first;
    EXPECT_EQ(first.back(), '/');
    struct stat st;
    ASSERT_EQ(stat(first.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u) << "nobody else may plant files in it";
    remove_run_temp_folder();

    ASSERT_EQ(make_run_temp_folder(), 0);
    EXPECT_NE(temp_path, first) << "two runs never share a folder";
    remove_run_temp_folder();
}

TEST_F(RunTempFolder, RemovalTakesEverythingInsideButNothingALinkPointsTo)
{
    scratch_dir outside;
    write_file(outside / "keep.txt", "user data");

    ASSERT_EQ(make_run_temp_folder(), 0);
    const std::string made = temp_path;
    write_file(made + "0.zip", "partial");
    write_file(made + "sub/deeper/directory.txt", "x");
    ASSERT_EQ(symlink(outside.path().c_str(), (made + "link").c_str()), 0);

    remove_run_temp_folder();
    EXPECT_FALSE(is_folder(made)) << made << " is still there";
    EXPECT_EQ(temp_path, made) << "other threads may be reading it";
    EXPECT_FALSE(run_folder_use()) << "a use granted once the folder went";
    EXPECT_TRUE(file_exists(outside / "keep.txt")) << "removal followed a link out of the folder";
}

TEST_F(RunTempFolder, IsGoneWhenTheInstallerHandsOverAndExits)
{
    int channel[2];
    ASSERT_EQ(pipe(channel), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(channel[0]);
        if (make_run_temp_folder() != 0) _exit(2);
        testing_support::write_file(temp_path + "directory.txt", "x");
        if (write(channel[1], temp_path.data(), temp_path.size()) < 0) _exit(3);
        std::exit(1);  // as launch_app leaves
    }
    close(channel[1]);
    char made[256] = {};
    const ssize_t got = read(channel[0], made, sizeof made - 1);
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_GT(got, 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(is_folder(made)) << made << " outlived the run";
}

TEST_F(RunTempFolder, RemovesOnlyWhatItMade)
{
    scratch_dir elsewhere;
    temp_path = elsewhere.path();
    remove_run_temp_folder();
    EXPECT_TRUE(is_folder(elsewhere.path()));
    temp_path.clear();
}

}  // namespace
