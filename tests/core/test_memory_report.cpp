#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>

#include "core/core_globals.h"
#include "core/diag/fatal_trace.h"
#include "core/diag/memory_report.h"
#include "core/diag/memory_reserve.h"
#include "core/diag/remote_cmds.h"
#include "core/files/own_files_folder.h"
#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "log_capture.h"
#include "test_support.h"

using testing_support::file_exists;
using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

TEST(Allocator, EveryFormGivesDistinctFreeableBlocks)
{
    void* a = operator new(0);
    void* b = operator new(0);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(a, b) << "a zero-byte request still gets a block of its own";
    operator delete(a);
    operator delete(b, std::size_t(0));

    int* tagged = new (__FILE__, __LINE__) int(3);
    EXPECT_EQ(*tagged, 3);
    delete tagged;
    char* array = new (std::nothrow) char[100];
    ASSERT_NE(array, nullptr);
    delete[] array;

    struct alignas(256) wide { char bytes[256]; };
    wide* aligned = new wide;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(aligned) % 256, 0u);
    delete aligned;
    wide* aligned_array = new (std::nothrow) wide[3];
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(aligned_array) % 256, 0u);
    delete[] aligned_array;
}

namespace {

// Bytes the heap has handed out and not had back.  The sanitizers keep a
// heap of their own and count it themselves.
std::size_t heap_in_use()
{
    return testing_support::under_sanitizer() ? testing_support::sanitizer_heap_bytes() : mallinfo2().uordblks;
}

}  // namespace

TEST(Allocator, DeletingNullDoesNothingInEveryForm)
{
    // The count sees a block given back (one too large for the C library
    // to keep in a cache), so it would see one given back in error.
    void* block = operator new(64 * 1024);
    const std::size_t before = heap_in_use();
    operator delete(block);
    ASSERT_LT(heap_in_use(), before);
    const std::size_t after = heap_in_use();
    operator delete(nullptr);
    operator delete[](nullptr);
    operator delete(nullptr, std::nothrow);
    operator delete[](nullptr, std::nothrow);
    operator delete(nullptr, std::align_val_t(64));
    operator delete(nullptr, "tag", 1);
    EXPECT_EQ(heap_in_use(), after);
}

namespace {

int handler_calls = 0;

}  // namespace

// No malloc meets these requests; the sanitizers must answer null as the C
// library does instead of stopping the test.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }
extern "C" const char* __tsan_default_options() { return "allocator_may_return_null=1"; }

TEST(Allocator, NewHandlerRunsBetweenTriesUntilItGivesUp)
{
    const std::size_t too_much = SIZE_MAX / 2;
    handler_calls = 0;
    // A handler that "frees" something twice, then removes itself.
    std::set_new_handler([] {
        if (++handler_calls == 2) std::set_new_handler(nullptr);
    });
    EXPECT_THROW((void)operator new(too_much), std::bad_alloc);
    EXPECT_EQ(handler_calls, 2) << "each return of the handler is followed by another try";

    std::set_new_handler([] { throw std::bad_alloc(); });
    EXPECT_EQ(operator new(too_much, std::nothrow), nullptr) << "the handler's throw is caught";
    EXPECT_EQ(operator new[](too_much, std::nothrow), nullptr);
    EXPECT_EQ(operator new(too_much, std::align_val_t(64), std::nothrow), nullptr);
    std::set_new_handler(nullptr);
    EXPECT_EQ(operator new(too_much, std::nothrow), nullptr);
}

// The main thread's reserve against a bounded address space, in a child
// process (no bound can be set under a sanitizer, whose shadow takes
// terabytes of it): an allocation that finds no room has the reserve given
// up and succeeds, and leaves errno as it was; the reserve is set aside
// again only once the room is back, whether the allocation came through
// operator new or mapped its pages itself.  In work that answers for its
// own failures, and on any other thread, before the thread layer starts
// as after, a failure leaves it alone and fails at once.
TEST(MemoryReserve, IsGivenUpForTheMainThreadAndSetAsideAgainOnlyOnceTheRoomIsBack)
{
    if (testing_support::under_sanitizer()) GTEST_SKIP() << "no address-space bound can be set under a sanitizer";
    const testing_support::bounded_result r = testing_support::run_bounded(
        [] {
            constexpr std::size_t MiB = 1 << 20;
            int passed = 0;
            const auto step = [&passed](bool ok) { passed = passed * 2 + ok; };
            step(memory_reserve_take(32 * MiB));
            // More than is left beside the reserve, less than with it.
            char* block = new char[48 * MiB];
            step(!memory_reserve_held());
            step(!memory_reserve_restored());
            delete[] block;
            step(memory_reserve_restored() && memory_reserve_held());
            // A library's own mapping, as the driver's compiler makes for
            // its code, is given the reserve as well.
            const auto map_48 = [] {
                return ::mmap(nullptr, 48 * MiB, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            };
            errno = EINTR;
            void* mapped = map_48();
            step(mapped != MAP_FAILED && !memory_reserve_held() && errno == EINTR);
            ::munmap(mapped, 48 * MiB);
            step(memory_reserve_restored() && memory_reserve_held());

            // Answering for its own failures, through either road.
            {
                own_allocation_failures answering;
                bool thrown = false;
                try {
                    delete[] new char[48 * MiB];
                } catch (const std::bad_alloc&) {
                    thrown = true;
                }
                mapped = map_48();
                step(thrown && mapped == MAP_FAILED && errno == ENOMEM && memory_reserve_held());
            }

            const auto fails_on_a_thread = [&] {
                bool thrown = false, unmapped = false;
                std::thread worker([&] {
                    try {
                        delete[] new char[48 * MiB];
                    } catch (const std::bad_alloc&) {
                        thrown = true;
                    }
                    unmapped = map_48() == MAP_FAILED;
                });
                worker.join();
                return thrown && unmapped && memory_reserve_held();
            };
            step(fails_on_a_thread());
            THREAD_init();
            step(fails_on_a_thread());
            return passed;
        },
        64 * 1024);
    EXPECT_EQ(r.result, 0b111111111) << "the steps that passed, one bit each from the first";
}

TEST(MemoryReport, ByteCountsScaleToTheirUnit)
{
    EXPECT_EQ(mem_to_suffix(1433), 'B');
    EXPECT_EQ(mem_to_number(1433), 1433);
    EXPECT_EQ(mem_to_suffix(1434), 'K');
    EXPECT_EQ(mem_to_number(1434), 1);
    EXPECT_EQ(mem_to_suffix(1468006), 'K');
    EXPECT_EQ(mem_to_suffix(1468007), 'M');
    EXPECT_EQ(mem_to_number(2ULL << 30), 2048);
    EXPECT_EQ(mem_to_suffix(2ULL << 30), 'M');
    EXPECT_EQ(mem_to_number(15ULL << 30), 15);
    EXPECT_EQ(mem_to_suffix(15ULL << 30), 'G');
    EXPECT_EQ(mem_to_suffix(14ULL << 30), 'M');
}

TEST(MemoryReport, FirstReportTruncatesLaterOnesAppendAndEachLogsALine)
{
    scratch_dir dir;
    app_path = dir.path();
    dump_mem_stats("an earlier test");  // whether or not one ran, this run starts over
    dump_mem_stats_start_over();
    write_file(dir / "MemoryLog.txt", "stale");
    log_capture log;
    dump_mem_stats("first");
    EXPECT_EQ(read_file(dir / "MemoryLog.txt"), "") << "the first report of a run truncates";
    write_file(dir / "MemoryLog.txt", "kept");
    // The remote command, found by its name, is the second report.
    for (UTL_remote_cmd* cmd = UTL_remote_cmd::cmd_list; cmd; cmd = cmd->next)
        if (std::string(cmd->name) == "Dump Memory Info") UTL_remote_cmd::invoke(nullptr, cmd->id);
    EXPECT_EQ(read_file(dir / "MemoryLog.txt"), "kept");
    EXPECT_EQ(log.text(),
              "OK check MemoryLog.txt! I just sent him a dump from first\n"
              "OK check MemoryLog.txt! I just sent him a dump from Remote Commanded Dump\n");

    std::string deep = dir.path() + std::string(600, 'd') + "/";
    app_path = deep;
    dump_mem_stats("long path");  // nowhere to write: only the log line
    app_path.clear();
    EXPECT_FALSE(file_exists(deep + "MemoryLog.txt"));
}

TEST(MemoryReport, DefaultAlertLogsTheReportNoteBeforeItsLines)
{
    scratch_dir dir;
    app_path = dir.path();
    log_capture log;
    testing::internal::CaptureStdout();
    __MACIBM_alert(0, "one", "two", "", "", 1, "a.cpp", 4);
    testing::internal::GetCapturedStdout();
    app_path.clear();
    EXPECT_EQ(log.text(),
              "OK check MemoryLog.txt! I just sent him a dump from This is the dump_mem_stats call "
              "from the following code: if(type==t_exit || type == t_alert || recursive_error)\n"
              "\none\ntwo\n\n\n(a.cpp line 4)\n");
    EXPECT_TRUE(file_exists(dir / "MemoryLog.txt"));
}

// A report made before the program moves into the folder of its own files,
// or in a run that could not, lands there all the same, never in the folder
// the program was started in (/tmp/, /).
TEST(MemoryReport, TheRunsReportsGoToItsOwnFolderWhateverTheWorkingFolder)
{
    const std::string own = own_files_folder();
    if (own.empty()) GTEST_SKIP() << "this run has no folder of its own: " << own_files_folder_reason();
    const std::pair<const char*, void (*)()> rows[] = {
        {"MemoryLog.txt", [] { dump_mem_stats("elsewhere"); }},
        {"stack_crawl.txt", append_stack_crawl},
    };
    char* started = ::getcwd(nullptr, 0);
    ASSERT_NE(started, nullptr);
    const std::shared_ptr<char> back(started, [](char* folder) { (void)!::chdir(folder), std::free(folder); });
    scratch_dir elsewhere;
    ASSERT_EQ(::chdir(elsewhere.path().c_str()), 0);
    log_capture log;
    for (const auto& [name, report] : rows) {
        SCOPED_TRACE(name);
        ::unlink((own + name).c_str());
        report();
        EXPECT_TRUE(file_exists(own + name));
        EXPECT_FALSE(file_exists(elsewhere / name)) << "written in the working folder";
    }
}
