// p7z_to_file takes whatever an install DVD holds.  What the header check
// lets by must read within the share it weighed: the bytes held while it
// reads, counted by the sanitizer's allocation hooks (the libraries' too),
// never pass the address space that share names by more than 16 MiB, so a
// part of a header that the weighing missed shows up here as a crash.
#include <sanitizer/allocator_interface.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "archive_sandbox.h"
#include "core/archives/archives.h"
#include "core/archives/seven_zip_coders.h"

namespace {

constexpr int64_t kPastTheShare = int64_t{16} << 20;

std::atomic<bool> counting{false};
std::atomic<int64_t> held{0}, peak{0};

void on_allocation(const volatile void*, size_t size)
{
    if (!counting.load(std::memory_order_relaxed)) return;
    const int64_t now = held.fetch_add(static_cast<int64_t>(size)) + static_cast<int64_t>(size);
    for (int64_t seen = peak.load(); now > seen && !peak.compare_exchange_weak(seen, now);) {
    }
}

void on_free(const volatile void* block)
{
    if (!block || !counting.load(std::memory_order_relaxed)) return;
    held.fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(const_cast<const void*>(block))));
}

// What the check weighs for the archive, or false when it refuses it.
bool weighed(const std::string& archive, unpack_memory_need& share)
{
    FILE* file = std::fopen(archive.c_str(), "rb");
    if (!file) std::abort();
    const bool accepted = check_7z_coders(file, share) == 0;
    std::fclose(file);
    return accepted;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    __sanitizer_install_malloc_and_free_hooks(on_allocation, on_free);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    archive_sandbox sandbox("in.7z", data, size);
    unpack_memory_need share;
    const bool accepted = weighed(sandbox.archive(), share);
    std::string last;
    held = 0;
    peak = 0;
    counting = accepted;
    p7z_to_file(sandbox.archive(), sandbox.out_dir(), &last, 0);
    counting = false;
    const int64_t bound = static_cast<int64_t>(share.address) + kPastTheShare;
    if (accepted && peak > bound) {
        std::fprintf(stderr, "reading held %lld bytes at its peak, past the %llu bytes of address space weighed "
                             "for it and 16 MiB\n",
                     static_cast<long long>(peak.load()), static_cast<unsigned long long>(share.address));
        std::abort();
    }
    return 0;
}
