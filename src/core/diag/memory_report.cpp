// The replaced allocator, the memory report and its remote command.
//
// Every form of operator new and delete is defined here, in one unit, so the
// linker takes all of them together or none.  The sanitizers intercept
// malloc and free underneath, so they still see every block.
#include "core/diag/memory_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/diag/remote_cmds.h"
#include "core/files/own_files.h"
#include "core/files/own_files_folder.h"

// -- Allocation ----------------------------------------------------------------

namespace {

// Returns null only when there is no new-handler left to try; a handler that
// gives up throws std::bad_alloc through here.
void* allocate(std::size_t size, std::size_t alignment)
{
    if (size == 0) size = 1;
    for (;;) {
        void* block = nullptr;
        if (alignment <= alignof(std::max_align_t))
            block = std::malloc(size);
        else if (posix_memalign(&block, alignment, size) != 0)
            block = nullptr;
        if (block) return block;
        std::new_handler handler = std::get_new_handler();
        if (!handler) return nullptr;
        handler();
    }
}

void* allocate_or_throw(std::size_t size, std::size_t alignment)
{
    void* block = allocate(size, alignment);
    if (!block) throw std::bad_alloc();
    return block;
}

void* allocate_or_null(std::size_t size, std::size_t alignment) noexcept
{
    try {
        return allocate(size, alignment);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

constexpr std::size_t plain = alignof(std::max_align_t);

}  // namespace

void* operator new(std::size_t size, const char*, int) { return allocate_or_throw(size, plain); }
void* operator new[](std::size_t size, const char* tag, int line) { return operator new(size, tag, line); }
void* operator new(std::size_t size) { return operator new(size, "anonymous new", 0); }
void* operator new[](std::size_t size) { return operator new(size, "anonymous new[]", 0); }
void* operator new(std::size_t size, std::align_val_t align) { return allocate_or_throw(size, std::size_t(align)); }
void* operator new[](std::size_t size, std::align_val_t align) { return allocate_or_throw(size, std::size_t(align)); }

void* operator new(std::size_t size, const std::nothrow_t&, const char*, int) noexcept
{
    return allocate_or_null(size, plain);
}
void* operator new[](std::size_t size, const std::nothrow_t& nt, const char* tag, int line) noexcept
{
    return operator new(size, nt, tag, line);
}
void* operator new(std::size_t size, const std::nothrow_t& nt) noexcept
{
    return operator new(size, nt, "anonymous new-nt", 0);
}
void* operator new[](std::size_t size, const std::nothrow_t& nt) noexcept
{
    return operator new(size, nt, "anonymous new-nt[]", 0);
}
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return allocate_or_null(size, std::size_t(align));
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept
{
    return allocate_or_null(size, std::size_t(align));
}

// Every block, aligned or not, came from malloc or posix_memalign: free
// releases all of them, and free(nullptr) does nothing.
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, const char*, int) noexcept { std::free(block); }
void operator delete[](void* block, const char*, int) noexcept { std::free(block); }

// -- Report ----------------------------------------------------------------------

namespace {

int first_dump = 1;

}  // namespace

void dump_mem_stats(const char* note)
{
    xer << "OK check MemoryLog.txt! I just sent him a dump from " << note << "\n";
    const int how = first_dump ? O_TRUNC : O_APPEND;
    first_dump = 0;
    // With no folder of the run's own, nothing is written.
    if (own_files_folder().empty()) return;
    // By the folder's whole name, however long: the working folder is
    // that folder only once the program has moved into it, and a report
    // before then (or in a run that could not move there) would leave the
    // file wherever the program was started, /tmp/ or /.
    const std::string path = (app_path.empty() ? own_files_folder() : app_path) + "MemoryLog.txt";
    const int fd = open_own_file(path, how);
    if (fd >= 0) ::close(fd);
}

void dump_mem_stats_start_over() { first_dump = 1; }

void DumpMemCmd() { dump_mem_stats("Remote Commanded Dump"); }

UTL_remote_cmd dump_mem_now("Dump Memory Info", DumpMemCmd);

int mem_to_number(unsigned long long bytes)
{
    if (bytes > 15032385536ULL) return static_cast<int>(bytes >> 30);
    if (bytes > 1468006ULL) return static_cast<int>(bytes >> 20);
    if (bytes > 1433ULL) return static_cast<int>(bytes >> 10);
    return static_cast<int>(bytes);
}

char mem_to_suffix(unsigned long long bytes)
{
    if (bytes > 15032385536ULL) return 'G';
    if (bytes > 1468006ULL) return 'M';
    if (bytes > 1433ULL) return 'K';
    return 'B';
}
