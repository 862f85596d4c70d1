// The processor count reads whatever the kernel (or a hostile mount) puts
// in /proc/cpuinfo: any bytes, any line lengths, NUL bytes included.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/threads/utl_thread.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static char path[] = "/tmp/nimbrel-fuzz-cpuinfo-XXXXXX";
    static int fd = -1;
    if (fd < 0) {
        fd = mkstemp(path);
        if (fd < 0) return 0;
        atexit([] { unlink(path); });
        UTL_set_cpuinfo_path(path);
        // Both failure messages go to standard error; keep the run quiet.
        if (!freopen("/dev/null", "w", stderr)) return 0;
    }
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    int count = UTL_count_processors();
    if (count < 1) __builtin_trap();
    return 0;
}
