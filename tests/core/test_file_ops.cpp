#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "test_support.h"

using testing_support::read_file;
using testing_support::run_unprivileged;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

mode_t mode_of(const std::string& path)
{
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace

TEST(FileExists, FoldersAreNotFilesButPipesAreAndTrailingSlashIsOptionalForFolders)
{
    scratch_dir dir;
    write_file(dir / "Output/f.txt", "x");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    EXPECT_TRUE(dir_exists(dir / "Output/"));
    EXPECT_TRUE(dir_exists(dir / "Output"));
    EXPECT_TRUE(dir_exists(dir / "output")) << "letter case is corrected against the disk";
    EXPECT_FALSE(file_exists(dir / "Output"));
    EXPECT_TRUE(file_exists(dir / "Output/f.txt"));
    EXPECT_FALSE(dir_exists(dir / "Output/f.txt"));
    EXPECT_TRUE(file_exists(dir / "pipe")) << "a pipe exists and is not a folder";
    EXPECT_FALSE(file_exists(dir / "nothing"));
}

TEST(MakeFolder, CreatesOneLevelAndAnExistingFolderIsNoError)
{
    scratch_dir dir;
    EXPECT_EQ(make_folder(dir / "new/"), 0);
    EXPECT_EQ(mode_of(dir / "new") & 0700, 0700);
    int again = make_folder(dir / "new");
    EXPECT_EQ(again, EEXIST);
    EXPECT_FALSE(show_make_dir_err(again));
    EXPECT_FALSE(show_make_dir_err(0));
    sErrLine = -1;
    int deep = make_folder(dir / "a/b/c");
    EXPECT_EQ(deep, ENOENT);
    EXPECT_TRUE(show_make_dir_err(deep));
    EXPECT_GT(sErrLine, 0) << "the failure's place was not recorded";
    EXPECT_NE(std::string(sErrFile).find("file_ops"), std::string::npos) << sErrFile;
}

TEST(MakeFolder, PermissionDeniedComesBackAsItsErrorNumber)
{
    scratch_dir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    std::string target = dir / "not-mine";
    int result = run_unprivileged([&] { return make_folder(target); });
    EXPECT_EQ(result, EACCES);
}

TEST(DeleteFile, TrailingSlashChoosesBetweenFolderAndFile)
{
    scratch_dir dir;
    write_file(dir / "full/f", "x");
    ASSERT_EQ(::mkdir((dir / "empty").c_str(), 0755), 0);
    EXPECT_EQ(delete_file(""), ENOENT);
    EXPECT_EQ(delete_file(dir / "full/"), ENOTEMPTY);
    EXPECT_EQ(delete_file(dir / "full"), EISDIR);
    EXPECT_EQ(delete_file(dir / "empty/"), 0);
    EXPECT_FALSE(dir_exists(dir / "empty"));
    EXPECT_EQ(delete_file(dir / "FULL/F"), 0) << "letter case is corrected first";
    EXPECT_EQ(delete_file(dir / "full/f"), ENOENT);
    EXPECT_FALSE(show_del_err(ENOENT));
}

TEST(DeleteFile, RemovesALinkAndNotItsTarget)
{
    scratch_dir dir;
    write_file(dir / "target", "keep");
    ASSERT_EQ(::symlink((dir / "target").c_str(), (dir / "link").c_str()), 0);
    EXPECT_EQ(delete_file(dir / "link"), 0);
    EXPECT_EQ(read_file(dir / "target"), "keep");
}

TEST(CopyFile, CopiesEmptyAndBlockSizedFilesWithTheirPermissionBits)
{
    scratch_dir dir;
    for (size_t size : {size_t(0), size_t(65536), size_t(3 * 65536), size_t(70001)}) {
        std::string bytes(size, '\0');
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
        write_file(dir / "src", bytes);
        ASSERT_EQ(::chmod((dir / "src").c_str(), 0751), 0);
        ASSERT_EQ(copy_file(dir / "src", dir / "dst"), 0) << size << " bytes";
        EXPECT_EQ(read_file(dir / "dst"), bytes) << size << " bytes";
        EXPECT_EQ(mode_of(dir / "dst"), 0751u) << "an executable stays executable";
    }
}

TEST(CopyFile, MissingSourceLeavesTheDestinationAsItWas)
{
    scratch_dir dir;
    write_file(dir / "dst", "precious");
    EXPECT_EQ(copy_file(dir / "missing", dir / "dst"), ENOENT);
    EXPECT_EQ(read_file(dir / "dst"), "precious");
    EXPECT_EQ(copy_file(dir / "dst", dir / "no-folder/x"), ENOENT);
    EXPECT_EQ(copy_file(dir.path(), dir / "dst"), EISDIR);
    EXPECT_EQ(read_file(dir / "dst"), "precious");
}

TEST(CopyFile, PipeSourceIsRefusedWithoutBlocking)
{
    scratch_dir dir;
    write_file(dir / "dst", "old");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    EXPECT_EQ(copy_file(dir / "fifo", dir / "dst"), ENOENT);
    EXPECT_EQ(read_file(dir / "dst"), "old");
}

TEST(CopyFile, AFailedOrStoppedCopyLeavesTheOldDestinationAndNoLeftovers)
{
    scratch_dir dir;
    write_file(dir / "src", std::string(300000, 'a'));
    write_file(dir / "dst", "old");
    std::string from = dir / "src", to = dir / "dst";
    // A disk that fills up half-way: the child may write no more than 100 KB.
    pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {100000, 100000};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        _exit(copy_file(from, to));
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), EFBIG);
    EXPECT_EQ(read_file(dir / "dst"), "old");
    EXPECT_EQ(testing_support::run_shell("ls -A " + dir.path() + " | wc -l").out, "2\n")
        << "the partial copy was left behind";

    // A copy told to stop ends before its next block, leaving the same.
    const std::atomic<bool> stop{true};
    EXPECT_EQ(copy_file(from, to, &stop), ECANCELED);
    EXPECT_EQ(read_file(dir / "dst"), "old");
    EXPECT_EQ(testing_support::run_shell("ls -A " + dir.path() + " | wc -l").out, "2\n")
        << "the stopped copy was left behind";
}

TEST(CopyFile, UnreadableSourceIsNotOpenedAndDestinationKept)
{
    scratch_dir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    write_file(dir / "secret", "s");
    ASSERT_EQ(::chmod((dir / "secret").c_str(), 0), 0);
    write_file(dir / "dst", "old");
    ASSERT_EQ(::chmod((dir / "dst").c_str(), 0666), 0);
    std::string from = dir / "secret", to = dir / "dst";
    EXPECT_EQ(run_unprivileged([&] { return copy_file(from, to); }), ENOENT);
    EXPECT_EQ(read_file(dir / "dst"), "old");
}

TEST(CopyFile, RunsOnSeveralThreadsAtOnce)
{
    scratch_dir dir;
    std::vector<std::thread> copies;
    for (int t = 0; t < 4; ++t) {
        write_file(dir / ("src" + std::to_string(t)), std::string(200000 + t, char('a' + t)));
        copies.emplace_back([&dir, t] {
            std::string n = std::to_string(t);
            for (int i = 0; i < 5; ++i) copy_file(dir / ("src" + n), dir / ("dst" + n));
        });
    }
    for (auto& c : copies) c.join();
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(read_file(dir / ("dst" + std::to_string(t))), std::string(200000 + t, char('a' + t)));
}

TEST(RenameFile, RenamesInsideOneFolder)
{
    scratch_dir dir;
    write_file(dir / "old.txt", "x");
    EXPECT_EQ(rename_file(dir.path(), "old.txt", "new.txt"), 0);
    EXPECT_EQ(read_file(dir / "new.txt"), "x");
    EXPECT_EQ(rename_file(dir.path(), "old.txt", "other.txt"), ENOENT);
}

TEST(FreeSpace, EitherOutputMayBeNullAndAMissingFolderIsMeasuredByItsParent)
{
    scratch_dir dir;
    unsigned long long total = 0, free = 0, only_total = 0, only_free = 0;
    ASSERT_EQ(get_free_space(dir / "Dest/", &total, &free), 0);
    EXPECT_GT(total, 0u);
    EXPECT_LE(free, total);
    EXPECT_EQ(get_free_space(dir / "Dest", &only_total, nullptr), 0);
    EXPECT_EQ(get_free_space("/", nullptr, &only_free), 0);
    EXPECT_EQ(only_total, total);
    EXPECT_GT(only_free, 0u);
    unsigned long long here = 0;
    EXPECT_EQ(get_free_space("Dest", &here, nullptr), 0) << "no '/' means the working folder";
    EXPECT_GT(here, 0u);
}

TEST(FreeSpace, FailureLeavesTheOutputsUntouched)
{
    unsigned long long total = 42, free = 43;
    EXPECT_EQ(get_free_space("/no/such/folder/x", &total, &free), ENOENT);
    EXPECT_EQ(total, 42u);
    EXPECT_EQ(free, 43u);
}

namespace {

std::string pe_file()
{
    std::string exe(200, '\0');
    exe[0] = 'M';
    exe[1] = 'Z';
    exe[60] = static_cast<char>(128);  // PE header offset
    exe.replace(128, 4, std::string("PE\0\0", 4));
    exe[128 + 22] = 0x02;  // executable image
    exe[128 + 23] = 0x01;
    return exe;
}

}  // namespace

TEST(LargeAddressAware, SetsOnlyTheOneBitAndASecondCallChangesNothing)
{
    scratch_dir dir;
    write_file(dir / "app.exe", pe_file());
    ASSERT_EQ(make_file_large_address_aware(dir / "app.exe"), 0);
    std::string once = read_file(dir / "app.exe");
    std::string expected = pe_file();
    expected[128 + 22] = 0x22;
    EXPECT_EQ(once, expected);
    ASSERT_EQ(make_file_large_address_aware(dir / "app.exe"), 0);
    EXPECT_EQ(read_file(dir / "app.exe"), once);
}

TEST(LargeAddressAware, RefusesShortTextAndSignaturelessFiles)
{
    scratch_dir dir;
    write_file(dir / "short", "MZ tiny");
    write_file(dir / "text", std::string(100, 't'));
    std::string no_pe = pe_file();
    no_pe[129] = 'X';
    write_file(dir / "nope", no_pe);
    std::string far = pe_file();
    far[60] = static_cast<char>(190);  // header runs past the end
    write_file(dir / "far", far);
    EXPECT_EQ(make_file_large_address_aware(dir / "short"), EIO);
    EXPECT_EQ(make_file_large_address_aware(dir / "text"), kErrNotDosExe);
    EXPECT_EQ(make_file_large_address_aware(dir / "nope"), kErrNotPeExe);
    EXPECT_EQ(make_file_large_address_aware(dir / "far"), EIO);
    EXPECT_EQ(make_file_large_address_aware(dir / "missing"), ENOENT);
    EXPECT_EQ(read_file(dir / "nope"), no_pe);
}
