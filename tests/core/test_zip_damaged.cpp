// Zips that are missing, cut short, corrupt or lying, and disks that fill.
#include <gtest/gtest.h>

#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <fcntl.h>
#include <string>
#include <vector>

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
// Nothing writes into a pipe put where an archive should be: opening it
// must not wait for a writer forever.
TEST(ZipDamaged, APipeInPlaceOfTheArchiveFailsAtOnce)
{
    scratch_dir dir;
    ASSERT_EQ(::mkfifo((dir / "x.zip").c_str(), 0600), 0);
    captured_log log;
    EXPECT_EQ(zip_to_file(dir / "x.zip", dir.path(), nullptr, 0), 20001);
}

namespace {

// The read system calls this thread has made.
long reads_made()
{
    const std::string io = read_file("/proc/thread-self/io");
    const size_t at = io.find("syscr: ");
    return at == std::string::npos ? -1 : std::stol(io.substr(at + 7));
}

}  // namespace

// The central directory of a large archive is found and read at its offset
// as well as that of a small one read whole, and its entries' headers, which
// minizip reads a few bytes at a time, from a piece read at once: passing
// over 20,000 entries takes some tens of reads, not three for each.
TEST(ZipDamaged, AnArchiveLargerThanWhatIsReadWholeUnpacksTheSame)
{
    scratch_dir dir;
    std::string big(600 * 1024, '\0');
    unsigned x = 7;
    for (char& c : big) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    write_file(dir / "big.zip", make_zip({{"a.bin", big}, {"b.txt", "after"}}));
    ASSERT_EQ(::mkdir((dir / "out").c_str(), 0755), 0);
    EXPECT_EQ(zip_to_file(dir / "big.zip", dir / "out/", nullptr, 0), 0);
    EXPECT_EQ(read_file(dir / "out/a.bin"), big);
    EXPECT_EQ(read_file(dir / "out/b.txt"), "after");

    std::vector<zip_entry> entries;
    for (int i = 0; i < 20000; ++i) entries.push_back({"__MACOSX/._a" + std::to_string(10000 + i), ""});
    entries.push_back({"c.txt", "after the Mac metadata"});
    write_file(dir / "many.zip", make_zip(entries));
    const long before = reads_made();
    EXPECT_EQ(zip_to_file(dir / "many.zip", dir / "out/", nullptr, 0), 0);
    EXPECT_LT(reads_made() - before, 1000) << "a read for each of minizip's";
    EXPECT_EQ(read_file(dir / "out/c.txt"), "after the Mac metadata");
    EXPECT_FALSE(testing_support::file_exists(dir / "out/__MACOSX"));
}

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

// Info-ZIP's -fz writes all ones in the 32-bit sizes of small files and the
// true sizes in the zip64 field: those are read, and checked as any others.
TEST(ZipDamaged, Zip64SizesAreTheEntrysOwnAndCheckedLikeAnyOthers)
{
    scratch_dir dir;
    ASSERT_EQ(testing_support::run_shell("mkdir '" + dir / "in" + "' && cd '" + dir / "in" + "' && seq 1000 > a && "
                                         "echo hello > b && head -c 100000 /dev/zero > c && zip -q -fz ../x.zip a b c")
                  .status, 0);
    const std::string made = read_file(dir / "x.zip");
    // b's central zip64 field, central header and local header.
    const size_t field = made.find(std::string("\1\0\10\0\6\0\0\0\0\0\0\0", 12)),
                 central = made.rfind("PK\1\2", field), local = made.find("PK\3\4", 1);
    // b's size back in its central header, and its zip64 field holding its
    // header's offset alone, as Info-ZIP writes one past 4 GiB.
    std::string offset_only = made.substr(central + 24, field + 12 - central - 24);
    offset_only.replace(0, 4, std::string("\6\0\0\0", 4));
    offset_only.replace(42 - 24, 4, "\xFF\xFF\xFF\xFF");
    for (size_t i = 0; i < 8; ++i) offset_only[offset_only.size() - 8 + i] = static_cast<char>(uint64_t{local} >> (8 * i));
    // `bytes` take the place of the archive's own at `at`.
    struct zip64_case { const char* what; size_t at; std::string bytes; int expected; const char* logged; };
    for (const zip64_case& c :
         {zip64_case{"as written", 0, "", 0, ""},
          zip64_case{"a byte of data changed", made.find("hello"), "j", -105, ""},
          zip64_case{"the local header's own sizes true", local + 18, std::string("\6\0\0\0\6\0\0\0", 8), 0, ""},
          zip64_case{"its header's offset alone in the zip64 field", central + 24, offset_only, 0, ""},
          zip64_case{"claiming 3 GiB from six bytes", field + 7, "\300", 20002, "claims 3221225478 bytes from 6"},
          zip64_case{"claiming 2^40", field + 4, std::string("\0\0\0\0\0\1\0\0", 8), 20002,
                     "\"b\" is refused: its size of 1099511627776 does not fit in the 32 bits that minizip reads"},
          zip64_case{"with a zip64 field cut short", field + 2, "\4", 20002, "\"b\" has no zip64 size"},
          zip64_case{"with extra fields that end within it", central + 30, " ", 20002, "\"b\" has no zip64 size"}}) {
        SCOPED_TRACE(c.what);
        write_file(dir / "x.zip", std::string(made).replace(c.at, c.bytes.size(), c.bytes));
        scratch_dir out;
        captured_log log;
        EXPECT_EQ(zip_to_file(dir / "x.zip", out.path(), nullptr, 0), c.expected);
        EXPECT_NE(log.text().find(c.logged), std::string::npos) << log.text();
        const bool whole = testing_support::run_shell("diff -r '" + dir / "in" + "' '" + out.path() + "'").status == 0;
        EXPECT_EQ(whole, !c.expected) << "byte for byte when it reads, and never whole when it does not";
    }
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

namespace {

// From here on the kernel answers `call` with `err`, as a file system or a
// process out of descriptors would; with `flags`, only the calls whose third
// argument (open's flags) is that.
void refuse_system_call(long call, int err, long flags = -1)
{
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<__u32>(call), 0, static_cast<__u8>(flags < 0 ? 1 : 3)),
    };
    if (flags >= 0) {
        filter.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])));
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<__u32>(flags), 0, 1));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<__u32>(err)));
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        _exit(2);
}

}  // namespace

// What fails here (a link or a time the file system refuses, no descriptor
// left to open the archive with) is the system's reason, never a damaged
// archive that another copy could mend.
TEST(ZipDamaged, AFailureOfThisSystemIsItsReasonNotADamagedArchive)
{
    struct local_case {
        const char* what;
        void (*impose)();
        int expected;
    };
    scratch_dir dir;
    write_file(dir / "x.zip", make_zip({{"f", "file"}, {"l", "f", archive_fixtures::unix_link()}}));
    for (const local_case& c :
         {local_case{"time refused", [] { refuse_system_call(SYS_utimensat, EPERM); }, EPERM},
          local_case{"link refused", [] { refuse_system_call(SYS_symlinkat, EPERM); }, EPERM},
          // The archive is opened so; the log and the sanitizers keep theirs.
          local_case{"no descriptor left for the archive",
                     [] { refuse_system_call(SYS_openat, EMFILE, O_RDONLY | O_NONBLOCK | O_CLOEXEC); }, EMFILE}}) {
        SCOPED_TRACE(c.what);
        ::mkdir((dir / "out").c_str(), 0755);
        int result[2];
        ASSERT_EQ(::pipe(result), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            c.impose();
            const int err = zip_to_file(dir / "x.zip", dir / "out/", nullptr, 0);
            _exit(::write(result[1], &err, sizeof err) == sizeof err ? 0 : 3);
        }
        ::close(result[1]);
        int err = 0, status = 0;
        const bool told = ::read(result[0], &err, sizeof err) == sizeof err;
        ::close(result[0]);
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(told) << "status " << status;
        EXPECT_EQ(err, c.expected);
        EXPECT_FALSE(is_archive_fault(err)) << err;
        testing_support::remove_tree(dir / "out");
    }
}
