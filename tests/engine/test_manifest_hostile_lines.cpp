// Manifest lines a server should never send: paths that climb out of the
// destination, bad signatures, numbers past any range, garbage.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>
#include <vector>

#include "core/diag/memory_reserve.h"
#include "dvd_fixtures.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"
#include "alert_recorder.h"
#include "engine_test_support.h"
#include "hostile_texts.h"
#include "test_support.h"

namespace {

const std::string kSig = "0123456789abcdef0123456789abcdef";

class ManifestHostileLines : public ::testing::Test {
protected:
    void SetUp() override { engine_testing::reset_engine_state(); }
    void read(const std::string& body) { read_directory_body(body.data(), body.data() + body.size()); }
    std::vector<std::string> paths() const
    {
        std::vector<std::string> out;
        for (const auto& history : sim_info)
            for (const auto& version : history) out.push_back(version.path);
        return out;
    }
};

TEST_F(ManifestHostileLines, PathsThatLeaveTheDestinationAreDropped)
{
    const char* hostile[] = {"/etc/passwd", "top/../../x", "top/..", "../x", "top//x",
                             "top/a/../../b", "//x"};
    std::string body;
    for (const char* path : hostile) body += "FILE 1 0 0 1 1 " + kSig + " " + path + "\n";
    body += "FILE 1 0 0 1 1 " + kSig + " top/ok..txt\n";
    body += "FILE 1 0 0 1 1 " + kSig + " top/.../x\n";
    read(body);
    EXPECT_EQ(paths(), (std::vector<std::string>{"top/ok..txt", "top/.../x"}))
        << "only names that merely contain dots survive";
}

TEST_F(ManifestHostileLines, APrefixCannotSmuggleATraversalIn)
{
    read("DIR /abs/\nFILE 1 0 0 1 1 " + kSig + " x\nDIR ../\nFILE 1 0 0 1 1 " + kSig +
         " y\nDIR top/\nFILE 1 0 0 1 1 " + kSig + " z\n");
    EXPECT_EQ(paths(), (std::vector<std::string>{"top/z"}));
}

TEST_F(ManifestHostileLines, ALineWithoutSignatureOrPathIsDropped)
{
    read("FILE 1 2 3 4 5\nFILE 1 2 3 4 5 " + kSig + "\n");
    EXPECT_TRUE(sim_info.empty()) << "an empty path would name the destination itself";
}

TEST_F(ManifestHostileLines, ADroppedLineDoesNotEndAHistory)
{
    read("FILE 1 0 0 1 1 " + kSig + " top/a\nFILE 1 0 0 1 1 " + kSig + " ../a\nFILE 1 0 0 1 1 " +
         kSig + " top/a\n");
    ASSERT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(sim_info[0].size(), 2u);
}

TEST_F(ManifestHostileLines, ANegativeSizeDropsTheLineWithALogLine)
{
    engine_testing::log_capture log;
    // "!" reads as a digit below zero: negative without a sign.
    read("FILE 1 0 0 -5 1 " + kSig + " top/a\nFILE 1 0 0 1 -2000000 " + kSig + " top/b\nFILE 1 0 0 1 ! " + kSig +
         " top/c\nFILE 1 0 0 1 1 " + kSig + " top/d\n");
    EXPECT_EQ(paths(), std::vector<std::string>{"top/d"});
    EXPECT_NE(log.text().find("Manifest line dropped (negative size): \"top/b\""), std::string::npos) << log.text();
    recalc_disk_sizes();
    EXPECT_GE(stg.install_total, 0.0f) << "the disk-space check would say there is room for anything";
}

TEST_F(ManifestHostileLines, SignaturesOtherThanMd5OrTheMarkersCountAsAbsent)
{
    read("FILE 1 0 0 1 1 ../../evil top/a\n"
         "FILE 1 0 0 1 1 0123456789abcdef0123456789abcdeg top/b\n"
         "FILE 1 0 0 1 1 0123456789ABCDEF0123456789ABCDEF top/c\n"
         "FILE 1 0 0 1 1 NONE top/d\n"
         "FILE 1 0 0 1 1 gone top/e\n");
    ASSERT_EQ(sim_info.size(), 5u);
    EXPECT_EQ(sim_info[0][0].sig_want, "");
    EXPECT_EQ(sim_info[1][0].sig_want, "");
    EXPECT_EQ(sim_info[2][0].sig_want.str(), "0123456789abcdef0123456789abcdef")
        << "upper-case digits are a signature, read as the checksum writes it";
    EXPECT_EQ(sim_info[3][0].sig_want, "NONE");
    EXPECT_EQ(sim_info[4][0].sig_want, "");
}

TEST_F(ManifestHostileLines, HugeNumbersSaturateInsteadOfOverflowing)
{
    const std::string big(30, '9');
    read("DISK " + big + "\nFILE " + big + " " + big + " -" + big + " " + big + " " + big + " " +
         kSig + " top/a\n");
    ASSERT_EQ(sim_info.size(), 1u);
    const file_version_struct& v = sim_info[0][0];
    EXPECT_EQ(v.disk, INT_MAX);
    EXPECT_EQ(v.platform, 6);
    EXPECT_EQ(v.aux_number, -INT_MAX);
    EXPECT_EQ(v.download_size, static_cast<float>(INT_MAX));
    EXPECT_EQ(v.installed_size, static_cast<float>(INT_MAX));
}

TEST_F(ManifestHostileLines, DigitsAreNotCheckedButStayInRange)
{
    // "1a" reads as 1 * 10 + ('a' - '0'): the old reader's arithmetic.
    read("FILE 1 0 1a 1 1 " + kSig + " top/a\nFILE 1 0 -+12 1 1 " + kSig + " top/b\n");
    ASSERT_EQ(sim_info.size(), 2u);
    EXPECT_EQ(sim_info[0][0].aux_number, 10 + ('a' - '0'));
    EXPECT_EQ(sim_info[1][0].aux_number, -12);
}

TEST_F(ManifestHostileLines, GarbageAndTruncationLeaveTheGoodLines)
{
    std::string body = "garbage line\n\x01\x02\xff\xfe\nFILE 1 0 0 1 1 " + kSig + " top/a\n";
    body += "FILE\nFILE \nFILE 1\nDIR";
    body += "\nFILE 1 0 0 1 1 " + kSig + " top/b\nFILE 1 0 0 1 1 " + kSig + " top/tr";
    read(body);
    EXPECT_EQ(paths(), (std::vector<std::string>{"top/a", "top/b", "top/tr"}));
}

// The reading ends on it, and its fatal alert, whose window draws frames,
// comes once the reading gave back what it took, where the main thread's
// reserve can be had.
TEST_F(ManifestHostileLines, APathThatNamesAFolderIsAFatalError)
{
    static bool manifest_gone, reserve_there;  // as the alert was raised
    const auto as_raised = [](const testing_support::recorded_alert&) {
        manifest_gone = sim_info.empty();
        try {
            memory_reserve_handler();
            reserve_there = true;
        } catch (const std::bad_alloc&) {
            reserve_there = false;
        }
        return false;
    };
    const testing_support::bounded_result r = testing_support::run_bounded(
        [&] {
            if (!memory_reserve_take(kMemoryReserveBytes)) return -1;
            testing_support::alert_recorder catcher(as_raised);
            read("FILE 1 0 0 1 1 " + kSig + " top/a\nFILE 1 0 0 1 1 " + kSig + " top/folder/\nFILE 1 0 0 1 1 " +
                 kSig + " top/b\n");
            if (catcher.alerts().size() != 1) return -2;
            const testing_support::recorded_alert& a = catcher.alerts()[0];
            return (a.level == 2) + 2 * (a.line1 == "I am reading the directory text file and found a path that "
                                                   "has no file!") +
                   4 * (a.line4 == "top/folder/") + 8 * sim_info.empty() + 16 * manifest_gone + 32 * reserve_there;
        },
        1 << 20);
    EXPECT_EQ(r.result, 63) << "1 fatal, 2 its words, 4 the path, 8 nothing kept, 16 given back before the alert, "
                               "32 the reserve there for it";
}

// Shapes that cost far more to keep than their bytes: a long DIR line named
// by many FILE lines (the first three came from a server), paths on either
// side of the longest a path can be, and millions of lines whose versions,
// records and pooled paths would take many times their few bytes.  Each is
// refused as damaged for its reason, logged, or read; either way within an
// address space of four times the manifest's bytes and 64 MiB beside what
// the reader started with, the main thread's reserve, which a reading
// never takes, and the room it leaves the rest of the program (not bounded
// under a sanitizer, whose shadow takes terabytes of it).  A row read more than once reads a manifest of other paths each
// time, or the same one: each reading ends alike, as what a refused reading
// took goes with it, and what they hold together stays within one's bound.
// Whatever paths a manifest names, its pool finds each within a few probes
// of its table: paths built to share the library's string hash would each
// walk past all before them.
// Where work that needs room follows the reading, a manifest is read only
// when that work then finds the room, or cannot be held.
TEST_F(ManifestHostileLines, CostlyShapesAreRefusedForTheirReasonOrReadWithinTheBound)
{
    const auto dir_and_files = [](size_t dir_bytes, int files) {
        return [=](std::ostream& out, int) {
            out << "DIR top/" << std::string(dir_bytes - 5, 'd') << "/\n";
            for (int i = 0; i < files; ++i) out << "FILE 1 0 0 1 1 " << kSig << " f" << i << "\n";
        };
    };
    const auto paths_of = [](const std::vector<std::string>& paths) {
        return [=](std::ostream& out, int) {
            for (const std::string& path : paths) out << "FILE 1 0 0 1 1 " << kSig << " " << path << "\n";
        };
    };
    const auto honest = [](int files, int platform = 0) {
        return [=](std::ostream& out, int) {
            for (int i = 0; i < files; ++i) {
                if (i % 300 == 0) out << "DIR Nimbrel/Resources/folder " << i / 300 << "/\n";
                out << "FILE 1 " << platform << " 12 34 56 " << kSig << " file_" << i << ".obj\n";
            }
        };
    };
    constexpr int kAnotherSystem = 1;
    // Free blocks of `mib` MiB in the heap of the main thread, or of a
    // worker that has ended, as a large task leaves them: the main
    // thread's allocations never reuse a worker's, and no new mapping (a
    // thread's stack) can take either.
    const auto free_blocks = [](std::size_t mib) {
        constexpr std::size_t kBlock = 64 << 10;
        std::vector<void*> blocks(2 * (mib << 20) / kBlock);
        for (void*& block : blocks) block = std::malloc(kBlock);
        // Every other one, so that none joins the heap's top.
        for (std::size_t i = 0; i < blocks.size(); i += 2) std::free(blocks[i]);
    };
    const auto free_in_a_workers_heap = [&](std::size_t mib) {
        return [=] { std::thread(free_blocks, mib).join(); };
    };
    // Free at the top of the main thread's heap, where the allocator keeps
    // up to twice the largest block freed before.
    const auto free_at_the_heap_top = [](std::size_t mib) {
        std::free(std::malloc(16 << 20));
        std::vector<void*> blocks(mib);
        for (void*& block : blocks) block = std::malloc(1 << 20);
        for (void* block : blocks) std::free(block);
    };
    struct shape {
        const char* what;
        std::function<void(std::ostream&, int)> write;  // the body of the reading given, line by line
        int status;
        const char* logged;
        int readings = 1;
        long headroom_kb = 0;  // past what a reading leaves; else four times the manifest and 64 MiB
        bool scanned = false;  // a scan notes a stamp of each file after each reading
        std::function<void()> beside = nullptr;  // what the program holds before the first reading
        std::size_t kept_after_mib = 0;  // the room the work after each reading needs, which it then takes
        std::size_t kept_per_file = 0;   // and for each file read
    };
    const char* too_long = "The manifest is damaged: it names a path of ";
    const char* too_costly = "The manifest is damaged: reading it would hold more than ";
    for (const shape& c : std::vector<shape>{
             {"a DIR line of 16 MiB and 64 files", dir_and_files(16u << 20, 64), kDirectoryDamaged, too_long},
             {"a DIR line of 1 MiB and 256 files", dir_and_files(1u << 20, 256), kDirectoryDamaged, too_long},
             {"a DIR line of 200 MiB and 4,096 files", dir_and_files(200u << 20, 4096), kDirectoryDamaged, too_long},
             {"a path of 4,095 bytes", dir_and_files(4093, 1), kDirectoryRead, ""},
             {"a path of 4,096 bytes", dir_and_files(4094, 1), kDirectoryDamaged, too_long},
             {"two million versions of one path in lines of six bytes",
              [](std::ostream& out, int) {
                  out << "DIR top/a\n";
                  for (int i = 0; i < 2000000; ++i) out << "FILE \n";
              },
              kDirectoryDamaged, too_costly},
             {"folders of 4,000-byte names of 300 short files each, read twice",
              [](std::ostream& out, int) {
                  for (int i = 0; i < 60000; ++i) {
                      if (i % 300 == 0) out << "DIR top/" << std::string(4000, 'x') << i << "/\n";
                      out << "FILE 1 1 1 1 1 s " << i << "\n";
                  }
              },
              kDirectoryDamaged, too_costly, 2},
             {"ten manifests of a 4,000-byte DIR line and 60,000 short names, each of other paths",
              [](std::ostream& out, int reading) {
                  out << "DIR top/" << reading << std::string(4000, 'x') << "/\n";
                  for (int i = 0; i < 60000; ++i) out << "FILE 1 1 1 1 1 s " << i << "\n";
              },
              kDirectoryDamaged, too_costly, 10},
             {"an honest manifest of 300,000 files", honest(300000), kDirectoryRead, ""},
             {"20,000 paths of one library string hash",
              paths_of(testing_support::texts_of_one_library_hash(20000, "Nimbrel/Resources/", "/file.obj")),
              kDirectoryRead, ""},
             {"an honest manifest of 60,000 files with room for half of it beside the rest", honest(60000),
              kDirectoryOutOfMemory, "than the room the limit on the address space leaves", 1, 8 * 1024},
             {"the same, 64 MiB free in a worker's heap", honest(60000), kDirectoryOutOfMemory,
              "than the room the limit on the address space leaves", 1, 8 * 1024, false, free_in_a_workers_heap(64)},
             {"an honest manifest of 300,000 files read again after a scan noted a stamp for each file",
              honest(300000), kDirectoryRead, "", 2, 120 * 1024, true},
             {"the same for another system, whose files the scan reads none of", honest(300000, kAnotherSystem),
              kDirectoryRead, "", 2, 90 * 1024, true},
             // Of 20 MB, kept in about 55 MiB, with about 140 MiB to map it in.
             {"an honest manifest of 300,000 files that leaves the room the work after it needs, its own mapping's "
              "among it",
              honest(300000), kDirectoryRead, "", 1, 160 * 1024, false, nullptr, 96},
             {"the same where that work needs more", honest(300000), kDirectoryOutOfMemory,
              "would leave less than the room the work after it needs", 1, 160 * 1024, false, nullptr, 124},
             {"the same where it needs 96 MiB and 128 bytes for each file", honest(300000), kDirectoryOutOfMemory,
              "would leave less than the room the work after it needs", 1, 160 * 1024, false, nullptr, 96, 128},
             {"the same for another system, whose files that work reads none of", honest(300000, kAnotherSystem),
              kDirectoryRead, "", 1, 160 * 1024, false, nullptr, 96, 128},
             {"the same where that room is there only with 64 MiB free in the main thread's heap",
              honest(300000), kDirectoryOutOfMemory, "leaves less room than the work after the manifest needs", 1,
              80 * 1024, false, [=] { free_blocks(64); }, 96},
             {"an honest manifest of 100,000 files that leaves the work after it 64 MiB, there once 24 MiB freed at "
              "the top of the main thread's heap go back",
              honest(100000), kDirectoryRead, "", 1, 63 * 1024, false, [=] { free_at_the_heap_top(24); }, 64}}) {
        SCOPED_TRACE(c.what);
        // Its room is the point, and none can be bounded there.
        if (c.headroom_kb && testing_support::under_sanitizer()) continue;
        testing_support::scratch_dir dir;
        const std::string path = dir / "directory.txt";
        dest_dir_path = dir.path();  // the copy a scan stamps
        const auto write = [&](int reading) {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << engine_testing::manifest_text("");
            c.write(out, reading);
        };
        // Line by line: a text built whole would leave its room free in the
        // heap that the child starts with.
        write(0);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        const long bound_kb = 4 * static_cast<long>(st.st_size) / 1024 + 64 * 1024;
        const long beside_kb = (kMemoryReserveBytes + kManifestRoomForTheRest) / 1024;
        const testing_support::bounded_result r = testing_support::run_bounded(
            [&] {
                if (!memory_reserve_take(kMemoryReserveBytes)) return -2;
                keep_room_after_manifest_reading({c.kept_after_mib << 20, c.kept_per_file});
                int first = 0;
                for (int reading = 0; reading < c.readings; ++reading) {
                    if (reading > 0) write(reading);
                    engine_testing::log_capture log;
                    const int status = read_directory(path, "");
                    // The room kept is there, in the address space, as the
                    // scan's stacks take it.
                    if (status == kDirectoryRead && c.kept_after_mib &&
                        ::mmap(nullptr, c.kept_after_mib << 20, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) ==
                            MAP_FAILED)
                        return -3;
                    // The reason, and never the path whole.
                    const std::string text = log.text();
                    const bool told = text.find(c.logged) != std::string::npos && text.size() < 10000;
                    // Never "read" with nothing read.
                    if (status == kDirectoryRead && sim_info.empty()) return -1;
                    if (manifest_texts().probes_to_find_each() > 3 * manifest_texts().count()) return -3;
                    const int ended = status * 100 + told * 10 + memory_reserve_held();
                    if (c.scanned) {
                        scan_stamps_begin(true);
                        for (std::size_t i = 0; i < sim_info.size(); ++i)
                            if (want_this_f(static_cast<int>(i), static_cast<int>(sim_info[i].size()) - 1))
                                scan_stamp_note(sim_info[i].back(), {});
                    }
                    if (reading == 0) first = ended;
                    if (ended != first) return -ended;
                }
                return first;
            },
            (c.headroom_kb ? c.headroom_kb : bound_kb) + beside_kb, c.beside);
        EXPECT_EQ(r.result, c.status * 100 + 11)
            << "a reading ended otherwise, or without its reason, or took the reserve (-3: its paths took more "
               "than three probes each to find)";
        if (!testing_support::under_sanitizer()) {
            EXPECT_LE(r.resident_growth_kb, bound_kb);
        }
    }
}

}  // namespace
