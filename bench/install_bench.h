// What the install benchmarks share: their clock and medians, the bytes
// they make their releases of, their private folder, and the check of the
// copy they installed.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files/file_checksum.h"
#include "engine/install_filter.h"
#include "engine/manifest.h"

using clock_type = std::chrono::steady_clock;

inline double seconds_since(clock_type::time_point start)
{
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// The middle of the rounds' figures (the upper of the two middle ones).
inline double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Bytes that compress about as well as the simulator's data (a quarter).
inline std::string payload(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 7;
    for (char& c : bytes) c = static_cast<char>(((x = x * 1103515245u + 12345u) >> 16) & 0x3f);
    return bytes;
}

// Where a benchmark makes its files: $BENCH_DIR, else /tmp.  The run scripts
// point BENCH_DIR at a file system of the benchmark's own where they can: on
// a shared ext4 without a journal the kernel skips every inode freed in the
// last minutes when it makes a file, so whatever other programs deleted
// would weigh on the figures.
inline std::string bench_parent()
{
    const char* parent = std::getenv("BENCH_DIR");
    return parent && *parent ? parent : "/tmp";
}

// Every file of the manifest in the copy at `dest`, by its MD5.
inline bool verify(const std::string& dest)
{
    int bad = 0;
    for (const file_history_struct& history : sim_info) {
        std::string path = history.back().path, sum;
        trim_dest_folder(path);
        if (calc_file_md5(dest + path, sum) != 0 || sum != history.back().sig_want) ++bad;
    }
    if (bad) std::fprintf(stderr, "%d files differ from the manifest\n", bad);
    return bad == 0;
}
