#include "core/diag/address_space.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>

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
