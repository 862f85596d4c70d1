// The unpackers' budget under a real limit on the address space, each row
// in a child of its own, as a limit binds the whole process.  Mappings that
// are never touched stand for a decoder's dictionary and for another part
// of the program.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archive_fixtures.h"
#include "core/archives/archive_reader.h"
#include "core/archives/archives.h"
#include "core/archives/unpack_memory.h"
#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "test_support.h"

namespace {

constexpr uint64_t kMiB = 1 << 20;

// `bytes` of address space, or null when the limit leaves less.
std::shared_ptr<void> reserved(uint64_t bytes)
{
    void* at = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (at == MAP_FAILED) return nullptr;
    return std::shared_ptr<void>(at, [bytes](void* p) { ::munmap(p, bytes); });
}

// What the limit leaves now.
uint64_t room_left()
{
    struct rlimit limit;
    ::getrlimit(RLIMIT_AS, &limit);
    const uint64_t in_use = static_cast<uint64_t>(testing_support::status_kb("VmSize:")) << 10;
    return limit.rlim_cur > in_use ? limit.rlim_cur - in_use : 0;
}

// What leaves `left` bytes under the limit.
std::shared_ptr<void> leaving(uint64_t left)
{
    const uint64_t room = room_left();
    return room > left ? reserved(room - left) : nullptr;
}

struct limit_case {
    const char* what;
    uint64_t first;  // a share held when the next asks, its room reserved at once; 0: none
    uint64_t left;   // what another part of the program leaves under the limit; 0: it takes nothing
    bool left_once_next_taken;  // it takes the room once the next share is taken, not before it asks
    uint64_t next;   // the next share, its room reserved once taken; 0: a tile of 256 MiB unpacks
    bool no_descriptor_left;
    int result;  // of the next share or of the tile's unpacking
    bool waited;
    const char* logged;
    // When the tile's share is taken again, alone: the room taken elsewhere
    // is given back, and another part of the program takes what leaves
    // this much, once `another` asked; 0: nothing changes.
    uint64_t left_at_retry = 0;
    bool another = false;  // a share of 256 MiB asks from another thread
    bool first_room_stays = false;  // when the first share goes
    // The tile unpacked by name, in the program's folder, as a caller names it.
    bool by_name = false;
    // The other share asks while the tile's retry waits for its turn alone.
    bool another_behind_retry = false;
};

constexpr uint64_t kAnother = 2;  // the other thread's share's resident bytes, which tell it apart

// A row's play in its child.  When the next share waits, the first goes,
// and its room with it.
struct row_play {
    const limit_case* row = nullptr;
    std::unique_ptr<unpack_memory_share> first;
    std::shared_ptr<void> first_room, elsewhere;
    bool waited = false;
    unsigned tile_taken = 0;
    // The other thread's share: asked (waiting, or taken and its room
    // reserved), and the tile done.
    std::mutex lock;
    std::condition_variable changed;
    bool another_asked = false, tile_done = false;
    std::thread another;
} play;

// A share of `bytes` of address space, held with its room reserved, as
// the first of a row's play.
void hold_first(uint64_t bytes)
{
    play.first = std::make_unique<unpack_memory_share>(unpack_memory_need{1, bytes}, "the first");
    play.first_room = reserved(bytes);
}

void note_another_asked()
{
    std::lock_guard<std::mutex> hold(play.lock);
    play.another_asked = true;
    play.changed.notify_all();
}

// Holds a share of 256 MiB and its room until the tile is done.
void another_share()
{
    unpack_memory_share share({kAnother, 256 * kMiB}, "another");
    const std::shared_ptr<void> room = share.result() ? nullptr : reserved(256 * kMiB);
    note_another_asked();
    std::unique_lock<std::mutex> hold(play.lock);
    play.changed.wait(hold, [] { return play.tile_done; });
}

// The other thread's share, once it has asked (waiting, or taken and its
// room reserved).
void start_another()
{
    play.another = std::thread(another_share);
    std::unique_lock<std::mutex> hold(play.lock);
    play.changed.wait(hold, [] { return play.another_asked; });
}

// The tile's share taken again, alone: the room elsewhere changes hands
// while the other thread's share asks.
void at_retry(const limit_case& c)
{
    play.elsewhere.reset();
    const uint64_t room = room_left();
    if (c.another) start_another();
    play.elsewhere = reserved(room - c.left_at_retry);
}

void on_moment(unpack_memory_moment moment, uint64_t resident)
{
    if (resident == kAnother) {
        if (moment == unpack_memory_moment::waiting) note_another_asked();
    } else if (moment == unpack_memory_moment::waiting) {
        // The tile's retry waits for the first share to go.
        if (play.row && play.row->another_behind_retry && !play.another.joinable()) start_another();
        play.waited = true;
        if (!play.row || !play.row->first_room_stays) play.first_room.reset();
        play.first.reset();
    } else if (play.row && ++play.tile_taken == 2 && play.row->left_at_retry) {
        at_retry(*play.row);
    } else if (play.row && play.row->left_once_next_taken && !play.elsewhere) {
        play.elsewhere = leaving(play.row->left);
    }
}

// Reads `archive` as a caller would: for each entry in turn, `r` reads it
// whole, `h` hands over a piece of it, `p` passes over it; at `!` another
// part of the program takes all but 150 MiB.  0 when every entry read is
// what was `packed`, -3 when one is not, -4 when entries are left; else the
// reader's error, and whether it was counted as the archive's.
int read_play(const std::string& archive, const char* steps, const std::map<std::string, std::string>& packed,
              bool& in_archive)
{
    std::unique_ptr<archive_reader> in;
    archive_item item;
    int err = open_7z_reader(archive, in, "the archive");
    for (const char* step = steps; *step && !err; ++step) {
        if (*step == '!') {
            play.elsewhere = leaving(150 * kMiB);
        } else if (!(err = in->next(item)) && *step != 'p') {
            const bool whole = *step == 'r';
            char piece[1 << 16];
            std::string bytes;
            for (size_t got = 1; !err && got > 0 && (whole || bytes.empty());)
                if (!(err = in->read(piece, whole ? sizeof piece : 1000, &got))) bytes.append(piece, got);
            if (!err && packed.at(item.name).compare(0, whole ? std::string::npos : bytes.size(), bytes) != 0) err = -3;
        }
    }
    in_archive = failed_in_archive(err, in.get());
    if (!err && in->next(item) != kEndOfArchive) err = -4;
    return err;
}

// The tile done, its share given back: the other thread's share goes too.
void tile_done()
{
    {
        std::lock_guard<std::mutex> hold(play.lock);
        play.tile_done = true;
        play.changed.notify_all();
    }
    if (play.another.joinable()) play.another.join();
}

// What the next share or the tile's reading gives in its low 16 bits; bit
// 16 when it waited, bit 17 when the tile's failure was counted as the
// archive's.  -2 when a share taken could not reserve its room.
int play_row(const limit_case& c, const std::string& tile, const std::string& expected)
{
    play.row = &c;
    if (c.no_descriptor_left) {
        const struct rlimit few = {64, 64};
        ::setrlimit(RLIMIT_NOFILE, &few);
        while (::dup(2) >= 0) {
        }
    }
    if (c.first) hold_first(c.first);
    if (c.left && !c.left_once_next_taken) play.elsewhere = leaving(c.left);
    unpack_memory_set_hook(on_moment);
    int result = 0;
    bool in_archive = false;
    if (c.next == 0 && c.by_name) {
        app_path = tile.substr(0, tile.rfind('/') + 1);
        result = p7z_to_file("tile.7z", "", nullptr, 0);
    } else if (c.next == 0) {
        result = read_play(tile, "r", {{"a.bin", expected}}, in_archive);
        tile_done();
    } else {
        unpack_memory_share next({1, c.next}, "the next");
        result = next.result() ? next.result() : reserved(c.next) ? 0 : -2;
    }
    xer << std::flush;
    return (result & 0xFFFF) | play.waited << 16 | in_archive << 17;
}

}  // namespace

// Under a limit on the address space the budget judges the room left at
// each look: room another part of the program took after the first share
// was taken makes the next wait for it, not fail for want of it; the next
// share of a program whose address space cannot be read waits for its
// turn alone; a tile's decoder that finds its room taken between its
// share and its dictionary tries again alone, and no share is taken beside
// it then; a tile whose dictionary could not fit even were none held is
// refused at once, and says so; and a tile that finds no room even alone
// fails on this machine, not in its archive.
TEST(UnpackMemory, UnderAnAddressSpaceLimitEachLookJudgesTheRoomLeftThen)
{
    if (testing_support::under_sanitizer())
        GTEST_SKIP() << "a sanitizer's shadow memory takes terabytes of address space: no limit can be set";
    testing_support::scratch_dir dir;
    const std::string bytes(100000, 'a');
    testing_support::write_file(dir / "a.bin", bytes);
    // From a pipe, 7zz names the preset's whole dictionary over however little.
    const auto packed = testing_support::run_shell("cd '" + dir.path() +
                                                   "' && cat a.bin | 7zz a -bd -bso0 -t7z -mx=9 -sia.bin tile.7z");
    ASSERT_EQ(packed.status, 0) << packed.out;
    for (const limit_case& c : {
             limit_case{"room taken elsewhere while a share is held", 100 * kMiB, 900 * kMiB, false, 960 * kMiB,
                        false, 0, true, " waits for 0.0 MiB of memory and 960.0 MiB of address space"},
             {"a program whose address space cannot be read", kMiB, 0, false, kMiB, true, 0, true,
              "The program's address space cannot be read: unpacking the next takes its turn alone."},
             {"a tile whose dictionary could not fit were none held", 0, 200 * kMiB, false, 0, false, ENOMEM, false,
              "Unpacking tile.7z needs 256.0 MiB of address space, but the limit on the program's address space (",
              0, false, false, true},
             {"room taken elsewhere between a tile's share and its decoder", 200 * kMiB, 150 * kMiB, true, 0, false,
              0, true, "ran out of memory; it tries again alone."},
             {"room taken elsewhere again, leaving enough, once the tile goes alone", 200 * kMiB, 150 * kMiB, true, 0,
              false, 0, true, "waits for its turn alone.", 456 * kMiB},
             // No share may take room beside a retry alone before its
             // decoder has reserved it.
             {"a share that asks while a retry alone holds its turn", 200 * kMiB, 150 * kMiB, true, 0, false, 0,
              true, "another unpacking holds its turn alone: the archive, which tries again alone.", 456 * kMiB,
              true},
             {"a tile that finds no room even alone", 200 * kMiB, 150 * kMiB, true, 0, false, ENOMEM, true,
              "needs 256.0 MiB of address space", 0, false, true},
             // Room for the tile alone once the first goes, beside the other thread's stack and heap.
             {"a share that asks while a retry alone waits for its turn", 200 * kMiB, 230 * kMiB, true, 0, false, 0,
              true, "waits behind unpacking the archive, which tries again alone.", 0, false, false, false, true},
             {"a retry alone whose room is taken again before its decoder", 200 * kMiB, 150 * kMiB, true, 0, false,
              ENOMEM, true, "Unpacking the archive ran out of memory again alone (", 100 * kMiB},
             // Alone, a share keeps room past it for what its unpacking
             // takes besides, which the library would end the program for
             // were it missing.
             {"a tile whose share fits alone with 1 MiB to spare", 0, 257 * kMiB, false, 0, false, ENOMEM, false,
              "past the 32.0 MiB its unpacking takes besides."},
             {"a tile whose share fits alone with 28 MiB to spare", 0, 284 * kMiB, false, 0, false, ENOMEM, false,
              "past the 32.0 MiB its unpacking takes besides."},
             {"a tile whose share fits alone with 40 MiB to spare", 0, 296 * kMiB, false, 0, false, 0, false, ""}}) {
        SCOPED_TRACE(c.what);
        archive_fixtures::captured_log log;
        const int got =
            testing_support::run_bounded([&] { return play_row(c, dir / "tile.7z", bytes); }, 2048 * 1024).result;
        EXPECT_EQ(static_cast<int16_t>(got & 0xFFFF), c.result) << log.text()
            << "-1: the child died; -2: a share taken could not reserve its room; -3: the tile read otherwise";
        EXPECT_EQ((got >> 16 & 1) != 0, c.waited);
        EXPECT_EQ(got >> 17 & 1, 0) << "this machine's failure counted as the archive's";
        EXPECT_TRUE(testing_support::has(log.text(), c.logged)) << log.text();
    }
}

namespace {

// `size` bytes of numbered lines, told apart by `seed`.
std::string text_of(uint64_t size, unsigned seed)
{
    std::string text;
    for (unsigned i = 0; text.size() < size; ++i)
        text += "line " + std::to_string(i) + " of file " + std::to_string(seed) + ": the quick brown fox\n";
    text.resize(size);
    return text;
}

// `archive`, its header plain, with the LZMA2 dictionary of its second
// folder named 256 MiB, which decodes it as well and takes that much room.
std::string with_second_dictionary_of_256_mib(const std::string& archive)
{
    return archive_fixtures::patch_7z_header(archive, [](std::string& header) {
        const std::string lzma2("\x21\x21\x01", 3);
        const size_t second = header.find(lzma2, header.find(lzma2) + 1);
        EXPECT_NE(second, std::string::npos);
        if (second != std::string::npos) header[second + 3] = 32;
    });
}

// An archive 7zz packs of `files`, read as `steps` (read_play): a share of
// 200 MiB is held from the start when another part of the program takes
// room, and goes once the reader waits for its turn alone.
struct reading_case {
    const char* what;
    // In the archive's order; of no size, a link to the first, whose text
    // the library reads with its header and hands over as no bytes.
    std::vector<std::pair<std::string, uint64_t>> files;
    const char* options;  // 7zz's
    bool second_folder_large;
    const char* steps;
    bool retried;
};

}  // namespace

// What a caller does not read of an entry is read out and dropped before
// the next, never left to the library's skip, which in a solid folder
// loses its place after an entry of a multiple of 64 KiB; in a retry alone
// too, which reads out the entries before the one it returns to, and the
// bytes of that one handed over.
TEST(P7zReader, WhatACallerPassesOverIsReadOutAlsoWhenItTriesAgainAlone)
{
    if (testing_support::under_sanitizer())
        GTEST_SKIP() << "a sanitizer's shadow memory takes terabytes of address space: no limit can be set";
    constexpr uint64_t kKiB = 1024;
    std::vector<std::pair<std::string, uint64_t>> twelve;
    for (unsigned i = 1; i <= 12; ++i) twelve.push_back({"f" + std::to_string(100 + i), i * 64 * kKiB});
    for (const reading_case& c : {
             reading_case{"a solid LZMA archive of 1, 2 and 3 MiB, its first entry passed over",
                          {{"a", 1024 * kKiB}, {"b", 2048 * kKiB}, {"c", 3072 * kKiB}}, "-m0=LZMA -ms=on", false,
                          "prr", false},
             {"folders of two, the third entry passed over as its folder's dictionary loses its room", twelve,
              "-m0=LZMA2 -ms=2f", true, "rr!prrrrrrrrr", true},
             {"a link that opens the second folder read after a piece of the entry before it",
              {{"a1", 128 * kKiB}, {"a2", 192 * kKiB}, {"b3", 0}, {"b4", 256 * kKiB}}, "-snl -m0=LZMA2 -ms=2f", true,
              "rh!rr", true}}) {
        SCOPED_TRACE(c.what);
        testing_support::scratch_dir dir;
        std::map<std::string, std::string> packed;
        std::string names;
        for (const auto& [name, size] : c.files) {
            names += " " + name;
            packed[name] = text_of(size, static_cast<unsigned>(packed.size()));
            if (size)
                testing_support::write_file(dir / name, packed[name]);
            else
                ASSERT_EQ(::symlink(c.files[0].first.c_str(), (dir / name).c_str()), 0);
        }
        const auto made = testing_support::run_shell("cd '" + dir.path() + "' && 7zz a -bd -bso0 -t7z -mhc=off " +
                                                     c.options + " x.7z" + names);
        ASSERT_EQ(made.status, 0) << made.out;
        if (c.second_folder_large)
            testing_support::write_file(dir / "x.7z",
                                        with_second_dictionary_of_256_mib(testing_support::read_file(dir / "x.7z")));
        archive_fixtures::captured_log log;
        const int got = testing_support::run_bounded(
                            [&] {
                                if (std::strchr(c.steps, '!')) hold_first(200 * kMiB);
                                unpack_memory_set_hook(on_moment);
                                bool in_archive = false;
                                return read_play(dir / "x.7z", c.steps, packed, in_archive);
                            },
                            2048 * 1024)
                            .result;
        EXPECT_EQ(got, 0) << "-1: the child died; -3: an entry read otherwise; -4: entries left\n" << log.text();
        EXPECT_EQ(testing_support::has(log.text(), "ran out of memory; it tries again alone."), c.retried)
            << log.text();
    }
}
