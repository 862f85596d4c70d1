#include "core/files/file_checksum.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "core/diag/error_codes.h"
#include "core/files/md5.h"
#include "core/files/system_paths.h"

namespace {

// Read(2) in blocks rather than a mapping: a file that shrinks under a
// mapping kills the process with SIGBUS, a file that shrinks under read(2)
// only ends early.  A quarter of a megabyte keeps the copy out of the
// profile and stays in the cache next to the hashing.
constexpr size_t kBlock = kChecksumBlockBytes;

// One block per thread for its whole life: a block this size allocated per
// file would be mapped and unmapped each time, and the checksum workers
// would queue on the kernel's memory map lock.
unsigned char* thread_block()
{
    static thread_local std::unique_ptr<unsigned char[]> block(new unsigned char[kBlock]);
    return block.get();
}

struct fd_closer {
    int fd;
    ~fd_closer() { ::close(fd); }
};

}  // namespace

int calc_file_md5(const std::string& path, std::string& sum)
{
    std::string full = path;
    set_path_to_full(full);

    // Non-blocking so that a pipe at the path cannot hang a checksum worker.
    int fd = ::open(full.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kErrFileOpenRead;
    fd_closer closer{fd};
    return calc_fd_md5(fd, sum);
}

int calc_fd_md5(int fd, std::string& sum)
{
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return kErrFileOpenRead;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    unsigned char* block = thread_block();
    MD5_CTX context;
    MD5Init(&context);
    unsigned long long total = 0;
    for (;;) {
        ssize_t got = ::read(fd, block, kBlock);
        if (got < 0) {
            if (errno == EINTR) continue;
            return kErrFileOpenRead;
        }
        if (got == 0) break;
        MD5UpdateWide(&context, block, static_cast<unsigned>(got));
        total += static_cast<unsigned long long>(got);
    }
    // A file rewritten while we read it has no signature worth comparing.
    if (total != static_cast<unsigned long long>(st.st_size)) return kErrFileOpenRead;
    MD5Final(&context);
    sum = md5_text(context.digest);
    return 0;
}

std::string md5_text(const unsigned char digest[16])
{
    static const char hex[] = "0123456789abcdef";
    char text[32];
    for (int n = 0; n < 16; ++n) {
        text[2 * n] = hex[digest[n] >> 4];
        text[2 * n + 1] = hex[digest[n] & 15];
    }
    return std::string(text, sizeof text);
}
