// Zips that are missing, cut short, corrupt or lying, and disks that fill.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "test_support.h"

using archive_fixtures::captured_log;
using archive_fixtures::make_zip;
using archive_fixtures::zip_entry;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

TEST(ZipDamaged, AMissingArchiveGives20001AndSaysWhichFile)
{
    scratch_dir dir;
    captured_log log;
    EXPECT_EQ(zip_to_file(dir / "nowhere/x.zip", dir.path(), nullptr, 0), 20001);
    std::string text = log.text();
    EXPECT_NE(text.find("OK I am about to report that I could not open a zip file for extraction!"),
              std::string::npos) << text;
    EXPECT_NE(text.find("That incoming file is " + dir / "nowhere/x.zip"), std::string::npos) << text;
    EXPECT_NE(text.find("Zip to file failed with error err = 20001. file = "), std::string::npos)
        << text;
    EXPECT_EQ(error_str(20001), "We were unable to open a zip file. It may be missing or damaged");
}

TEST(ZipDamaged, NonArchivesAndTruncatedArchivesCannotBeOpened)
{
    scratch_dir dir;
    write_file(dir / "text.zip", "this is not a zip archive at all\n");
    EXPECT_EQ(zip_to_file(dir / "text.zip", dir.path(), nullptr, 0), 20001);
    std::string whole = make_zip({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}});
    write_file(dir / "cut.zip", whole.substr(0, whole.size() / 2));
    EXPECT_EQ(zip_to_file(dir / "cut.zip", dir.path(), nullptr, 0), 20001);
    // Cut inside the end record: minizip finds it and calls the zip bad.
    write_file(dir / "cut.zip", whole.substr(0, whole.size() - 10));
    EXPECT_EQ(zip_to_file(dir / "cut.zip", dir.path(), nullptr, 0), -103);
    EXPECT_FALSE(testing_support::file_exists(dir / "a.txt"));
    write_file(dir / "empty.zip", "");
    EXPECT_EQ(zip_to_file(dir / "empty.zip", dir.path(), nullptr, 0), 20001);
}

// The damaged entry never reaches the disk, so a good file already there
// survives a bad download.
TEST(ZipDamaged, ABadCrcStopsWithMinizipsCodeAndKeepsTheOldFile)
{
    scratch_dir dir;
    write_file(dir / "b.txt", "good old contents");
    write_file(dir / "x.zip", make_zip({{"a.txt", "fine"}, {"b.txt", "broken", 0100644u << 16, true},
                                        {"c.txt", "never reached"}}));
    captured_log log;
    EXPECT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), -105);
    EXPECT_EQ(read_file(dir / "a.txt"), "fine") << "entries before the damage stay";
    EXPECT_EQ(read_file(dir / "b.txt"), "good old contents");
    EXPECT_FALSE(testing_support::file_exists(dir / "c.txt"));
    EXPECT_NE(log.text().find("Zip to file failed with error -105"), std::string::npos) << log.text();
    EXPECT_NE(log.text().find("inFile=" + dir / "b.txt"), std::string::npos) << log.text();
}

// A header may claim gigabytes for a few bytes of data: no such allocation.
TEST(ZipDamaged, ASizeTheDataCannotHoldIsAShortRead)
{
    scratch_dir dir;
    zip_entry liar{"big.bin", "tiny"};
    liar.claimed_size = 0xFFFFFF00u;
    write_file(dir / "x.zip", make_zip({liar}));
    EXPECT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 20002);
    EXPECT_FALSE(testing_support::file_exists(dir / "big.bin"));
}

TEST(ZipDamaged, AnEntryInAFolderThatDoesNotExistStopsWithEnoent)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"missing/a.txt", "a"}, {"b.txt", "b"}}));
    EXPECT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), ENOENT);
    EXPECT_FALSE(testing_support::file_exists(dir / "b.txt"));
}

TEST(ZipDamaged, ANameTooLongForTheBufferFailsInsteadOfBeingCut)
{
    scratch_dir dir;
    std::string name = std::string(300, 'n');
    write_file(dir / "x.zip", make_zip({{name, "x"}}));
    EXPECT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), ENAMETOOLONG);
    EXPECT_EQ(testing_support::run_shell("ls '" + dir.path() + "'").out, "x.zip\n");
}

// A full disk is a failure with the system's reason, never a success: the
// file-size limit stands in for the disk, in a child so it binds no test.
TEST(ZipDamaged, AFullDiskIsAFailureWithErrnoAndKeepsTheOldFile)
{
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"big.bin", std::string(100000, 'b')}}));
    write_file(dir / "big.bin", "old");
    pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        _exit(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0) == EFBIG ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(testing_support::read_file(dir / "big.bin"), "old") << "half a new file took its place";
    EXPECT_EQ(testing_support::run_shell("ls -A '" + dir.path() + "'").out, "big.bin\nx.zip\n")
        << "the partial file was left behind";
}

// Outside an install nothing says how large a file should be, but no file
// larger than the disk's free space is begun: the check comes before a byte
// is written.  The disk is a small one of the test's own, in a child with
// a mount table of its own.
TEST(ZipDamaged, AnEntryLargerThanTheFreeSpaceIsRefusedBeforeAByteIsWritten)
{
    scratch_dir dir;
    ::mkdir((dir / "small").c_str(), 0755);
    write_file(dir / "x.zip", make_zip({{"big.bin", std::string(1024 * 1024, 'b')}}));
    archive_fixtures::captured_log log;
    pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("small", (dir / "small").c_str(), "tmpfs", 0, "size=64k") != 0)
            _exit(2);
        _exit(zip_to_file(dir / "x.zip", dir / "small/", nullptr, 0) == ENOSPC ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) GTEST_SKIP() << "no mount namespace for a small disk here";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_NE(log.text().find("larger than the free space"), std::string::npos) << log.text();
}
