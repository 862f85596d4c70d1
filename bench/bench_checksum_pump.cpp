// How fast the checksum pump learns what is installed, driven frame by
// frame, against parallel md5sum over the same files in one run.
//
//   bench_checksum_pump [FILES] [MEGABYTES]     (default 10,000 and 2,048)
//
// The tree goes into a private folder under /tmp, removed at the end.  Every
// contender reads it from the page cache, warmed by one read beforehand.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/threads/utl_thread.h"
#include "engine/checksum_pump.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"

namespace {

using bench_clock = std::chrono::steady_clock;

double seconds_since(bench_clock::time_point start)
{
    return std::chrono::duration<double>(bench_clock::now() - start).count();
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

// Sizes as a release has them: most files small, a few large ones holding
// most of the bytes.  Contents from a cheap generator, never sparse.
std::vector<std::string> make_tree(const std::string& root, long files, long long bytes)
{
    std::vector<long long> sizes(files);
    long long weight_total = 0;
    for (long i = 0; i < files; ++i) weight_total += sizes[i] = (i % 50 == 0) ? 400 : 1 + i % 13;
    std::vector<char> block(1 << 20);
    unsigned long long state = 0x9e3779b97f4a7c15ull;
    for (char& c : block) c = static_cast<char>((state = state * 6364136223846793005ull + 1) >> 56);

    std::vector<std::string> paths;
    for (long i = 0; i < files; ++i) {
        const std::string folder = root + "folder" + std::to_string(i / 300) + "/";
        if (i % 300 == 0) ::mkdir(folder.c_str(), 0755);
        const std::string path = folder + "file" + std::to_string(i);
        FILE* out = std::fopen(path.c_str(), "wb");
        long long left = bytes * sizes[i] / weight_total;
        block[0] = static_cast<char>(i);  // no two files alike
        while (left > 0) {
            const size_t n = static_cast<size_t>(std::min<long long>(left, block.size()));
            std::fwrite(block.data(), 1, n, out);
            left -= static_cast<long long>(n);
        }
        std::fclose(out);
        paths.push_back(path.substr(root.size()));
    }
    return paths;
}

double time_shell(const std::string& command)
{
    const auto start = bench_clock::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return seconds_since(start);
}

// One pump run.  `frame` > 0 calls the pump once per frame of that length,
// as the scan screens do; 0 calls it back to back, as the destination
// screen does within one frame.
double time_pump(double frame, int* frames)
{
    for (file_history_struct& h : sim_info) h.back().sig_have.clear();
    int cursor = 0;
    float progress = 0;
    *frames = 0;
    const auto start = bench_clock::now();
    auto next_frame = start;
    for (;;) {
        ++*frames;
        if (checksum_directory(cursor, 0, progress)) break;
        if (frame > 0) {
            next_frame += std::chrono::microseconds(static_cast<long>(frame * 1e6));
            std::this_thread::sleep_until(next_frame);
        }
    }
    return seconds_since(start);
}

}  // namespace

int main(int argc, char** argv)
{
    const long files = argc > 1 ? std::atol(argv[1]) : 10000;
    const long long megabytes = argc > 2 ? std::atoll(argv[2]) : 2048;
    char made[] = "/tmp/nimbrel-bench-XXXXXX";
    if (!mkdtemp(made)) return 1;
    const std::string root = std::string(made) + "/";

    std::printf("Writing %ld files, %lld MB, under %s ...\n", files, megabytes, root.c_str());
    const std::vector<std::string> paths = make_tree(root, files, megabytes << 20);
    for (const std::string& p : paths) {
        file_version_struct v;
        v.path = "top/" + p;
        v.sig_want = "0123456789abcdef0123456789abcdef";
        sim_info.push_back({v});
    }
    dest_dir_path = root;
    stg.target_os = 3;
    set_install_filter(1, 1);

    const std::string md5sum = "cd " + root + " && find . -type f -print0 | xargs -0 -n 64 -P" +
                               std::to_string(UTL_count_processors()) + " md5sum >/dev/null";
    time_shell("cat " + root + "folder*/* >/dev/null");  // into the page cache

    // Twice each, interleaved, best of two: the machine is shared.
    int frames_paced = 0, frames_loop = 0;
    double tool = 1e9, pump_paced = 1e9, pump_loop = 1e9;
    for (int round = 0; round < 2; ++round) {
        tool = std::min(tool, time_shell(md5sum));
        pump_paced = std::min(pump_paced, time_pump(1.0 / 60, &frames_paced));
        pump_loop = std::min(pump_loop, time_pump(0, &frames_loop));
    }

    const double mb = static_cast<double>(megabytes);
    std::printf("%-42s %8s %10s %8s\n", "contender", "seconds", "MB/s", "ratio");
    std::printf("%-42s %8.2f %10.0f %8.2f\n", "xargs -n 64 -P<cpus> md5sum (best of 2)", tool,
                mb / tool, 1.0);
    std::printf("%-42s %8.2f %10.0f %8.2f   (%d frames)\n", "checksum_directory, one call per 1/60 s",
                pump_paced, mb / pump_paced, tool / pump_paced, frames_paced);
    std::printf("%-42s %8.2f %10.0f %8.2f   (%d calls)\n", "checksum_directory, back to back",
                pump_loop, mb / pump_loop, tool / pump_loop, frames_loop);

    nftw(made, remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    return 0;
}
