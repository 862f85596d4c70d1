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
#include <memory>
#include <string>

#include "archive_fixtures.h"
#include "core/archives/archives.h"
#include "core/archives/unpack_memory.h"
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

// What leaves `left` bytes under the limit.
std::shared_ptr<void> leaving(uint64_t left)
{
    struct rlimit limit;
    ::getrlimit(RLIMIT_AS, &limit);
    const uint64_t in_use = static_cast<uint64_t>(testing_support::status_kb("VmSize:")) << 10;
    return limit.rlim_cur > in_use + left ? reserved(limit.rlim_cur - in_use - left) : nullptr;
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
};

// A row's play in its child.  When the next share waits, the first goes,
// and its room with it.
struct row_play {
    const limit_case* row = nullptr;
    std::unique_ptr<unpack_memory_share> first;
    std::shared_ptr<void> first_room, elsewhere;
    bool waited = false;
} play;

void on_moment(unpack_memory_moment moment, uint64_t)
{
    if (moment == unpack_memory_moment::waiting) {
        play.waited = true;
        play.first_room.reset();
        play.first.reset();
    } else if (play.row->left_once_next_taken && !play.elsewhere) {
        play.elsewhere = leaving(play.row->left);
    }
}

// What the next share or the tile's unpacking gives, past 1000 when it
// waited; -2 when a share taken could not reserve its room.
int play_row(const limit_case& c, const std::string& tile, const std::string& out)
{
    play.row = &c;
    if (c.no_descriptor_left) {
        const struct rlimit few = {64, 64};
        ::setrlimit(RLIMIT_NOFILE, &few);
        while (::dup(2) >= 0) {
        }
    }
    if (c.first) {
        play.first = std::make_unique<unpack_memory_share>(unpack_memory_need{1, c.first}, "the first");
        play.first_room = reserved(c.first);
    }
    if (c.left && !c.left_once_next_taken) play.elsewhere = leaving(c.left);
    unpack_memory_set_hook(on_moment);
    int result = 0;
    if (c.next == 0) {
        result = p7z_to_file(tile, out, nullptr, 0);
    } else {
        unpack_memory_share next({1, c.next}, "the next");
        result = next.result() ? next.result() : reserved(c.next) ? 0 : -2;
    }
    xer << std::flush;
    return result + (play.waited ? 1000 : 0);
}

}  // namespace

// Under a limit on the address space the budget judges the room left at
// each look: room another part of the program took after the first share
// was taken makes the next wait for it, not fail for want of it; the next
// share of a program whose address space cannot be read waits for its
// turn alone; a tile's decoder that finds its room taken between its
// share and its dictionary tries again alone; and a tile whose dictionary
// could not fit even were none held is refused at once, and says so.
TEST(UnpackMemory, UnderAnAddressSpaceLimitEachLookJudgesTheRoomLeftThen)
{
    if (testing_support::under_sanitizer())
        GTEST_SKIP() << "a sanitizer's shadow memory takes terabytes of address space: no limit can be set";
    testing_support::scratch_dir dir;
    testing_support::write_file(dir / "a.bin", std::string(100000, 'a'));
    // From a pipe, 7zz names the preset's whole dictionary over however little.
    const auto packed = testing_support::run_shell("cd '" + dir.path() +
                                                   "' && cat a.bin | 7zz a -bd -bso0 -t7z -mx=9 -sia.bin tile.7z");
    ASSERT_EQ(packed.status, 0) << packed.out;
    ::mkdir((dir / "out").c_str(), 0755);
    for (const limit_case& c : {
             limit_case{"room taken elsewhere while a share is held", 100 * kMiB, 900 * kMiB, false, 960 * kMiB,
                        false, 0, true, " waits for 0.0 MiB of memory and 960.0 MiB of address space"},
             {"a program whose address space cannot be read", kMiB, 0, false, kMiB, true, 0, true,
              "The program's address space cannot be read: unpacking the next takes its turn alone."},
             {"a tile whose dictionary could not fit were none held", 0, 200 * kMiB, false, 0, false, ENOMEM, false,
              "needs 256.0 MiB of address space, but the limit"},
             {"room taken elsewhere between a tile's share and its decoder", 200 * kMiB, 150 * kMiB, true, 0, false,
              0, true, "ran out of memory; it tries again alone."}}) {
        SCOPED_TRACE(c.what);
        archive_fixtures::captured_log log;
        const int got =
            testing_support::run_bounded([&] { return play_row(c, dir / "tile.7z", dir / "out/"); }, 2048 * 1024)
                .result;
        EXPECT_EQ(got % 1000, c.result) << "-2: a share taken could not reserve its room";
        EXPECT_EQ(got >= 1000, c.waited);
        EXPECT_TRUE(testing_support::has(log.text(), c.logged)) << log.text();
        EXPECT_EQ(testing_support::file_exists(dir / "out/a.bin"), c.next == 0 && c.result == 0);
        ::unlink((dir / "out/a.bin").c_str());
    }
}
