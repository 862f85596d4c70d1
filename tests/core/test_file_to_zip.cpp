#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "test_support.h"

using archive_fixtures::captured_log;
using testing_support::read_file;
using testing_support::run_shell;
using testing_support::scratch_dir;
using testing_support::write_file;

// Info-ZIP reads what we pack, and our reader restores its mode and time.
TEST(FileToZip, PacksOneFileThatUnzipAndZipToFileBothRestore)
{
    scratch_dir dir;
    std::string data;
    for (int i = 0; i < 100000; ++i) data += static_cast<char>('a' + i % 13);
    write_file(dir / "src/Installer Log.txt", data);
    ::chmod((dir / "src/Installer Log.txt").c_str(), 0750);
    std::string touch = "touch -d '2020-01-02 03:04:06' '" + dir / "src/Installer Log.txt" + "'";
    ASSERT_EQ(run_shell(touch).status, 0);

    ASSERT_EQ(file_to_zip(dir / "src/Installer Log.txt", dir / "x.zip"), 0);
    auto listed = run_shell("unzip -Z -l '" + dir / "x.zip" + "'");
    EXPECT_NE(listed.out.find("-rwxr-x---"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("defN"), std::string::npos) << "deflated: " << listed.out;
    auto tested = run_shell("unzip -t '" + dir / "x.zip" + "'");
    EXPECT_EQ(tested.status, 0) << tested.out;

    ::mkdir((dir / "out").c_str(), 0755);
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0), 0);
    EXPECT_EQ(read_file(dir / "out/Installer Log.txt"), data);
    struct stat in {}, out {};
    ::stat((dir / "src/Installer Log.txt").c_str(), &in);
    ::stat((dir / "out/Installer Log.txt").c_str(), &out);
    EXPECT_EQ(out.st_mode & 0777, 0750u);
    EXPECT_EQ(out.st_mtime, in.st_mtime);
}

TEST(FileToZip, AnEmptyFileMakesAnEmptyEntry)
{
    scratch_dir dir;
    write_file(dir / "empty", "");
    ASSERT_EQ(file_to_zip(dir / "empty", dir / "x.zip"), 0);
    ::mkdir((dir / "out").c_str(), 0755);
    ASSERT_EQ(zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0), 0);
    EXPECT_TRUE(testing_support::file_exists(dir / "out/empty"));
    EXPECT_EQ(read_file(dir / "out/empty"), "");
}

TEST(FileToZip, AMissingSourceGives20006AndAnUnwritableArchive20003)
{
    scratch_dir dir;
    captured_log log;
    EXPECT_EQ(file_to_zip(dir / "missing", dir / "x.zip"), 20006);
    EXPECT_FALSE(testing_support::file_exists(dir / "x.zip")) << "no archive without a source";
    write_file(dir / "src", "s");
    EXPECT_EQ(file_to_zip(dir / "src", dir / "no/such/folder/x.zip"), 20003);
    EXPECT_NE(log.text().find("file_to_zip failed with error 20003.\nfile = "), std::string::npos)
        << log.text();
}
