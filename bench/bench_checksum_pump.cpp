// How fast the checksum pump learns what is installed, driven frame by
// frame, against parallel md5sum over the same files in one run.
//
//   bench_checksum_pump [FILES [MEGABYTES [ROUNDS [FILES_A_PROCESS]]]]
//                       (default 10,000, 2,048, 5 and 16)
//
// The tree goes into a private folder under /tmp, removed at the end.  Every
// contender reads it from the page cache, warmed by one read beforehand.
// The contenders take turns, ROUNDS times; the medians count.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "core/threads/utl_thread.h"
#include "engine/checksum_pump.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "install_bench.h"

namespace {

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
    const auto start = clock_type::now();
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
    return seconds_since(start);
}

double thread_cpu_seconds()
{
    rusage use;
    getrusage(RUSAGE_THREAD, &use);
    return static_cast<double>(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           static_cast<double>(use.ru_utime.tv_usec + use.ru_stime.tv_usec) * 1e-6;
}

struct pump_run {
    double seconds = 0;
    double caller_cpu = 0;  // seconds of processor time the calling thread took
    int calls = 0;
};

// One pump run.  `frame` > 0 calls the pump once per frame of that length,
// as the scan screens do; 0 calls it back to back, waiting between calls,
// as the destination screen does within one frame.
pump_run time_pump(double frame)
{
    for (file_history_struct& h : sim_info) h.back().sig_have.clear();
    int cursor = 0;
    float progress = 0;
    pump_run run;
    const double cpu = thread_cpu_seconds();
    const auto start = clock_type::now();
    auto next_frame = start;
    for (;;) {
        ++run.calls;
        if (checksum_directory(cursor, 0, progress)) break;
        if (frame > 0) {
            next_frame += std::chrono::microseconds(static_cast<long>(frame * 1e6));
            std::this_thread::sleep_until(next_frame);
        } else {
            checksum_directory_wait();
        }
    }
    run.seconds = seconds_since(start);
    run.caller_cpu = thread_cpu_seconds() - cpu;
    return run;
}

}  // namespace

int main(int argc, char** argv)
{
    const long files = argc > 1 ? std::atol(argv[1]) : 10000;
    const long long megabytes = argc > 2 ? std::atoll(argv[2]) : 2048;
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    const int per_process = argc > 4 ? std::max(1, std::atoi(argv[4])) : 16;
    char made[] = "/tmp/nimbrel-bench-XXXXXX";
    if (!mkdtemp(made)) return 1;
    const std::string root = std::string(made) + "/";

    std::printf("Writing %ld files, %lld MB, under %s ...\n", files, megabytes, root.c_str());
    const std::vector<std::string> paths = make_tree(root, files, megabytes << 20);
    for (const std::string& p : paths) {
        file_version_struct v;
        v.path = "top/" + p;
        v.sig_want = "0123456789abcdef0123456789abcdef";
        // The manifest's sizes, by which the pump cuts its tasks.
        struct stat st;
        if (::stat((root + p).c_str(), &st) == 0) v.installed_size = static_cast<float>((st.st_size + 1023) / 1024);
        sim_info.push_back({v});
    }
    dest_dir_path = root;
    stg.target_os = 3;
    set_install_filter(1, 1);

    const std::string tool_name = "xargs -n " + std::to_string(per_process) + " -P<cpus> md5sum";
    const std::string md5sum = "cd " + root + " && find . -type f -print0 | xargs -0 -n " +
                               std::to_string(per_process) + " -P" + std::to_string(UTL_count_processors()) +
                               " md5sum >/dev/null";
    time_shell("cat " + root + "folder*/* >/dev/null");  // into the page cache

    std::vector<double> tool, paced, loop, loop_caller;
    int frames = 0, calls = 0;
    for (int round = 0; round < rounds; ++round) {
        tool.push_back(time_shell(md5sum));
        pump_run run = time_pump(1.0 / 60);
        paced.push_back(run.seconds);
        frames = run.calls;
        run = time_pump(0);
        loop.push_back(run.seconds);
        loop_caller.push_back(run.caller_cpu / run.seconds);
        calls = run.calls;
    }

    const double mb = static_cast<double>(megabytes), t = median(tool), p = median(paced), l = median(loop);
    std::printf("%-42s %8s %10s %8s   (medians of %d)\n", "contender", "seconds", "MB/s", "ratio", rounds);
    std::printf("%-42s %8.3f %10.0f %8.2f\n", tool_name.c_str(), t, mb / t, 1.0);
    std::printf("%-42s %8.3f %10.0f %8.2f   (%d frames)\n", "checksum_directory, one call per 1/60 s", p, mb / p,
                t / p, frames);
    std::printf("%-42s %8.3f %10.0f %8.2f   (%d calls, caller busy %.1f %% of the time)\n",
                "checksum_directory, back to back", l, mb / l, t / l, calls, 100 * median(loop_caller));

    nftw(made, remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    return 0;
}
