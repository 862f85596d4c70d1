// The manifest reader on arbitrary bodies behind a valid header (a header
// it rejects only makes the manifest damaged, or leads to the newer-format
// notice and its browser).  Whatever a reading takes it gives back: once
// the next manifest (an empty one here) replaces it, or at once when it is
// refused, the bytes the input left held, counted by the sanitizer's
// allocation hooks, are the few of an empty manifest, so a reading that
// keeps what it pooled shows up as a crash.
#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "alert_recorder.h"
#include "engine/install_filter.h"
#include "engine/manifest.h"
#include "scratch_folder.h"

namespace {

constexpr int64_t kLeftAtMost = int64_t{64} << 10;

std::atomic<bool> counting{false};
std::atomic<int64_t> held{0};

void on_allocation(const volatile void*, size_t size)
{
    if (counting.load(std::memory_order_relaxed)) held.fetch_add(static_cast<int64_t>(size));
}

void on_free(const volatile void* block)
{
    if (!block || !counting.load(std::memory_order_relaxed)) return;
    held.fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(const_cast<const void*>(block))));
}

std::string manifest_path()
{
    static const std::string path = [] {
        testing_support::alerts_silenced();
        return fuzz_scratch_folder() + "directory.txt";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    __sanitizer_install_malloc_and_free_hooks(on_allocation, on_free);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = manifest_path();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << "I\n" << (size && (data[0] & 1) ? 840 : 900) << " version\nINSTALLER\n";
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    held = 0;
    counting = true;
    read_directory(path, "");
    // What the wizard runs next on the same data.
    recalc_disk_sizes();
    scenery_take_all();
    scenery_from_install();
    for (std::size_t h = 0; h < sim_info.size(); ++h) suffix_for_file(static_cast<int>(h));
    const char none = 0;
    read_directory_body(&none, &none);
    counting = false;
    if (held > kLeftAtMost) {
        std::fprintf(stderr, "the manifest's reading left %lld bytes held once another replaced it\n",
                     static_cast<long long>(held.load()));
        std::abort();
    }
    return 0;
}
