#include "core/diag/address_space.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool program_address_space(uint64_t& bytes)
{
    const int fd = ::open("/proc/self/statm", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[128];
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) return false;
    text[got] = '\0';
    char* end = nullptr;
    const unsigned long long pages = std::strtoull(text, &end, 10);
    if (end == text) return false;
    bytes = pages * static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return true;
}

uint64_t address_space_limit()
{
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
    return limit.rlim_cur;
}

namespace {

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NIMBREL_SANITIZER_HEAP 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NIMBREL_SANITIZER_HEAP 1
#endif

// Whether the calling thread allocates from glibc's main arena now.  A
// thread starts on an arena and keeps it, but an allocation that finds no
// room in its own takes it to another one for good; a chunk of any arena
// but the main one is marked so in the size word before it.
bool allocates_from_the_main_arena()
{
#ifdef NIMBREL_SANITIZER_HEAP
    return false;  // the sanitizer's own heap, which says nothing of arenas
#else
    constexpr std::size_t kNonMainArena = 4;
    void* probe = std::malloc(1);
    if (!probe) return false;
    std::size_t size_word;
    std::memcpy(&size_word, reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(probe) - sizeof size_word),
                sizeof size_word);
    const bool main_arena = (size_word & kNonMainArena) == 0;
    std::free(probe);
    return main_arena;
#endif
}

// The size="..." of the first element of `type` in `text` ("fast" free
// blocks, the "rest" of them with the arena's top), 0 without one.
uint64_t free_total(const char* text, const char* type)
{
    char element[48];
    std::snprintf(element, sizeof element, "<total type=\"%s\"", type);
    const char* at = std::strstr(text, element);
    const char* size = at ? std::strstr(at, "size=\"") : nullptr;
    return size ? std::strtoull(size + 6, nullptr, 10) : 0;
}

}  // namespace

uint64_t heap_room_of_this_thread()
{
    if (!allocates_from_the_main_arena()) return 0;
    // malloc_info describes the main arena first, as <heap nr="0">, before
    // the other arenas and the totals of all; what is cut off past the
    // buffer is theirs.
    char text[32 << 10] = {};
    FILE* out = ::fmemopen(text, sizeof text - 1, "w");
    if (!out) return 0;
    ::malloc_info(0, out);
    std::fclose(out);
    char* main_arena = std::strstr(text, "<heap nr=\"0\">");
    if (!main_arena) return 0;
    if (char* next = std::strstr(main_arena + 1, "<heap nr=")) *next = 0;
    return free_total(main_arena, "fast") + free_total(main_arena, "rest");
}
