// Preloaded into a program under test by held_opens (tests/support): every
// open of a regular file below NIMBREL_TEST_HOLD_BELOW returns only once
// the pipe read at NIMBREL_TEST_HOLD_FD has lost its writing end, which the
// test alone keeps: when the test lets go, or when it is gone, so that a
// program whose test was killed is never held for ever.  Each held open is
// first written to the file NIMBREL_TEST_HOLD_NOTES: the test then knows
// that the program waits.
//
// The open itself has happened when it is held: what the caller sees is the
// same, and every way of opening ends in the one check below, whether a
// path, a folder's descriptor or the system call itself named the file.
#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct hold_setting {
    std::string below;  // ends in '/'
    std::string notes;
    int gate = -1;
};

const hold_setting& setting()
{
    static const hold_setting read = [] {
        hold_setting s;
        const char* below = std::getenv("NIMBREL_TEST_HOLD_BELOW");
        const char* notes = std::getenv("NIMBREL_TEST_HOLD_NOTES");
        const char* gate = std::getenv("NIMBREL_TEST_HOLD_FD");
        if (below && notes && gate) {
            s.below = below;
            s.notes = notes;
            s.gate = std::atoi(gate);
        }
        return s;
    }();
    return read;
}

template <typename F>
F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

using open_fn = int (*)(const char*, int, ...);
using openat_fn = int (*)(int, const char*, int, ...);

void note(const char* path)
{
    static const open_fn real_open = next<open_fn>("open");
    const int fd = real_open(setting().notes.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const std::string line = std::string(path) + "\n";
    (void)!::write(fd, line.data(), line.size());
    ::close(fd);
}

// `fd`, after waiting when it is a file below the held folder.
int held(int fd)
{
    const hold_setting& s = setting();
    if (fd < 0 || s.gate < 0) return fd;
    const int saved = errno;
    struct stat st;
    const int flags = ::fcntl(fd, F_GETFL);
    char link[64], path[PATH_MAX];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    if (flags >= 0 && !(flags & O_PATH) && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && n > 0) {
        path[n] = '\0';
        if (std::strncmp(path, s.below.c_str(), s.below.size()) == 0) {
            note(path);
            // Ends on the hang-up, or on a descriptor the program closed.
            pollfd gate = {s.gate, POLLIN, 0};
            while (::poll(&gate, 1, -1) < 0 && errno == EINTR) {}
        }
    }
    errno = saved;
    return fd;
}

// The mode is there only when the flags ask to create a file.
mode_t mode_of(int flags, va_list args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, unsigned)) : 0;
}

}  // namespace

#define HOLD_OPEN(name)                                           \
    extern "C" int name(const char* path, int flags, ...)         \
    {                                                             \
        static const open_fn real = next<open_fn>(#name);         \
        va_list args;                                             \
        va_start(args, flags);                                    \
        const mode_t mode = mode_of(flags, args);                 \
        va_end(args);                                             \
        return held(real(path, flags, mode));                     \
    }
#define HOLD_OPENAT(name)                                           \
    extern "C" int name(int dir, const char* path, int flags, ...)  \
    {                                                               \
        static const openat_fn real = next<openat_fn>(#name);       \
        va_list args;                                               \
        va_start(args, flags);                                      \
        const mode_t mode = mode_of(flags, args);                   \
        va_end(args);                                               \
        return held(real(dir, path, flags, mode));                  \
    }
#define HOLD_OPEN_2(name)                                         \
    extern "C" int name(const char* path, int flags)              \
    {                                                             \
        static const auto real = next<int (*)(const char*, int)>(#name); \
        return held(real(path, flags));                           \
    }
#define HOLD_OPENAT_2(name)                                              \
    extern "C" int name(int dir, const char* path, int flags)            \
    {                                                                    \
        static const auto real = next<int (*)(int, const char*, int)>(#name); \
        return held(real(dir, path, flags));                             \
    }
#define HOLD_FOPEN(name)                                                           \
    extern "C" FILE* name(const char* path, const char* mode)                      \
    {                                                                              \
        static const auto real = next<FILE* (*)(const char*, const char*)>(#name); \
        FILE* file = real(path, mode);                                             \
        if (file) held(::fileno(file));                                            \
        return file;                                                               \
    }

// The fortified builds' variants too (__open_2 and so on), which the
// headers put in place of a plain open.
HOLD_OPEN(open)
HOLD_OPEN(open64)
HOLD_OPEN_2(__open_2)
HOLD_OPEN_2(__open64_2)
HOLD_OPENAT(openat)
HOLD_OPENAT(openat64)
HOLD_OPENAT_2(__openat_2)
HOLD_OPENAT_2(__openat64_2)
HOLD_FOPEN(fopen)
HOLD_FOPEN(fopen64)

// openat2 has no wrapper in the C library: it is called by its number.
extern "C" long syscall(long number, ...) noexcept
{
    static const auto real = next<long (*)(long, ...)>("syscall");
    va_list args;
    va_start(args, number);
    long a[6];
    for (long& arg : a) arg = va_arg(args, long);
    va_end(args);
    const long result = real(number, a[0], a[1], a[2], a[3], a[4], a[5]);
    if (result >= 0 && (number == SYS_openat2 || number == SYS_openat)) held(static_cast<int>(result));
    return result;
}
