#include <gtest/gtest.h>
#include <lzma.h>

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

// -- Coders that would set the memory an unpacking takes ---

namespace {

uint64_t get64(const std::string& s, size_t at)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
    return v;
}

void set_le(std::string& s, size_t at, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// The format's number for values below 2^21.
std::string number(uint64_t v)
{
    if (v < 0x80) return std::string(1, static_cast<char>(v));
    if (v < 0x4000) return {static_cast<char>(0x80 | v >> 8), static_cast<char>(v)};
    return {static_cast<char>(0xC0 | v >> 16), static_cast<char>(v), static_cast<char>(v >> 8)};
}

// The archive with `header` (plain or compressed) last, and checksums that match.
std::string with_header(std::string archive, size_t at, const std::string& header)
{
    archive.resize(at);
    archive += header;
    set_le(archive, 12, at - 32, 8);
    set_le(archive, 20, header.size(), 8);
    set_le(archive, 28, archive_fixtures::crc32_of(header), 4);
    set_le(archive, 8, archive_fixtures::crc32_of(archive.substr(12, 20)), 4);
    return archive;
}

// One file packed by 7zz with `method`, the header plain, and the coder
// whose bytes in the header begin with `coder` given `properties` (and
// written as `written_as`).
std::string packed_with(const std::string& method, const std::string& coder, const std::string& properties,
                        const std::string& written_as = "")
{
    scratch_dir dir;
    write_file(dir / "in/a.bin", machine_code(50000, 7));
    auto run = testing_support::run_shell("cd '" + dir / "in" + "' && 7zz a -bd -bso0 -t7z -mhc=off -m0=" + method +
                                          " ../x.7z a.bin");
    EXPECT_EQ(run.status, 0) << run.out;
    const std::string archive = read_file(dir / "x.7z");
    const size_t at = 32 + get64(archive, 12);
    std::string header = archive.substr(at);
    const size_t found = header.find(coder);
    EXPECT_NE(found, std::string::npos) << method;
    if (found != std::string::npos)
        header.replace(found, coder.size() + properties.size(), (written_as.empty() ? coder : written_as) + properties);
    return with_header(archive.substr(0, at), at, header);
}

std::string lzma_properties(uint32_t dictionary)
{
    std::string p = "\x5D....";
    set_le(p, 1, dictionary, 4);
    return p;
}

// The plain header of `archive` packed with LZMA, as 7zz packs headers,
// behind a header naming that coder with `dictionary`.
std::string header_packed(const std::string& archive, uint32_t dictionary)
{
    const size_t at = 32 + get64(archive, 12);
    const std::string plain = archive.substr(at);
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 6);
    options.dict_size = 1 << 16;
    const lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    std::string packed(plain.size() + 1024, '\0');
    lzma_stream stream = LZMA_STREAM_INIT;
    EXPECT_EQ(lzma_raw_encoder(&stream, filters), LZMA_OK);
    stream.next_in = reinterpret_cast<const uint8_t*>(plain.data());
    stream.avail_in = plain.size();
    stream.next_out = reinterpret_cast<uint8_t*>(&packed[0]);
    stream.avail_out = packed.size();
    EXPECT_EQ(lzma_code(&stream, LZMA_FINISH), LZMA_STREAM_END);
    packed.resize(stream.total_out);
    lzma_end(&stream);
    const std::string encoded = "\x17\x06" + number(at - 32) + "\x01\x09" + number(packed.size()) +
                                std::string("\x00\x07\x0B\x01\x00\x01\x23\x03\x01\x01\x05", 11) +
                                lzma_properties(dictionary) + "\x0C" + number(plain.size()) + std::string(2, '\0');
    return with_header(archive.substr(0, at) + packed, at + packed.size(), encoded);
}

}  // namespace

// A coder whose dictionary (or model) is past what any release of ours
// needs is refused as damaged before the decoder is set up, in a plain
// header or in one packed as 7zz packs them; the release tool's 32 MiB
// unpacks.
TEST(P7zExtraction, ACoderAskingForMoreMemoryThanOursIsRefusedAsDamaged)
{
    const std::string lzma("\x23\x03\x01\x01\x05", 5);
    const std::string ours = packed_with("LZMA:d16", lzma, lzma_properties(32u << 20));
    struct coder_case {
        const char* what;
        std::string archive;
        int result;
    };
    for (const coder_case& c :
         {coder_case{"LZMA of 32 MiB", ours, 0},
          coder_case{"LZMA past 64 MiB", packed_with("LZMA:d16", lzma, lzma_properties((64u << 20) + 4096)), 20016},
          coder_case{"LZMA of 256 MiB, its id led by a zero",
                     packed_with("LZMA:d16", lzma, lzma_properties(256u << 20), std::string("\x24\x00\x03\x01\x01\x05", 6)),
                     20016},
          coder_case{"LZMA2 of 1.5 GiB", packed_with("LZMA2:d16", "\x21\x21\x01", "\x27"), 20016},
          coder_case{"PPMd of 1 GiB", packed_with("PPMd:mem16m:o6", std::string("\x23\x03\x04\x01\x05", 5),
                                                  std::string("\x06\x00\x00\x00\x40", 5)),
                     20016},
          coder_case{"a packed header listing LZMA of 32 MiB", header_packed(ours, 1 << 16), 0},
          coder_case{"a packed header listing LZMA of 256 MiB",
                     header_packed(packed_with("LZMA:d16", lzma, lzma_properties(256u << 20)), 1 << 16), 20016},
          coder_case{"a header packed with a dictionary of 1 GiB", header_packed(ours, 1u << 30), 20016}}) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        write_file(dir / "x.7z", c.archive);
        captured_log log;
        EXPECT_EQ(p7z_to_file(dir / "x.7z", dir.path(), nullptr, 0), c.result);
        EXPECT_EQ(file_exists(dir / "a.bin"), c.result == 0);
        if (c.result) {
            EXPECT_NE(log.text().find("7z archive refused"), std::string::npos) << log.text();
        }
    }
}
