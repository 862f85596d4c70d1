#include <gtest/gtest.h>
#include <lzma.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "core/archives/decoding_purses.h"
#include "core/archives/seven_zip_coders.h"
#include "core/archives/unpack_memory.h"
#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "test_support.h"

using archive_fixtures::captured_log;
using archive_fixtures::hand_made_7z;
using archive_fixtures::make_7z;
using archive_fixtures::rename_in_7z;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::refused_for_a_sanitizers_time;
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

// Code whose calls lead within 64 KiB ahead, which BCJ2 takes out into its
// call stream, 4 bytes of every 9.
std::string near_calls(size_t n, unsigned seed)
{
    std::string out;
    unsigned x = seed;
    while (out.size() < n) {
        x = x * 1103515245u + 12345u;
        out += std::string("\xE8", 1) + static_cast<char>(x >> 8) + static_cast<char>(x >> 16) + std::string(2, '\0');
        out += "\x55\x48\x89\xE5";
    }
    out.resize(n);
    return out;
}

// Words of a few letters, as text packs.
std::string text(size_t n, unsigned seed)
{
    std::string out;
    unsigned x = seed;
    while (out.size() < n) {
        x = x * 1103515245u + 12345u;
        out += std::string("alphabetagammadeltaepsilonzeta").substr(x >> 27 & 15, 2 + (x >> 20 & 7)) + ' ';
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

// Damage inside the packed data shows when it is decoded, the library's
// reason in the log; the file it belongs to is never written.
TEST(P7zExtraction, CorruptDataGives20017AndWritesNothing)
{
    scratch_dir dir;
    std::string archive = make_7z({{"a.bin", machine_code(100000, 4)}});
    for (size_t at = 40; at < 240; ++at) archive[at] = static_cast<char>(archive[at] ^ 0x5A);
    write_file(dir / "bad.7z", archive);
    captured_log log;
    EXPECT_EQ(p7z_to_file(dir / "bad.7z", dir.path(), nullptr, 0), 20017);
    EXPECT_TRUE(testing_support::has(log.text(), "7z data of " + dir / "bad.7z" + " unreadable: Decompression failed"))
        << log.text();
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

// The kit's, by their short names here.
constexpr auto number = archive_fixtures::seven_zip_number;
constexpr auto with_header = archive_fixtures::with_7z_header;

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

// `data` packed by 7zz at -mx=9 from a pipe, as "a.bin": not knowing its
// size, 7zz names the preset's whole dictionary over however little.
std::string packed_from_pipe(const std::string& data)
{
    scratch_dir dir;
    write_file(dir / "in", data);
    auto run = testing_support::run_shell("cat '" + dir / "in" + "' | 7zz a -bd -bso0 -t7z -mx=9 -sia.bin '" + dir / "x.7z" +
                                          "' && 7zz l -slt '" + dir / "x.7z" + "' | grep -q 'Method = LZMA2:28'");
    EXPECT_EQ(run.status, 0) << run.out;
    return read_file(dir / "x.7z");
}

std::string lzma_properties(uint32_t dictionary)
{
    std::string p = "\x5D....";
    set_le(p, 1, dictionary, 4);
    return p;
}

// `plain` and then `zeros` zero bytes, packed with LZMA as a raw stream
// with a dictionary of 64 KiB; the zeros are fed a piece at a time.
std::string lzma_of(const std::string& plain, uint64_t zeros = 0)
{
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 0);
    options.dict_size = 1 << 16;
    const lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream stream = LZMA_STREAM_INIT;
    EXPECT_EQ(lzma_raw_encoder(&stream, filters), LZMA_OK);
    const std::string piece(1 << 20, '\0');
    // LZMA packs zeros a thousand to one and more.
    std::string packed(plain.size() + zeros / 1000 + 4096, '\0');
    stream.next_in = reinterpret_cast<const uint8_t*>(plain.data());
    stream.avail_in = plain.size();
    stream.next_out = reinterpret_cast<uint8_t*>(&packed[0]);
    stream.avail_out = packed.size();
    for (lzma_ret r = LZMA_OK; r == LZMA_OK;) {
        if (stream.avail_in == 0 && zeros > 0) {
            stream.next_in = reinterpret_cast<const uint8_t*>(piece.data());
            stream.avail_in = std::min<uint64_t>(zeros, piece.size());
            zeros -= stream.avail_in;
        }
        r = lzma_code(&stream, stream.avail_in > 0 || zeros > 0 ? LZMA_RUN : LZMA_FINISH);
        EXPECT_TRUE(r == LZMA_OK || r == LZMA_STREAM_END) << r;
    }
    packed.resize(stream.total_out);
    lzma_end(&stream);
    return packed;
}

// The archive `before` (its start and packed streams) with `plain` packed
// with LZMA after them, as 7zz packs headers, behind a header naming that
// coder with `dictionary`; the stream goes on for `zeros` more.
std::string with_packed_header(const std::string& before, const std::string& plain, uint32_t dictionary,
                               uint64_t zeros = 0)
{
    const size_t at = before.size();
    const std::string packed = lzma_of(plain, zeros);
    const std::string encoded = "\x17\x06" + number(at - 32) + "\x01\x09" + number(packed.size()) +
                                std::string("\x00\x07\x0B\x01\x00\x01\x23\x03\x01\x01\x05", 11) +
                                lzma_properties(dictionary) + "\x0C" + number(plain.size()) + std::string(2, '\0');
    return with_header(before + packed, at + packed.size(), encoded);
}

std::string header_packed(const std::string& archive, uint32_t dictionary)
{
    const size_t at = 32 + get64(archive, 12);
    return with_packed_header(archive.substr(0, at), archive.substr(at), dictionary);
}

}  // namespace

// A coder whose dictionary (or model) is past what 7zz names for its data,
// and past what any preset names over however little, is refused as
// damaged before the decoder is set up, in a plain header or in one packed
// as 7zz packs them; the release tool's 32 MiB unpacks, as does a preset's
// 256 MiB over a few kilobytes, as 7zz names it for a file read from a pipe.
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
          coder_case{"LZMA2 of 256 MiB from a pipe at -mx=9", packed_from_pipe(machine_code(50000, 7)), 0},
          coder_case{"LZMA past 256 MiB", packed_with("LZMA:d16", lzma, lzma_properties((256u << 20) + 4096)), 20016},
          coder_case{"LZMA of 1 GiB, its id led by a zero",
                     packed_with("LZMA:d16", lzma, lzma_properties(1u << 30), std::string("\x24\x00\x03\x01\x01\x05", 6)),
                     20016},
          coder_case{"LZMA2 of 1.5 GiB", packed_with("LZMA2:d16", "\x21\x21\x01", "\x27"), 20016},
          coder_case{"PPMd of 1 GiB", packed_with("PPMd:mem16m:o6", std::string("\x23\x03\x04\x01\x05", 5),
                                                  std::string("\x06\x00\x00\x00\x40", 5)),
                     20016},
          coder_case{"a packed header listing LZMA of 32 MiB", header_packed(ours, 1 << 16), 0},
          coder_case{"a packed header listing LZMA of 1 GiB",
                     header_packed(packed_with("LZMA:d16", lzma, lzma_properties(1u << 30)), 1 << 16), 20016},
          coder_case{"a header packed as 7zz packs one, with 1 MiB", header_packed(ours, 1u << 20), 0},
          coder_case{"a header packed with a dictionary past 1 MiB", header_packed(ours, (1u << 20) + 4096), 20016},
          coder_case{"a header packed with a dictionary of 1 GiB", header_packed(ours, 1u << 30), 20016}}) {
        SCOPED_TRACE(c.what);
        scratch_dir dir;
        write_file(dir / "x.7z", c.archive);
        captured_log log;
        const int err = p7z_to_file(dir / "x.7z", dir.path(), nullptr, 0);
        if (refused_for_a_sanitizers_time(c.result, nullptr, log.text())) continue;
        EXPECT_EQ(err, c.result);
        EXPECT_EQ(file_exists(dir / "a.bin"), c.result == 0);
        if (c.result) {
            EXPECT_NE(log.text().find("7z archive refused"), std::string::npos) << log.text();
        }
    }
}

// -- Headers that claim more than an archive of a release holds ---

// They are refused in a few megabytes, and what 7-Zip writes at the bounds
// still reads.  The rows come in parts, each a test of its own, so that
// CTest runs them side by side: each row forks a child, and together they
// take minutes on a busy machine.

namespace {

const std::string kStart = std::string("7z\xBC\xAF\x27\x1C\x00\x04", 8) + std::string(24, '\0');

// A plain header of `folders` folders, each of `coders` Copy coders in a
// chain, over `pack_streams` empty pack streams, the folders' `digests`
// after their sizes, and of no file but `padding` bytes of filler (7zz pads
// its headers so): libarchive reads it as an empty archive.
std::string counted_header(uint64_t folders, uint64_t coders, uint64_t pack_streams, uint64_t padding = 0,
                           const std::string& digests = "")
{
    std::string h =
        std::string("\x01\x04\x06\x00", 4) + number(pack_streams) + "\x09" + std::string(pack_streams + 1, '\0');
    if (folders) {
        h += "\x07\x0B" + number(folders) + std::string(1, '\0');
        for (uint64_t f = 0; f < folders; ++f) {
            h += number(coders);
            for (uint64_t c = 0; c < coders; ++c) h += std::string("\x01\x00", 2);
            for (uint64_t c = 1; c < coders; ++c) h += number(c) + number(c - 1);
        }
        h += "\x0C" + std::string(folders * coders, '\0') + digests + '\0';
    }
    h += std::string("\x00\x05\x00", 3);
    if (padding) h += "\x19" + number(padding) + std::string(padding, '\0');
    return h + std::string(2, '\0');
}

// The same of one folder, one coder and one pack stream, padded to `size` bytes.
std::string header_of_size(uint64_t size)
{
    // The filler's property takes its id and its number besides.
    const uint64_t filled = size - counted_header(1, 1, 1).size() - 1;
    size_t digits = 1;
    while (number(filled - digits).size() != digits) ++digits;
    return counted_header(1, 1, 1, filled - digits);
}

// A plain header of a Copy folder over an empty pack stream for each count
// in `sub_streams`, holding that many sub-streams of no bytes (or the
// `sizes` listed), then `files` files, named "0", "1" and on when `named`
// (each a sub-stream's, in turn).
std::string sub_stream_header(const std::vector<uint64_t>& sub_streams, uint64_t files, bool named,
                              const std::string& sizes = "")
{
    const uint64_t folders = sub_streams.size();
    std::string h = std::string("\x01\x04\x06\x00", 4) + number(folders) + "\x09" + std::string(folders + 1, '\0');
    h += "\x07\x0B" + number(folders) + std::string(1, '\0');
    for (uint64_t f = 0; f < folders; ++f) h += std::string("\x01\x01\x00", 3);
    h += "\x0C" + std::string(folders + 1, '\0') + "\x08\x0D";
    for (const uint64_t n : sub_streams) h += number(n);
    h += sizes + std::string("\x00\x00\x05", 3) + number(files);
    if (named) {
        std::string names(1, '\0');
        for (uint64_t i = 0; i < files; ++i)
            for (const char c : std::to_string(i) + '\0') names += std::string{c, '\0'};
        h += "\x11" + number(names.size()) + names;
    }
    return h + std::string(2, '\0');
}

// One file, "a", in one folder of `coders` (as the header lists them, with
// their bindings and pack streams) over `packs`, whose outputs claim
// `sizes`, the last the file's; a link when `link`.  The header claims
// `first_pack_claim` bytes for the first pack stream, when not 0.
std::string one_file(const std::string& coders, const std::vector<std::string>& packs,
                     const std::vector<uint64_t>& sizes, bool link, uint64_t first_pack_claim = 0)
{
    return hand_made_7z({{coders, packs, sizes, {}}}, {{"a", link ? 0xA1FF8000u : 0}}, first_pack_claim);
}

// An LZMA coder as 7zz lists one, naming a dictionary of `dictionary` bytes.
std::string lzma_coder(uint32_t dictionary) { return "\x23\x03\x01\x01\x05" + lzma_properties(dictionary); }

const std::string kLzmaCoder = lzma_coder(1 << 16);
// BCJ2 after three coders, bound and packed as 7zz writes them: the first
// coder's output is its jumps, the second's its calls, the third's its main
// stream; the pack streams go to the third, to its range coder, to the
// second and to the first.
const std::string kBcj2After =
    std::string("\x14\x03\x03\x01\x1B\x04\x01" "\x05\x00\x04\x01\x03\x02" "\x02\x06\x01\x00", 17);

// A link whose text is `bytes` zeros, which libarchive reads whole.
std::string link_of(uint64_t bytes)
{
    return one_file("\x01" + kLzmaCoder, {lzma_of("", bytes)}, {bytes}, true);
}

// A file of a release's form (BCJ2 after three LZMA coders, bound and
// packed as 7zz writes them) whose call stream is `calls` zeros, which
// libarchive decodes whole before the file's first byte.
std::string bcj2_calls_of(uint64_t calls)
{
    const std::string main = machine_code(4096, 3);
    const std::string coders = "\x04" + kLzmaCoder + kLzmaCoder + kLzmaCoder + kBcj2After;
    return one_file(coders, {lzma_of(main), std::string(5, '\0'), lzma_of("", calls), lzma_of("", 4)},
                    {4, calls, main.size(), main.size()}, false);
}

// A coder of a hand-made chain: BCJ2 or Copy, of so many inputs.
struct chained {
    bool bcj2;
    unsigned inputs;
};

// One file, "a", in a folder of `coders` in a chain: each coder's output
// feeds the next one's first input, and every other input is a pack
// stream of its own, of four stored bytes, in turn.
std::string chain_of(const std::vector<chained>& coders)
{
    std::string listed = number(coders.size()), bound, packed;
    unsigned input = 0, packs = 0;
    for (size_t c = 0; c < coders.size(); ++c) {
        listed += (coders[c].bcj2 ? "\x14\x03\x03\x01\x1B" : std::string("\x11\x00", 2)) +
                  number(coders[c].inputs) + "\x01";
        if (c > 0) bound += number(input) + number(c - 1);
        for (unsigned i = c > 0 ? 1 : 0; i < coders[c].inputs; ++i, ++packs) packed += number(input + i);
        input += coders[c].inputs;
    }
    return one_file(listed + bound + (packs > 1 ? packed : ""), std::vector<std::string>(packs, "abcd"),
                    std::vector<uint64_t>(coders.size(), 4), false);
}

// A folder holding "a.bin": 64 KiB of noise, then zeros (a hole in the
// file) to `bytes` in all.
void noise_and_zeros(const scratch_dir& folder, uint64_t bytes)
{
    write_file(folder / "a.bin", machine_code(1 << 16, 5));
    EXPECT_EQ(::truncate((folder / "a.bin").c_str(), static_cast<off_t>(bytes)), 0);
}

// Every file of `folder` packed by 7zz with `options`.
std::string packed_by_7zz(const scratch_dir& folder, const std::string& options)
{
    scratch_dir dir;
    const auto run = testing_support::run_shell("cd '" + folder.path() + "' && 7zz a -bd -bso0 -t7z " + options +
                                                " '" + dir / "x.7z" + "' *");
    EXPECT_EQ(run.status, 0) << run.out;
    return read_file(dir / "x.7z");
}

// What an unpacking may grow by, past what its data fills of its dictionary
// and past the share its header check weighed.
constexpr long kResidentGrowthKb = 16 * 1024;

// 50 letters, then `n`.
std::string long_name(unsigned n) { return std::string(50, 'n') + std::to_string(n); }

// `files` entries of no stream, folders to the library, each named
// `units` UTF-16 units of `unit`, its number last, in a plain header or in
// one packed as 7zz packs them; with `honest`, each with the times,
// attributes and anti bit an honest header may give an entry too; with
// `padded`, the names followed by padding that fills the header to the
// bound, which the library reads as one piece.
std::string named_entries(uint64_t files, uint64_t units, uint16_t unit, bool packed, bool honest = false,
                          bool padded = false)
{
    const std::string one_unit{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    std::string names(1, '\0');  // not kept elsewhere
    for (uint64_t i = 0; i < files; ++i) {
        const std::string digits = std::to_string(i);
        for (uint64_t u = digits.size(); u < units; ++u) names += one_unit;
        for (const char c : digits + '\0') names += std::string{c, '\0'};
    }
    const std::string bits((files + 7) / 8, '\xFF');
    std::string h = "\x01\x05" + number(files) + "\x0E" + number(bits.size()) + bits;
    if (honest) h += "\x10" + number(bits.size()) + std::string(bits.size(), '\0');  // none deleted
    h += "\x11" + number(names.size()) + names;
    if (honest) {
        for (const char time : {'\x12', '\x14'}) h += time + number(2 + 8 * files) + "\x01" + std::string(8 * files + 1, '\0');
        std::string folder = "\x10\x80\xED\x41";  // a folder, and its Unix mode 040755
        h += "\x15" + number(2 + 4 * files) + std::string("\x01\x00", 2);
        for (uint64_t i = 0; i < files; ++i) h += folder;
    }
    if (padded) {
        const uint64_t padding = kMax7zHeaderBytes - h.size() - 16;
        h += "\x19" + number(padding) + std::string(padding, '\0');
    }
    h += std::string(2, '\0');
    return packed ? with_packed_header(kStart, h, 1u << 20) : with_header(kStart, 32, h);
}

// One entry whose name fills a header at the bound.
std::string name_filling_the_bound(uint16_t unit, bool packed)
{
    return named_entries(1, (kMax7zHeaderBytes - 64) / 2, unit, packed);
}

// As many entries as the bound, each named as long as a path can be and
// holding no stream, and no streams at all, in a header packed as 7zz packs
// one: some 32 MiB of header, which the library holds whole, from a few
// tens of kilobytes.
std::string long_names_and_no_streams() { return named_entries(kMax7zFiles, kMaxLinkTarget - 1, 'n', true); }

// `count` files of `size` zeros, each in a folder of its own, that are
// character devices by their Unix modes, then the small file "z.bin".
std::string devices_then_a_file(unsigned count, uint64_t size)
{
    scratch_dir in;
    for (unsigned i = 0; i < count; ++i) {
        write_file(in / ("d" + std::to_string(100 + i)), "");
        EXPECT_EQ(::truncate((in / ("d" + std::to_string(100 + i))).c_str(), static_cast<off_t>(size)), 0);
    }
    write_file(in / "z.bin", "z");
    const std::string file_mode("\x20\x80\xA4\x81", 4), device_mode("\x20\x80\xA4\x21", 4);
    return archive_fixtures::patch_7z_header(packed_by_7zz(in, "-mhc=off -ms=off"), [&](std::string& header) {
        const std::string attributes = "\x15" + number(2 + 4 * (count + 1)) + std::string("\x01\x00", 2);
        size_t at = header.find(attributes);
        ASSERT_NE(at, std::string::npos);
        at += attributes.size();
        for (unsigned i = 0; i < count; ++i, at += 4) {
            ASSERT_EQ(header.substr(at, 4), file_mode);
            header.replace(at, 4, device_mode);
        }
    });
}

// `count` character devices of 4 KiB of zeros, then "a.bin", whose LZMA2
// streams go on past what they claim (going_on_for_gigabytes).
std::string devices_over_zeros(unsigned count, bool solid)
{
    std::vector<archive_fixtures::hand_file> devices;
    for (unsigned i = 0; i < count; ++i) devices.push_back({"d" + std::to_string(100 + i), 0x21A48020});
    return archive_fixtures::going_on_for_gigabytes(devices, {"a.bin", 0}, machine_code(5000, 10), solid);
}

// `folders`, each holding a device, then `count` devices each in a folder
// of its own claiming `claim` zeros whose LZMA2 stream goes on for
// `hidden` more, each followed by `empties` empty files, then the file
// "a.bin".
std::string devices_hiding(std::vector<archive_fixtures::hand_folder> folders, unsigned count, uint64_t claim,
                           uint64_t hidden, unsigned empties = 0)
{
    const archive_fixtures::hand_folder hiding = archive_fixtures::lzma2_folder(std::string(claim, '\0'), hidden);
    const size_t before = folders.size();
    folders.insert(folders.end(), count, hiding);
    std::vector<archive_fixtures::hand_file> files;
    for (size_t i = 0; i < folders.size(); ++i) {
        files.push_back({"d" + std::to_string(100 + i), 0x21A48020});
        for (unsigned e = 0; i >= before && e < empties; ++e)
            files.push_back({"e" + std::to_string(100 + i) + "_" + std::to_string(e), 0, true});
    }
    folders.push_back(archive_fixtures::lzma2_folder(machine_code(5000, 10)));
    files.push_back({"a.bin", 0});
    return hand_made_7z(folders, files);
}

// The plain-header `archive` with its header packed as 7zz packs one,
// `dummy` bytes of padding among its files' properties, its packed stream
// going on for `zeros` more.
std::string with_dummy_in_packed_header(const std::string& archive, uint64_t dummy, uint64_t zeros = 0)
{
    const size_t at = 32 + get64(archive, 12);
    std::string header = archive.substr(at);
    header.insert(header.size() - 2, "\x19" + number(dummy) + std::string(dummy, '\0'));
    return with_packed_header(archive.substr(0, at), header, 1u << 20, zeros);
}

// The plain-header `archive` with its header padded to 64 KiB, a whole
// block of the library's, and packed as 7zz packs one.
std::string with_header_packed_of_64k(const std::string& archive)
{
    // The padding's id and its size, three bytes past 16 KiB, count too.
    return with_dummy_in_packed_header(archive, 65536 - (archive.size() - 32 - get64(archive, 12)) - 4);
}

// LZMA then x86 over a file of 5000 bytes of code, x86 listed as a complex
// coder of the stream `counts` (inputs, outputs), then the bindings and
// pack streams those counts ask for (inputs past the first each a pack
// stream of five bytes, after LZMA's): with one of each it is a folder
// 7-Zip writes.
std::string lzma_then_x86(const std::string& counts, const std::string& bound, size_t more_packs, size_t outputs)
{
    std::vector<std::string> packs(1 + more_packs, std::string(5, 'x'));
    packs[0] = lzma_of(machine_code(5000, 9));
    return one_file("\x02" + kLzmaCoder + "\x14\x03\x03\x01\x03" + counts + bound, packs,
                    std::vector<uint64_t>(outputs, 5000), false);
}

// A header as large as the bound packed into a few kilobytes: `before`, a
// count as large as the bytes after it allow, `after`, then zeros.
std::string huge_count(const std::string& before, const std::string& after)
{
    constexpr uint64_t kSize = kMax7zHeaderBytes;
    std::string plain = before + number(kSize - before.size() - 4) + after;
    plain.resize(kSize, '\0');
    return with_packed_header(kStart, plain, 1u << 20);
}

// A header at the bound: a Copy folder over an empty pack stream whose
// coder's properties fill the header, then the file "a" when `file`.  The
// properties are zeros, their first half noise when `noisy`.
std::string properties_filling_the_bound(bool file, bool noisy)
{
    const std::string before("\x01\x04\x06\x00\x01\x09\x00\x00\x07\x0B\x01\x00\x01\x21\x00", 15);
    const std::string after = std::string("\x0C\x00\x00\x00", 4) +
                              (file ? std::string("\x05\x01\x11\x05\x00" "a\0\0\0" "\x00", 10) : "") + '\0';
    uint64_t size = kMax7zHeaderBytes - before.size() - after.size() - 1;
    while (before.size() + number(size).size() + size + after.size() > kMax7zHeaderBytes) --size;
    std::string properties(size, '\0');
    for (uint64_t i = 0, x = 1; noisy && i < size / 2; ++i) {
        x = x * 6364136223846793005u + 1442695040888963407u;
        properties[i] = static_cast<char>(x >> 56);
    }
    return before + number(size) + properties + after;
}

// Unpacks `archive` in a child whose address space has `headroom_kb` to
// spare: it gives `result` and grows by less than `growth_kb`, and once
// its check lets it by, by no more than the share the check weighed; a
// refusal says so in the log, for `reason` when given, and what unpacks is
// `source` byte for byte.
void run_header_case(const std::string& archive, int result, long growth_kb, const std::string& source,
                     long headroom_kb, const char* reason = nullptr, long weighed_room_kb = 0)
{
    scratch_dir dir;
    write_file(dir / "x.7z", archive);
    ::mkdir((dir / "out").c_str(), 0755);
    unpack_memory_need share;
    int checked;
    {
        captured_log quiet;
        FILE* file = std::fopen((dir / "x.7z").c_str(), "rb");
        ASSERT_NE(file, nullptr);
        checked = check_7z_coders(file, share);
        std::fclose(file);
    }
    captured_log log;
    // Once its check lets it by, it reads within the address space the
    // check weighed and a little more: a test's budget lets the share by,
    // and the limit holds the rest.
    const bool weighed = checked == 0 && share.address > 0;
    const testing_support::bounded_result r = testing_support::run_bounded(
        [&] {
            if (weighed) unpack_memory_set_address_budget(share.address);
            const int err = p7z_to_file(dir / "x.7z", dir / "out/", nullptr, 0);
            xer << std::flush;
            return err;
        },
        weighed ? static_cast<long>(share.address >> 10) + (weighed_room_kb ? weighed_room_kb : kResidentGrowthKb)
                : headroom_kb);
    if (refused_for_a_sanitizers_time(result, reason, log.text())) return;
    EXPECT_EQ(r.result, result) << "-1: the child died";
    // A sanitizer keeps shadow memory for what is allocated and touched, a
    // decoder's dictionary or a header decoded whole: there, only a refusal
    // that holds neither is weighed.
    if (!testing_support::under_sanitizer() || (result == 20016 && growth_kb == kResidentGrowthKb)) {
        EXPECT_LT(r.resident_growth_kb, growth_kb);
    }
    if (checked == 0 && !testing_support::under_sanitizer()) {
        EXPECT_LE(r.resident_growth_kb, static_cast<long>(share.resident >> 10) + kResidentGrowthKb)
            << "past the share its check weighed";
    }
    EXPECT_EQ(testing_support::has(log.text(), "7z archive refused"), result == 20016) << log.text();
    if (reason) {
        EXPECT_TRUE(testing_support::has(log.text(), std::string("7z archive refused: ") + reason)) << log.text();
    }
    if (!source.empty()) {
        const auto diff = testing_support::run_shell("diff -r '" + source + "' '" + dir / "out" + "'");
        EXPECT_EQ(diff.status, 0) << diff.out;
    }
}

// What the rows of the header tests share.  Each row is unpacked in a child
// whose address space has 512 MiB to spare: a header at the bound fits, as
// does a side stream of 256 MiB; the tables of such counts do not.
struct header_case {
    const char* what;
    std::string archive;
    int result;
    long growth_kb = kResidentGrowthKb;
    std::string source = {};  // the folder 7zz packed, to compare with what unpacks
    const char* reason = nullptr;  // the refusal's, where others could refuse it too
    long weighed_room_kb = 0;  // what the limit leaves past its share, when not the usual
};

void run_header_cases(std::initializer_list<header_case> cases)
{
    constexpr long kAddressHeadroomKb = 512 * 1024;
    for (const header_case& c : cases) {
        SCOPED_TRACE(c.what);
        run_header_case(c.archive, c.result, c.growth_kb, c.source, kAddressHeadroomKb, c.reason, c.weighed_room_kb);
    }
}

constexpr long kHeaderGrowthKb = (kMax7zHeaderBytes >> 10) + kResidentGrowthKb;
constexpr uint64_t kMiB = 1 << 20;
const char* const kOutputs = "a coder gives other than one output";
const char* const kLongProperties = "a coder's properties are longer than 7-Zip writes";
const char* const kLongName = "an entry's name is longer than a path can be";
const char* const kPastClaim = "a folder's stream holds more than what it claims could need";
const char* const kSlow = "decoding it takes longer than what it hands over pays for";
const char* const kBcj2Form = "a folder's BCJ2 streams are laid out in a way this program does not read";

std::string plain(const std::string& header) { return with_header(kStart, 32, header); }

// A Copy, then a complex coder of `streams` (in, out).
std::string complex_after_copy(const std::string& streams)
{
    return one_file(std::string("\x02\x01\x00\x31\x21", 5) + streams + std::string("\x01\x10\x00\x01", 4),
                    {std::string(5, 'a'), std::string(5, 'b')}, {5}, false);
}

}  // namespace

// Counts, places and sizes past what an archive can hold are refused by the
// check before anything is sized by them; at the bounds a header reads.
TEST(P7zHeaderClaims, CountsPastWhatAnArchiveHoldsAreRefusedBeforeAnythingIsSizedByThem)
{
    run_header_cases({
        {"as many folders as the bound", plain(counted_header(kMax7zFolders, 1, kMax7zFolders)), 0},
        {"a folder more", plain(counted_header(kMax7zFolders + 1, 1, kMax7zFolders + 1)), 20016},
        {"four coders in a folder", plain(counted_header(1, 4, 1)), 0},
        {"five coders in a folder", plain(counted_header(1, 5, 1)), 20016},
        // 7-Zip gives a coder one output and BCJ2's four inputs at most.
        {"a coder of no output", complex_after_copy(std::string("\x01\x00", 2)), 20016, kResidentGrowthKb, "",
         kOutputs},
        {"a coder of two outputs", complex_after_copy("\x01\x02"), 20016, kResidentGrowthKb, "", kOutputs},
        // The same folder but for its x86 coder's streams, each bound and
        // packed as its counts ask.
        {"LZMA then x86 of one input and one output",
         lzma_then_x86("\x01\x01", std::string("\x01\x00", 2), 0, 2), 0},
        {"the x86 coder of no output",
         lzma_then_x86(std::string("\x01\x00", 2), std::string("\x00\x01", 2), 1, 1), 20016, kResidentGrowthKb,
         "", kOutputs},
        {"the x86 coder of two outputs", lzma_then_x86("\x02\x02", std::string("\x01\x00\x02\x02", 4), 0, 3),
         20016, kResidentGrowthKb, "", kOutputs},
        {"the x86 coder of five inputs",
         lzma_then_x86("\x05\x01", std::string("\x01\x00\x00\x02\x03\x04\x05", 7), 4, 2), 20016,
         kResidentGrowthKb, "", "a coder takes no input or more than four"},
        {"as many pack streams as the bound", plain(counted_header(0, 0, kMax7zPackStreams)), 0},
        {"a pack stream more", plain(counted_header(0, 0, kMax7zPackStreams + 1)), 20016},
        {"as many files and sub-streams as the bound", plain(sub_stream_header({kMax7zSubStreams}, kMax7zFiles, true)), 0},
        {"a folder of a sub-stream more", plain(sub_stream_header({kMax7zSubStreams + 1}, 1, false)), 20016},
        {"two folders of more in all", plain(sub_stream_header({kMax7zSubStreams / 2 + 1, kMax7zSubStreams / 2}, 1, false)),
         20016},
        {"a folder of 100,000,000 sub-streams", plain(sub_stream_header({100000000}, 1, false)), 20016},
        {"a file more", plain(sub_stream_header({1}, kMax7zFiles + 1, false)), 20016},
        {"100,000,000 files", plain(sub_stream_header({1}, 100000000, false)), 20016},
        {"a folder whose files claim more than it holds", plain(sub_stream_header({2}, 0, false, "\x09\x01")),
         20016},
        // Only the bits of the folders count, not the ones that fill the byte.
        {"folder digests whose padding bits are set",
         plain(counted_header(3, 1, 3, 0, std::string("\x0A\x00\xFF", 3) + std::string(12, '\0'))), 0},
        // The library takes a number after each archive property, not
        // the bytes it counts: a coder behind them is read, and judged.
        {"a coder of 1.5 GiB where the library reads past archive properties",
         plain(std::string("\x01\x02\x01\x15\x00\x04\x06\x00\x01\x09\x00\x00\x07\x0B\x01\x00\x01\x21\x21"
                           "\x01\x27\x0C\x00\x00\x00\x00\x00", 27)),
         20016}});
}

// A few kilobytes that unpack to a header as large as the bound, whose
// counts would ask for gigabytes of tables, are judged in little more than
// the header, in a child whose address space could not hold those tables;
// the header's own stream is held to its claim.
TEST(P7zHeaderClaims, AHeaderAsLargeAsTheBoundIsJudgedInLittleMoreThanItself)
{
    run_header_cases({
        {"a header at the bound", plain(header_of_size(kMax7zHeaderBytes)), 0, 2 * kHeaderGrowthKb},
        {"a header a byte larger", plain(header_of_size(kMax7zHeaderBytes + 1)), 20016},
        // The library copies a coder's properties out of the header it
        // holds: held twice, were they not bounded.
        {"a coder's properties filling a plain header at the bound", plain(properties_filling_the_bound(true, false)),
         20016, kHeaderGrowthKb, "", kLongProperties},
        {"the same header packed", with_packed_header(kStart, properties_filling_the_bound(true, false), 1u << 20),
         20016, kHeaderGrowthKb, "", kLongProperties},
        {"the same packed, of no files list",
         with_packed_header(kStart, properties_filling_the_bound(false, false), 1u << 20), 20016, kHeaderGrowthKb,
         "", kLongProperties},
        // The check reads its packed input a piece at a time beside the
        // header it unpacks, however little the header packs.
        {"the same packed, its properties half noise",
         with_packed_header(kStart, properties_filling_the_bound(true, true), 1u << 20), 20016, kHeaderGrowthKb, "",
         kLongProperties},
        {"a folder count in a header at the bound", huge_count("\x01\x04\x07\x0B", ""), 20016, kHeaderGrowthKb},
        {"a pack stream count in a header at the bound", huge_count(std::string("\x01\x04\x06\x00", 4), "\x09"),
         20016, kHeaderGrowthKb},
        {"a coder count in a header at the bound", huge_count(std::string("\x01\x04\x07\x0B\x01\x00", 6), ""),
         20016, kHeaderGrowthKb},
        // The header's own stream is held to its claim by the check.
        {"a header packed from a dummy of 32 MiB whose stream goes on 64 MiB past it",
         with_dummy_in_packed_header(make_7z({{"a.bin", machine_code(5000, 10)}}), 32 * kMiB, 64 * kMiB), 20016,
         kHeaderGrowthKb, "", "its packed header goes on past what it claims"}});
}

// A link's text or a BCJ2 side stream that would be decoded whole into
// memory is refused at its claim, in a child that could hold it, as is a
// coder that names more than its data could need.
TEST(P7zHeaderClaims, WhatWouldBeDecodedWholeIntoMemoryIsRefusedAtItsClaim)
{
    const std::string zeros_1m = lzma_of("", kMiB);
    run_header_cases({
        {"a link of 64 MiB", link_of(64u << 20), 20016},
        {"a release's file whose BCJ2 call stream claims 256 MiB", bcj2_calls_of(256u << 20), 20016},
        {"a coder of 1.5 GiB over 1 MiB", one_file("\x01" + lzma_coder(3u << 29), {zeros_1m}, {kMiB}, false),
         20016},
        // Past the presets' 256 MiB, what 7zz names for 257 MiB: the
        // check lets it by, and the data, which ends short, is damaged.
        {"a coder of 384 MiB over a folder claiming 257 MiB",
         one_file("\x01" + lzma_coder(384 * kMiB), {lzma_of(machine_code(60000, 8), kMiB)}, {257 * kMiB}, false),
         20017},
        {"a coder of 512 MiB over a folder claiming 257 MiB",
         one_file("\x01" + lzma_coder(512 * kMiB), {lzma_of(machine_code(60000, 8), kMiB)}, {257 * kMiB}, false),
         20016}});
}

// Names are held to what a path can be, however many entries carry them and
// however they are packed; at the bounds a header reads.
TEST(P7zHeaderClaims, NamesAreHeldToWhatAPathCanBe)
{
    run_header_cases({
        // No streams is no reason to weigh nothing: the header is held.
        {"4096 entries named as long as a path, of no stream", long_names_and_no_streams(), 0, kHeaderGrowthKb},
        {"4095 entries named 4095 CJK units, with times, attributes and anti bits",
         named_entries(kMax7zFiles - 1, kMax7zNameUnits, 0x4E00, true, true), 0, kHeaderGrowthKb},
        {"the same header plain", named_entries(kMax7zFiles - 1, kMax7zNameUnits, 0x4E00, false, true), 0,
         kHeaderGrowthKb},
        // The library's read-ahead doubles its buffer up to the padding,
        // read as one piece, from what the names left it.
        {"4096 names then padding filling a plain header", named_entries(kMax7zFiles, 255, 'n', false, false, true),
         0, kHeaderGrowthKb},
        // The library says so in words where it cannot allocate for a
        // header: this machine's failure all the same.  No limit binds
        // under a sanitizer.
        {"the same under a limit that leaves less than its share", named_entries(kMax7zFiles, 255, 'n', false, false, true),
         testing_support::under_sanitizer() ? 0 : ENOMEM, kHeaderGrowthKb, "", nullptr,
         -static_cast<long>(kMax7zHeaderBytes >> 10) + (12 << 10)},
        // The library converts a name whole as it hands its entry over,
        // and its callers copy it again.
        {"a name a unit longer than a path", named_entries(1, kMax7zNameUnits + 1, 'n', false), 20016,
         kResidentGrowthKb, "", kLongName},
        {"a name of 1 Mi CJK units", named_entries(1, 1 << 20, 0x4E00, false), 20016, kResidentGrowthKb, "",
         kLongName},
        {"one name filling a plain header at the bound, in CJK", name_filling_the_bound(0x4E00, false), 20016,
         kHeaderGrowthKb, "", kLongName},
        {"the same in ASCII", name_filling_the_bound('n', false), 20016, kHeaderGrowthKb, "", kLongName},
        {"the same packed, in CJK", name_filling_the_bound(0x4E00, true), 20016, kHeaderGrowthKb, "", kLongName},
        {"the same packed, in ASCII", name_filling_the_bound('n', true), 20016, kHeaderGrowthKb, "", kLongName}});
}

// What entries passed over claim is held to what an honest archive holds
// there, what a folder's stream holds to what its claim could need, and
// what its decoding takes to what it hands over, whatever came before it.
TEST(P7zHeaderClaims, WhatIsPassedOverOrHiddenIsHeldToWhatItHandsOver)
{
    const std::string zeros_4g = archive_fixtures::lzma2_zeros(archive_fixtures::kGoingOn) + '\0';
    run_header_cases({
        // Passed over, devices are read out and dropped: what they claim
        // is held to what an honest archive passes over.
        // Twelve are read out, each with its folder's dictionary, before the refusal.
        {"16 devices of 5 MiB each in folders of their own before a file", devices_then_a_file(16, 5 << 20), 20016,
         2 * kResidentGrowthKb, "", "the entries passed over hold more than an honest archive's"},
        {"12 devices of 5 MiB each before a file", devices_then_a_file(12, 5 << 20), 0},
        // What they claim is not what the library decodes: a stream that
        // holds more than its claim could need is refused as the library
        // reads there, and the gigabytes it would take seconds to decode
        // are not.  They are refused as they are decoded, each holding
        // its dictionary.
        {"2 devices in folders of their own, each claiming 4 KiB of 4 GiB of zeros, before a file",
         devices_over_zeros(2, false), 20016, 2 * kResidentGrowthKb, "", kPastClaim},
        {"4 devices of 4 KiB and a file in one folder of 4 GiB of zeros", devices_over_zeros(4, true), 20016,
         2 * kResidentGrowthKb, "", kPastClaim},
        {"a release's file whose BCJ2 call stream claims 4 bytes of 4 GiB of zeros",
         one_file("\x04" + kLzmaCoder + archive_fixtures::lzma2_coder() + kLzmaCoder + kBcj2After,
                  {lzma_of(machine_code(4096, 3)), std::string(5, '\0'), zeros_4g, lzma_of("", 4)},
                  {4, 4, 4096, 4096}, false),
         20016, 2 * kResidentGrowthKb, "", kPastClaim},
        {"a device claiming 4 KiB of 64 MiB of zeros in PPMd",
         devices_hiding({archive_fixtures::ppmd_zeros_folder(64 * kMiB, 4096)}, 0, 0, 0), 20016,
         2 * kResidentGrowthKb, "", kPastClaim},
        // Hidden within what its claim could need, what a folder decodes
        // past it is paid for by what it handed over, and by nothing
        // else: not by what other folders or the header handed over,
        // however cheaply, nor by what it saved past a small fraction of
        // a second.
        {"16 MiB of zeros in PPMd on a device, then 8 devices each hiding 296 MiB of zeros past 32 KiB",
         devices_hiding({archive_fixtures::ppmd_zeros_folder(16 * kMiB)}, 8, archive_fixtures::kRoomyClaim,
                        archive_fixtures::kHiddenInRoom),
         20016, 2 * kResidentGrowthKb, "", kSlow},
        {"the 8 behind a header packed from a dummy of 32 MiB",
         with_dummy_in_packed_header(
             devices_hiding({}, 8, archive_fixtures::kRoomyClaim, archive_fixtures::kHiddenInRoom), 32 * kMiB),
         20016, 2 * kHeaderGrowthKb, "", kSlow},
        {"the 8 behind a BCJ2 folder whose calls and jumps claim 16 MiB of zeros each",
         devices_hiding({{"\x04" + kLzmaCoder + kLzmaCoder + kLzmaCoder + kBcj2After,
                          {lzma_of(std::string(4096, 'a')), std::string(5, '\0'), lzma_of("", 16 * kMiB),
                           lzma_of("", 16 * kMiB)},
                          {16 * kMiB, 16 * kMiB, 4096, 4096},
                          {}}},
                        8, archive_fixtures::kRoomyClaim, archive_fixtures::kHiddenInRoom),
         20016, (32 << 10) + 2 * kResidentGrowthKb, "", kSlow},
        {"8 devices each handing over 16 MiB of zeros before hiding 296 MiB",
         devices_hiding({}, 8, 16 * kMiB + archive_fixtures::kRoomyClaim, archive_fixtures::kHiddenInRoom), 20016,
         2 * kResidentGrowthKb, "", kSlow},
        {"64 devices each claiming 16 KiB of zeros and 40 MiB past it", devices_hiding({}, 64, 16 << 10, 40 * kMiB),
         20016, 2 * kResidentGrowthKb, "", kSlow},
        // What an entry may take for its own work pays for no folder's
        // decoding, however many empty files come between.
        {"26 devices each claiming 32 KiB of zeros and 64 MiB past it, each followed by 150 empty files",
         devices_hiding({}, 26, archive_fixtures::kRoomyClaim, 64 * kMiB, 150), 20016, 2 * kResidentGrowthKb, "",
         kSlow}});
}

// The library decodes BCJ2 after one coder or after three, over four pack
// streams, by the places of the coders, and refuses any other form: so
// does the check, before it maps the streams, however the coders before it
// take their inputs.
TEST(P7zHeaderClaims, BCJ2IsReadOnlyInTheFormsTheLibraryDecodes)
{
    scratch_dir hundred;
    for (unsigned i = 0; i < 100; ++i) write_file(hundred / ("f" + std::to_string(i)), machine_code(1000 + i, i));
    run_header_cases({
        {"BCJ2 after three coders taking 2, 1 and 1 inputs", chain_of({{0, 2}, {0, 1}, {0, 1}, {1, 4}}), 20016,
         kResidentGrowthKb, "", kBcj2Form},
        {"the same taking 1, 1 and 2", chain_of({{0, 1}, {0, 1}, {0, 2}, {1, 4}}), 20016, kResidentGrowthKb, "",
         kBcj2Form},
        {"the same taking 3, 1 and 1", chain_of({{0, 3}, {0, 1}, {0, 1}, {1, 4}}), 20016, kResidentGrowthKb, "",
         kBcj2Form},
        {"the same taking 4, 4 and 4", chain_of({{0, 4}, {0, 4}, {0, 4}, {1, 4}}), 20016, kResidentGrowthKb, "",
         kBcj2Form},
        {"BCJ2 first of four", chain_of({{1, 4}, {0, 1}, {0, 1}, {0, 1}}), 20016, kResidentGrowthKb, "", kBcj2Form},
        {"BCJ2 third of three", chain_of({{0, 1}, {0, 1}, {1, 4}}), 20016, kResidentGrowthKb, "", kBcj2Form},
        {"BCJ2 before a coder", chain_of({{1, 4}, {0, 1}}), 20016, kResidentGrowthKb, "", kBcj2Form},
        {"BCJ2 after BCJ2", chain_of({{1, 4}, {1, 4}}), 20016, kResidentGrowthKb, "", kBcj2Form},
        {"BCJ2 after three LZMA coders as 7zz binds them in another order",
         packed_by_7zz(hundred, "-m0=BCJ2 -m1=LZMA -m2=LZMA -m3=LZMA -mb0s2:3 -mb0s1:2 -mb0:1"), 20016,
         kResidentGrowthKb, "", kBcj2Form},
        // Bound otherwise than 7zz binds them, with two Copy coders among
        // the three, the library takes BCJ2's other three streams as they
        // stand, and fails on what they hold.
        {"BCJ2 after three Copy coders of one input", chain_of({{0, 1}, {0, 1}, {0, 1}, {1, 4}}), 20017},
        {"BCJ2 after LZMA and two Copy coders as 7zz binds them in another order",
         packed_by_7zz(hundred, "-m0=BCJ2 -m1=LZMA -m2=Copy -m3=Copy -mb0s2:3 -mb0s1:2 -mb0:1"), 20017},
        {"BCJ2 after one LZMA coder as 7zz writes it", packed_by_7zz(hundred, "-m0=BCJ2 -m1=LZMA -mb0:1"), 0,
         kResidentGrowthKb, hundred.path()},
        {"7zz's BCJ2 before PPMd", packed_by_7zz(hundred, "-mf=BCJ2 -m0=PPMd"), 0, kResidentGrowthKb,
         hundred.path()}});
}

// As 7zz packs a release's file and a tile at -mx=7 and -mx=9, whose
// dictionaries it names by their data, a header still reads, and its
// decoding holds no more than the share its check weighed.
TEST(P7zHeaderClaims, ReleasesFilesAndTilesAsSevenZipPacksThemReadWithinTheShareTheirCheckWeighed)
{
    scratch_dir mx7, mx9;
    noise_and_zeros(mx7, 65 * kMiB);
    noise_and_zeros(mx9, 130 * kMiB);
    run_header_cases({
        {"a release's file as 7zz packs it", make_7z({{"a.bin", machine_code(300000, 6)}}), 0},
        // Its calls, 7.4 MiB, are decoded whole before its first byte.
        {"a program of 16 MiB as 7zz packs a release's file", make_7z({{"a.bin", near_calls(16 << 20, 13)}}), 0,
         2 * kResidentGrowthKb},
        // 7zz names a dictionary by its data: 96 MiB for 65 MiB at -mx=7,
        // 192 MiB for 130 MiB at -mx=9.
        {"7zz at -mx=7 of a file of 65 MiB", packed_by_7zz(mx7, "-mx=7"), 0, (65 + 16) << 10, mx7.path()},
        {"7zz at -mx=9 of a file of 130 MiB", packed_by_7zz(mx9, "-mx=9"), 0, (130 + 16) << 10, mx9.path()}});
}

// As 7zz packs 4096 files each alone or files in each coder, a header still
// reads, and its decoding holds no more than the share its check weighed.
TEST(P7zHeaderClaims, FilesEachAloneAndInEachCoderReadWithinTheShareTheirCheckWeighed)
{
    scratch_dir hundred, texts, many, noisy;
    for (unsigned i = 0; i < 100; ++i) write_file(hundred / ("f" + std::to_string(i)), machine_code(1000 + i, i));
    for (unsigned i = 0; i < 100; ++i) write_file(texts / ("t" + std::to_string(i)), text(3000 + 97 * i, i));
    for (unsigned i = 0; i < kMax7zFiles; ++i) write_file(many / long_name(i), std::to_string(i));
    write_file(noisy / "code", machine_code(300000, 11));
    write_file(noisy / "text", text(300000, 12));
    ASSERT_EQ(testing_support::run_shell("head -c 300000 /dev/urandom > '" + noisy / "noise" + "'").status, 0);
    run_header_cases({
        {"a hundred files, each in a folder of its own", packed_by_7zz(hundred, "-ms=off"), 0, kResidentGrowthKb,
         hundred.path()},
        // The library's PPMd decoder fails some streams whose bytes come
        // in pieces that end near the stream's end.
        {"a hundred texts, each in a folder of its own, with PPMd", packed_by_7zz(texts, "-ms=off -m0=PPMd"), 0,
         kResidentGrowthKb, texts.path()},
        {"4096 files of long names, each in a folder of its own", packed_by_7zz(many, "-ms=off"), 0,
         kResidentGrowthKb, many.path()},
        {"7zz's x86 filter after LZMA2", packed_by_7zz(hundred, "-mf=BCJ -m0=LZMA2"), 0, kResidentGrowthKb,
         hundred.path()},
        {"noise, code and text in PPMd", packed_by_7zz(noisy, "-m0=PPMd -mx=9"), 0, 2 * kResidentGrowthKb,
         noisy.path()},
        {"the same in LZMA, each alone", packed_by_7zz(noisy, "-m0=LZMA -ms=off"), 0, kResidentGrowthKb,
         noisy.path()},
        {"the same in BZip2", packed_by_7zz(noisy, "-m0=BZip2 -mx=9"), 0, kResidentGrowthKb, noisy.path()},
        {"the same in Deflate, each alone", packed_by_7zz(noisy, "-m0=Deflate -ms=off"), 0, kResidentGrowthKb,
         noisy.path()}});
}

// What a coder can be made to fill is judged by its folder's packed bytes,
// which the header cannot make larger than the archive, and not by any
// claim: a coder that claims more than those bytes could give is refused,
// as the archive's fault, in a child whose address space could not hold
// what it names; a filter whose sizes disagree is refused, as 7-Zip calls
// its data damaged; and a claim smaller than the data, which the library
// decodes to the end of its packed stream all the same, still holds no
// more than the share its check weighed until it is refused as the library
// reads past what the claim could need.
TEST(P7zExtraction, WhatACoderCanFillIsJudgedByItsPackedBytesNotItsClaims)
{
    constexpr long kAddressHeadroomKb = 512 * 1024;
    constexpr uint64_t kMiB = 1 << 20, kGiB = kMiB << 10;
    // 7zz packs a chain with LZMA2 first, the filter bound to its output.
    const std::string lzma_then = "\x02" + lzma_coder(256 * kMiB);
    const std::string x86("\x04\x03\x03\x01\x03\x01\x00", 7), delta = std::string("\x21\x03\x01\x00\x01\x00", 6);
    const char* const kPastClaim = "a folder's stream holds more than what it claims could need";
    const std::string zeros_200m = lzma_of("", 200 * kMiB), zeros_1m = lzma_of("", kMiB);
    // LZMA2 of 256 MiB, as 7zz names it at -mx=9, over 4 GiB of zeros.
    const std::string lzma2_256m("\x21\x21\x01\x20", 4);
    const std::string zeros_4g = archive_fixtures::lzma2_zeros(archive_fixtures::kGoingOn) + '\0';
    struct claim_case {
        const char* what;
        std::string archive;
        int result;
        long growth_kb = kResidentGrowthKb;
        const char* reason = nullptr;
    };
    for (const claim_case& c : {
          // A claim past what its packed bytes could give would earn any
          // dictionary, and an address-space limit would fail it for want
          // of memory, as if this machine were at fault.
          claim_case{"LZMA2 of 3 GiB claiming 3 GiB from ten packed bytes",
           one_file(std::string("\x01\x21\x21\x01\x27", 5), {std::string(10, '\0')}, {3 * kGiB}, false), 20016},
          {"LZMA2 of 4 GiB claiming 4 GiB over 1 MiB", one_file(std::string("\x01\x21\x21\x01\x28", 5), {zeros_1m},
                                                               {4 * kGiB}, false), 20016},
          // Packed bytes bound a dictionary only as far as they are there.
          {"LZMA2 of 4 GiB claiming 4 GiB over a pack stream claiming 1 GiB of 10 bytes",
           one_file(std::string("\x01\x21\x21\x01\x28", 5), {std::string(10, '\0')}, {4 * kGiB}, false, kGiB), 20016,
           kResidentGrowthKb, "its pack streams end past its end"},
          {"LZMA of 3840 MiB claiming 4 GiB over 1 MiB",
           one_file("\x01" + lzma_coder(3840u << 20), {zeros_1m}, {4 * kGiB}, false), 20016},
          {"PPMd of 4 GiB claiming 256 MiB from 2 KB",
           one_file(std::string("\x01\x23\x03\x04\x01\x05\x06\x00\xFC\xFF\xFF", 11), {std::string(2000, 'p')},
                    {256 * kMiB}, false),
           20016},
          // The library decodes through the filter to the folder's size,
          // whatever the coder before it claims.
          {"LZMA then x86, LZMA claiming a byte of 200 MiB", one_file(lzma_then + x86, {zeros_200m}, {1, 200 * kMiB}, false),
           20016},
          {"LZMA then Delta, LZMA claiming a byte of 200 MiB",
           one_file(lzma_then + delta, {zeros_200m}, {1, 200 * kMiB}, false), 20016},
          {"LZMA then x86, honest", one_file(lzma_then + x86, {zeros_200m}, {200 * kMiB, 200 * kMiB}, false), 0,
           (200 + 16) << 10},
          // The library decodes a packed stream to its end, however little
          // its folder claims; the share weighs what the bytes can give,
          // and the gigabytes are refused before they are decoded.
          {"LZMA2 claiming a byte of 4 GiB", one_file("\x01" + lzma2_256m, {zeros_4g}, {1}, false), 20016,
           (256 + 16) << 10, kPastClaim},
          // The library decodes with the first coder, whatever the bindings say.
          {"the same bound behind an x86 coder claiming 4 GiB",
           one_file("\x02" + lzma2_256m + x86.substr(0, 5) + std::string("\x00\x01", 2), {zeros_4g}, {1, 4 * kGiB},
                    false),
           20016, (256 + 16) << 10, kPastClaim},
          {"a release's file whose BCJ2 main coder claims 1 KiB of 4 GiB",
           one_file("\x04" + kLzmaCoder + kLzmaCoder + lzma2_256m + kBcj2After,
                    {zeros_4g, std::string(5, '\0'), lzma_of("", 4), lzma_of("", 4)}, {4, 4, 1024, 1024}, false),
           20016, (256 + 16) << 10, kPastClaim}}) {
        SCOPED_TRACE(c.what);
        run_header_case(c.archive, c.result, c.growth_kb, "", kAddressHeadroomKb, c.reason);
    }
}

// 1 GiB of zeros as 7zz packs it at its most, 6,851 to one with LZMA2,
// 7,080 with LZMA and 2,719 with PPMd, reads byte for byte within its
// dictionary.  Each coder apart, as each takes a while; gigabytes through
// a sanitizer would take minutes and say nothing new.
class P7zMostExpanded : public testing::TestWithParam<const char*> {};

TEST_P(P7zMostExpanded, ReadsWithinItsDictionary)
{
    if (testing_support::under_sanitizer()) GTEST_SKIP() << "gigabytes through a sanitizer say nothing new";
    scratch_dir zeros;
    write_file(zeros / "a.bin", "");
    ASSERT_EQ(::truncate((zeros / "a.bin").c_str(), off_t{1} << 30), 0);
    const std::string packed = archive_fixtures::zeros_7z_at_most(GetParam());
    ASSERT_NE(packed, "");
    run_header_case(read_file(packed), 0, (256 + 16) << 10, zeros.path(), 512 * 1024);
}

INSTANTIATE_TEST_SUITE_P(SevenZip, P7zMostExpanded, testing::Values("LZMA2", "LZMA", "PPMd"));

// An allocation that fails while an archive is unpacked ends the unpacking,
// not the program, as this machine's failure: in a reader as in the
// writer's block.
TEST(P7zExtraction, AnUnpackingWithoutMemoryToBeHadFailsAndTheProgramGoesOn)
{
    if (testing_support::under_sanitizer())
        GTEST_SKIP() << "a sanitizer's shadow takes terabytes of address space, which no bound can leave room for";
    scratch_dir dir;
    write_file(dir / "x.7z", make_7z({{"a.txt", "a"}}));
    write_file(dir / "x.zip", archive_fixtures::make_zip({{"a.txt", "a"}}));
    // In a program of its own, whose heap has nothing to spare: room for
    // small blocks, none for the 7z reader's buffer or the writer's.
    EXPECT_EXIT(
        {
            const auto unpacked = [&](auto unpack, const char* archive) {
                return testing_support::run_bounded([&] { return unpack(dir / archive, dir.path(), nullptr, 0); }, 128)
                    .result;
            };
            std::_Exit(unpacked(p7z_to_file, "x.7z") == ENOMEM && unpacked(zip_to_file, "x.zip") == ENOMEM ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// What decoding may take, folder by folder, on a driven clock: each folder
// pays for its own from what it hands over, keeps a fraction of a second of
// it at most, and may owe what the block it is making costs, with its
// decoder's set-up before the first and its ending with the last; what
// other folders handed over pays for nothing of it.
TEST(P7zExtraction, EachFolderPaysForItsOwnDecodingFromWhatItHandsOver)
{
    constexpr uint64_t kMiB = 1 << 20, kMs = 1000000, kBlock = 64 * 1024;
    const std::string lzma2_192m("\x01\x21\x21\x01\x1F", 5);
    // Folders of `coder` over `packed` bytes, by default LZMA2 naming 192
    // MiB as 7zz names it for 130 MiB at -mx=9, claiming `sizes`; their
    // streams are never decoded here.
    const auto reading_of = [&lzma2_192m](const std::vector<uint64_t>& sizes, const std::string& coder,
                                          size_t packed) {
        std::vector<archive_fixtures::hand_folder> folders;
        std::vector<archive_fixtures::hand_file> files;
        for (const uint64_t size : sizes) {
            folders.push_back({coder.empty() ? lzma2_192m : coder, {std::string(packed, 'x')}, {size}, {}});
            files.push_back({"f" + std::to_string(files.size())});
        }
        scratch_dir dir;
        write_file(dir / "x.7z", hand_made_7z(folders, files));
        FILE* file = std::fopen((dir / "x.7z").c_str(), "rb");
        seven_zip_reading reading;
        unpack_memory_need need;
        EXPECT_EQ(check_7z_coders(file, need, &reading), 0);
        std::fclose(file);
        return reading;
    };
    // The library working for `folder` for `ns` (at one of its streams'
    // edges where `edge`), then handing `bytes` of it over, as the reader
    // weighs it; the time spent when it was refused.
    struct driven {
        decoding_purses purses;
        uint64_t spent = 0, refused_at = 0;
        void block(uint32_t folder, uint64_t ns, uint64_t bytes, bool edge = false)
        {
            if (refused_at) return;
            purses.working_for(folder, edge);
            spent += ns;
            if (!purses.spent(spent)) refused_at = spent;
            else if (bytes) purses.handed_over(folder, bytes);
        }
        // An entry of `folder` reached, the library and the reader working
        // on it for `ns` before its folder's streams are begun.
        void entry(uint32_t folder, uint64_t ns)
        {
            if (refused_at) return;
            purses.entry_reached(folder);
            spent += ns;
            if (!purses.spent(spent)) refused_at = spent;
        }
        // `bytes` handed over in blocks, cheaply.
        void hands_over(uint32_t folder, uint64_t bytes)
        {
            for (; bytes >= kBlock; bytes -= kBlock) block(folder, 20000, kBlock);
            if (bytes) block(folder, 20000, bytes);
        }
        // Decoding on, handing nothing over, a millisecond at a time.
        uint64_t decodes_on(uint32_t folder)
        {
            const uint64_t from = spent;
            for (int i = 0; i < 10000 && !refused_at; ++i) block(folder, kMs, 0);
            return refused_at ? refused_at - from : UINT64_MAX;
        }
    };
    struct folder_case {
        const char* what;
        std::vector<uint64_t> sizes;
        // What it took past the last claim (or in all, where the row says),
        // or 0 where it ends.
        std::function<uint64_t(driven&)> run;
        uint64_t at_least, at_most;  // then within these; both 0: never refused
        std::string coder = {};        // else LZMA2 naming 192 MiB
        size_t packed = 16384;
    };
    for (const folder_case& c : std::vector<folder_case>{
             // Its 192 MiB set up in 100 ms, the 130 MiB it filled given
             // back in 100 ms: as the kernel takes them on a busy machine.
             {"130 MiB whose decoder takes 100 ms to set up and to end",
              {130 * kMiB},
              [](driven& d) {
                  d.entry(0, 0);
                  d.block(0, 100 * kMs, kBlock);
                  d.hands_over(0, 130 * kMiB - 2 * kBlock);
                  d.block(0, 100 * kMs, kBlock);
                  return uint64_t{0};
              },
              0, 0},
             {"the same going on past its claim: what it saved, its decoder's ending and the spare",
              {130 * kMiB},
              [](driven& d) {
                  d.entry(0, 0);
                  d.hands_over(0, 130 * kMiB);
                  return d.decodes_on(0);
              },
              345 * kMs, 370 * kMs},
             // One purse for both would give the second what the first
             // saved.
             {"4 KiB going on past its claim after another folder handed 130 MiB over",
              {130 * kMiB, 4096},
              [](driven& d) {
                  d.entry(0, 0);
                  d.hands_over(0, 130 * kMiB);
                  d.entry(1, 0);
                  d.hands_over(1, 4096);
                  return d.decodes_on(1);
              },
              150 * kMs, 170 * kMs},
             // Nor does what entries may take for their own work: 32 KiB of
             // zeros whose stream goes on for 80 ms of decoding, 26 times,
             // would each be paid for by 150 empty files after it.
             {"26 folders of 32 KiB each going on past its claim, 150 empty files after each (in all)",
              std::vector<uint64_t>(26, 32 << 10),
              [](driven& d) {
                  for (uint32_t f = 0; f < 26; ++f) {
                      d.entry(f, 20000);
                      d.block(f, 80 * kMs, 32 << 10);
                      for (int e = 0; e < 150; ++e) d.entry(seven_zip_reading::kNoFolder, 20000);
                  }
                  return d.refused_at;
              },
              200 * kMs, 260 * kMs},
             // An entry's own allowance is gone once its folder's streams
             // are begun: it pays for none of its folder's decoding.
             {"4,000 folders of 4 bytes, each decoding on for 1 ms past its claim (in all)",
              std::vector<uint64_t>(4000, 4),
              [](driven& d) {
                  for (uint32_t f = 0; f < 4000; ++f) {
                      d.entry(f, 20000);
                      d.block(f, kMs, 4);
                  }
                  return d.refused_at;
              },
              150 * kMs, 180 * kMs},
             // The thread's clock jumps now and then on a busy machine: by
             // 17 ms past the few microseconds a folder of 4 bytes takes once
             // every 1,000 folders, and every 64 blocks of a folder that
             // decodes at the very rate it is paid.
             {"4,000 folders of 4 bytes, each set up in 40 µs as its entry's work, a jump every 1,000",
              std::vector<uint64_t>(4000, 4),
              [](driven& d) {
                  for (uint32_t f = 0; f < 4000; ++f) {
                      d.entry(f, 40000);
                      d.block(f, f % 1000 == 999 ? 17 * kMs : 10000, 4);
                  }
                  return uint64_t{0};
              },
              0, 0},
             {"64 MiB paying for just what it takes, a jump every 64 blocks",
              {64 * kMiB},
              [](driven& d) {
                  d.entry(0, 0);
                  for (uint64_t b = 0; b < 64 * kMiB / kBlock; ++b)
                      d.block(0, kBlock * kMax7zLzmaNsPerByte + (b % 64 == 63 ? 17 * kMs : 0), kBlock);
                  return uint64_t{0};
              },
              0, 0},
             // A sanitizer's allocator marks the whole of what a decoder
             // allocates and frees, which its claims can fill as 7zz names it.
             {"100 folders of 130 MiB set up and ended in 3 ms each at their edges, as their 192 MiB is marked",
              std::vector<uint64_t>(100, 130 * kMiB),
              [](driven& d) {
                  for (uint32_t f = 0; f < 100; ++f) {
                      d.entry(f, 1500000);
                      d.block(f, 1500000, 4, true);
                  }
                  return uint64_t{0};
              },
              0, 0},
             // Past what their claims can fill, what a decoder names earns
             // its folder nothing at its edges.
             {"100 folders of 4 bytes naming 192 MiB, set up and ended in 3 ms each at their edges (in all)",
              std::vector<uint64_t>(100, 4),
              [](driven& d) {
                  for (uint32_t f = 0; f < 100; ++f) {
                      d.entry(f, 1500000);
                      d.block(f, 1500000, 4, true);
                  }
                  return d.refused_at;
              },
              250 * kMs, 290 * kMs},
             // 8 KiB may claim 128 MiB and name a model of 2 GiB, which
             // 128 MiB of output could not fill from so few bytes.
             {"a PPMd folder of 8 KiB claiming 128 MiB and naming 2 GiB, decoding on at its first edge",
              {128 * kMiB},
              [](driven& d) {
                  d.entry(0, 0);
                  for (int i = 0; i < 10000 && !d.refused_at; ++i) d.block(0, kMs, 0, true);
                  return d.refused_at;
              },
              1050 * kMs, 1130 * kMs,
              std::string("\x01\x23\x03\x04\x01\x05\x06\x00\x00\x00\x80", 11),
              8192},
         }) {
        SCOPED_TRACE(c.what);
        const seven_zip_reading reading = reading_of(c.sizes, c.coder, c.packed);
        driven d;
        d.purses.reset(reading);
        const uint64_t took = c.run(d);
        if (c.at_most == 0) {
            EXPECT_EQ(d.refused_at, 0u);
        } else {
            EXPECT_GE(took, c.at_least);
            EXPECT_LE(took, c.at_most);
        }
    }
}

// 7zz's archives at each coder, each file in a folder of its own and all
// in one, read whole wherever the bounds of the pieces the library is
// handed fall: 61 bytes apart, the program's 4 KiB from the archive's
// start and 1, 3 and 9 bytes before the first stream's end, and 64 KiB.
// libarchive fails a folder's entry where the last bytes of the stream
// before it, which its coder reads only past its last output, come in a
// piece of their own, that folder's output a whole number of the
// library's blocks of 64 KiB, as the code here; and the first entry where
// the stream before it is the packed header's, a header of 64 KiB.
TEST(P7zExtraction, HonestArchivesReadWholeWhereverThePiecesFall)
{
    struct program_pieces {
        ~program_pieces() { p7z_set_pieces(4096, 0); }
    } restored;
    scratch_dir in;
    const std::vector<std::pair<std::string, std::string>> files = {
        {"code.bin", machine_code(128 << 10, 21)}, {"calls.bin", near_calls(64 << 10, 22)},
        {"text.txt", text(70000, 23)},             {"tiny", "t"},
        {"empty", ""}};
    for (const auto& [name, data] : files) write_file(in / name, data);
    // What went wrong reading `archive` whole, or nothing.
    const auto read_whole = [&files](const std::string& archive) -> std::string {
        captured_log log;
        const auto wrong = [&]() -> std::string {
            std::unique_ptr<archive_reader> reader;
            if (int err = open_7z_reader(archive, reader)) return "opening: " + std::to_string(err);
            archive_item item;
            size_t read = 0;
            int err;
            while ((err = reader->next(item)) == 0) {
                std::string data, piece(65536, '\0');
                for (size_t got = 1; got > 0;) {
                    if ((err = reader->read(&piece[0], piece.size(), &got))) return item.name + ": " + std::to_string(err);
                    data.append(piece, 0, got);
                }
                const auto source =
                    std::find_if(files.begin(), files.end(), [&](const auto& file) { return file.first == item.name; });
                if (source == files.end() || data != source->second) return item.name + " differs";
                ++read;
            }
            if (err != kEndOfArchive || read != files.size()) return "the end: " + std::to_string(err);
            return "";
        }();
        return refused_for_a_sanitizers_time(0, nullptr, log.text()) ? "" : wrong;
    };
    for (const std::string coders :
         {"-mf=off -m0=LZMA", "-mf=off -m0=LZMA2", "-mf=off -m0=PPMd", "-mf=off -m0=BZip2 -mx=9", "-mf=off -m0=Deflate",
          "-mf=off -m0=Copy", "-mf=BCJ -m0=LZMA2", "-mf=Delta:4 -m0=LZMA",
          "-m0=BCJ2 -m1=LZMA:d25 -m2=LZMA:d19 -m3=LZMA:d19 -mb0:1 -mb0s1:2 -mb0s2:3"}) {
        for (const char* folders : {"-ms=off", "-ms=on"}) {
            scratch_dir dir;
            write_file(dir / "x.7z", packed_by_7zz(in, coders + " " + folders));
            seven_zip_reading reading;
            {
                unpack_memory_need need;
                FILE* file = std::fopen((dir / "x.7z").c_str(), "rb");
                ASSERT_NE(file, nullptr);
                ASSERT_EQ(check_7z_coders(file, need, &reading), 0) << coders;
                std::fclose(file);
            }
            ASSERT_FALSE(reading.packs.empty());
            const uint64_t first_end = reading.packs[0].end;
            // Its header padded to a whole block and packed, read with a
            // bound 1 to 5 bytes before the packed header's stream ends.
            write_file(dir / "y.7z", with_header_packed_of_64k(packed_by_7zz(in, coders + " -mhc=off " + folders)));
            const uint64_t header_end = 32 + get64(read_file(dir / "y.7z"), 12);
            for (uint64_t before = 1; before <= 5; ++before) {
                SCOPED_TRACE(coders + " " + folders + ", its header of 64 KiB packed, a bound " +
                             std::to_string(before) + " bytes before its stream's end");
                p7z_set_pieces(4096, (header_end - before) % 4096);
                EXPECT_EQ(read_whole(dir / "y.7z"), "");
            }
            for (const auto& [bytes, phase] : std::vector<std::pair<size_t, size_t>>{{61, 0},
                                                                                    {4096, 0},
                                                                                    {4096, (first_end - 1) % 4096},
                                                                                    {4096, (first_end - 3) % 4096},
                                                                                    {4096, (first_end - 9) % 4096},
                                                                                    {65536, 0}}) {
                SCOPED_TRACE(coders + " " + folders + ", pieces of " + std::to_string(bytes) + " from " +
                             std::to_string(phase));
                p7z_set_pieces(bytes, phase);
                EXPECT_EQ(read_whole(dir / "x.7z"), "");
            }
        }
    }
}
