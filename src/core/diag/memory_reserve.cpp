#include "core/diag/memory_reserve.h"

#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>
#include <thread>

#include "core/diag/log_stream.h"

namespace {

// The thread that set the reserve aside, which alone gives it up or takes
// it again: the main thread, before the thread layer starts and after it
// ends too.
std::atomic<std::thread::id> owner{};
void* reserve = nullptr;
std::size_t reserve_bytes = 0;
bool given_up = false;
// How many own_allocation_failures this thread is inside.
thread_local int answering = 0;

// No access and no backing: the mapping costs address space alone, which
// is what runs out under a limit on it.
void* set_aside(std::size_t bytes)
{
    void* at = ::mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return at == MAP_FAILED ? nullptr : at;
}

// Gives the reserve up for an allocation on the main thread; false when
// there is none to give, on another thread, or in work that answers for its
// own failures.
bool give_up_reserve()
{
    // Asked first: another thread must not even look at the reserve.
    if (owner.load(std::memory_order_relaxed) != std::this_thread::get_id() || answering > 0 || !reserve)
        return false;
    ::munmap(reserve, reserve_bytes);
    reserve = nullptr;
    given_up = true;
    return true;
}

}  // namespace

void memory_reserve_handler()
{
    if (!give_up_reserve()) throw std::bad_alloc();
}

own_allocation_failures::own_allocation_failures() { ++answering; }

own_allocation_failures::~own_allocation_failures() { --answering; }

// -- Mappings ---

// The driver's compiler maps the code it makes itself and ends the program
// ("Unable to allocate section memory!") when a mapping fails, with no
// operator new in between: every mapping of a library that finds no room
// on the main thread is given the reserve and tried once more.  The
// sanitizers map through functions of their own by these names.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NIMBREL_SANITIZER_MAPS 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NIMBREL_SANITIZER_MAPS 1
#endif

#ifndef NIMBREL_SANITIZER_MAPS
namespace {

void* map_once(void* at, std::size_t bytes, int prot, int flags, int fd, off_t offset)
{
    const long made = ::syscall(SYS_mmap, at, bytes, prot, flags, fd, offset);
    return made == -1 ? MAP_FAILED : reinterpret_cast<void*>(made);
}

}  // namespace

extern "C" void* mmap(void* at, std::size_t bytes, int prot, int flags, int fd, off_t offset)
{
    const int callers_errno = errno;
    void* made = map_once(at, bytes, prot, flags, fd, offset);
    if (made == MAP_FAILED && errno == ENOMEM && give_up_reserve()) {
        made = map_once(at, bytes, prot, flags, fd, offset);
        // A mapping that succeeds leaves errno as its caller had it.
        if (made != MAP_FAILED) errno = callers_errno;
    }
    return made;
}

extern "C" void* mmap64(void* at, std::size_t bytes, int prot, int flags, int fd, off_t offset)
{
    return mmap(at, bytes, prot, flags, fd, offset);
}
#endif

bool memory_reserve_take(std::size_t bytes)
{
    owner = std::this_thread::get_id();
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
