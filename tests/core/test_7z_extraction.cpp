#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <utility>
#include <vector>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "core/diag/error_codes.h"
#include "test_support.h"

using archive_fixtures::captured_log;
using archive_fixtures::make_7z;
using archive_fixtures::rename_in_7z;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

// Code-like bytes give the BCJ2 filter calls and jumps to split out.
std::string machine_code(size_t n, unsigned seed)
{
    std::string out;
    unsigned x = seed;
    while (out.size() < n) {
        x = x * 1103515245u + 12345u;
        out += static_cast<char>(0xE8);
        for (int i = 0; i < 4; ++i) out += static_cast<char>((x >> (8 * i)) & 0xFF);
        out += "\x55\x48\x89\xE5";
    }
    out.resize(n);
    return out;
}

}  // namespace

TEST(P7zExtraction, UnpacksASolidBcj2ArchiveByteForByte)
{
    scratch_dir dir;
    std::vector<std::pair<std::string, std::string>> files = {
        {"a.bin", machine_code(200000, 1)},
        {"empty.txt", ""},
        {"sub/b.bin", machine_code(70000, 2)},
        {"sub/deeper/c.txt", std::string(5000, 'c')},
        {"caf\xC3\xA9.txt", "accent"},
    };
    write_file(dir / "x.7z", make_7z(files));
    ::mkdir((dir / "out").c_str(), 0755);
    ::mkdir((dir / "out/sub").c_str(), 0755);
    ::mkdir((dir / "out/sub/deeper").c_str(), 0755);

    std::string last;
    ASSERT_EQ(p7z_to_file(dir / "x.7z", dir / "out/", &last, 0), 0);
    for (const auto& [name, data] : files) {
        ASSERT_TRUE(file_exists(dir / ("out/" + name))) << name;
        EXPECT_EQ(read_file(dir / ("out/" + name)), data) << name;
    }
    EXPECT_EQ(last.substr(0, dir.path().size() + 4), dir / "out/") << last;
    EXPECT_TRUE(file_exists(last)) << "the name holds the last file written: " << last;
}

TEST(P7zExtraction, FoldersAreNotMadeSoAMissingOneGivesEnoent)
{
    scratch_dir dir;
    write_file(dir / "x.7z", make_7z({{"a.txt", "a"}, {"sub/b.txt", "b"}}));
    EXPECT_EQ(p7z_to_file(dir / "x.7z", dir.path(), nullptr, 0), ENOENT);
    EXPECT_FALSE(file_exists(dir / "sub"));
}

TEST(P7zExtraction, RenamesTheFirstFile)
{
    scratch_dir dir;
    write_file(dir / "x.7z", make_7z({{"a.txt", "a"}, {"b.txt", "b"}}));
    std::string name = "first.txt";
    ASSERT_EQ(p7z_to_file(dir / "x.7z", dir.path(), &name, 1), 0);
    EXPECT_EQ(read_file(dir / "first.txt"), "a");
    EXPECT_EQ(read_file(dir / "b.txt"), "b");
    EXPECT_EQ(name, dir / "b.txt");
}

TEST(P7zExtraction, MissingNonArchiveAndTruncatedArchivesFailWithoutWriting)
{
    scratch_dir dir;
    EXPECT_EQ(p7z_to_file(dir / "nowhere/x.7z", dir.path(), nullptr, 0), ENOENT);
    write_file(dir / "text.7z", "not a 7z archive, only words\n");
    EXPECT_EQ(p7z_to_file(dir / "text.7z", dir.path(), nullptr, 0), 20016);

    std::string whole = make_7z({{"a.bin", machine_code(100000, 3)}});
    ::mkdir((dir / "out").c_str(), 0755);
    for (size_t keep : {size_t(3), size_t(32), whole.size() / 2, whole.size() - 1}) {
        write_file(dir / "cut.7z", whole.substr(0, keep));
        captured_log log;
        int err = p7z_to_file(dir / "cut.7z", dir / "out/", nullptr, 0);
        EXPECT_TRUE(err == 20016 || err == 20017) << "kept " << keep << " bytes: " << err;
        EXPECT_FALSE(file_exists(dir / "out/a.bin")) << "kept " << keep;
        EXPECT_NE(log.text().find("7z to file failed with error err = "), std::string::npos);
    }
}

// Damage inside the packed data shows when it is decoded; the file it
// belongs to is never written.
TEST(P7zExtraction, CorruptDataGives20017AndWritesNothing)
{
    scratch_dir dir;
    std::string archive = make_7z({{"a.bin", machine_code(100000, 4)}});
    for (size_t at = 40; at < 240; ++at) archive[at] = static_cast<char>(archive[at] ^ 0x5A);
    write_file(dir / "bad.7z", archive);
    EXPECT_EQ(p7z_to_file(dir / "bad.7z", dir.path(), nullptr, 0), 20017);
    EXPECT_EQ(error_str(20017), "We were unable to read from a 7z archive. It may be missing or damaged");
    EXPECT_FALSE(file_exists(dir / "a.bin"));
}

TEST(P7zExtraction, RefusesNamesThatClimbOutOrAreAbsolute)
{
    for (const char* hostile : {"../esc", "/tmp/e"}) {
        scratch_dir dir;
        ::mkdir((dir / "out").c_str(), 0755);
        std::string archive = make_7z({{"ok.txt", "fine"}, {"zzzzzz", "evil"}});
        write_file(dir / "x.7z", rename_in_7z(archive, "zzzzzz", hostile));
        captured_log log;
        EXPECT_EQ(p7z_to_file(dir / "x.7z", dir / "out/", nullptr, 0), 20016) << hostile;
        EXPECT_FALSE(file_exists(dir / "esc")) << hostile;
        EXPECT_FALSE(file_exists("/tmp/e"));
        EXPECT_NE(log.text().find("Refused archive entry"), std::string::npos) << log.text();
    }
}

// A full disk (the file-size limit stands in for it, in a child so it binds
// no test) fails with the archive's write code; the log keeps the system's
// reason and the old file stays.
TEST(P7zExtraction, AFailedWriteGives20018AndKeepsTheOldFile)
{
    scratch_dir dir;
    write_file(dir / "x.7z", make_7z({{"big.bin", machine_code(100000, 5)}}));
    write_file(dir / "big.bin", "old");
    captured_log log;
    pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        _exit(p7z_to_file(dir / "x.7z", dir.path(), nullptr, 0) == 20018 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    EXPECT_EQ(read_file(dir / "big.bin"), "old") << "half a new file took its place";
    EXPECT_NE(log.text().find("failed: File too large"), std::string::npos) << log.text();
}
