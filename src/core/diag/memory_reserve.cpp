#include "core/diag/memory_reserve.h"

#include <sys/mman.h>

#include <new>

#include "core/diag/log_stream.h"
#include "core/threads/main_thread.h"

namespace {

// Main thread only, which alone gives the reserve up or takes it again.
void* reserve = nullptr;
std::size_t reserve_bytes = 0;
bool given_up = false;

// No access and no backing: the mapping costs address space alone, which
// is what runs out under a limit on it.
void* set_aside(std::size_t bytes)
{
    void* at = ::mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return at == MAP_FAILED ? nullptr : at;
}

bool on_main_thread() { return !THREAD_is_inited() || THREAD_is_main_thread(); }

}  // namespace

void memory_reserve_handler()
{
    if (reserve && on_main_thread()) {
        ::munmap(reserve, reserve_bytes);
        reserve = nullptr;
        given_up = true;
        return;
    }
    throw std::bad_alloc();
}

bool memory_reserve_take(std::size_t bytes)
{
    if (reserve) ::munmap(reserve, reserve_bytes);
    reserve_bytes = bytes;
    reserve = set_aside(bytes);
    given_up = false;
    std::set_new_handler(memory_reserve_handler);
    return reserve != nullptr;
}

bool memory_reserve_restored()
{
    if (!given_up) return true;
    reserve = set_aside(reserve_bytes);
    if (!reserve) return false;
    given_up = false;
    xer << "An allocation found no memory; what it needed came back, and the reserve is set aside again.\n";
    return true;
}

bool memory_reserve_held() { return reserve != nullptr; }
