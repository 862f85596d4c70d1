// Start-up and idle cost of the installer under X:
//   - time from exec to the first buffer swap of the main window;
//   - CPU time the idle frame loop takes over 10 seconds, as a share of
//     one core: the whole process, and apart from it the threads of Mesa's
//     software rasteriser (llvmpipe), which do on the processor what a
//     graphics card does on real hardware.
// Each run starts the program afresh with its own HOME; the figures are the
// median of the runs.
//
//   bench_startup INSTALLER PROBE_LIBRARY [RUNS]   (DISPLAY must be set)
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "process_cpu.h"

namespace {

long long monotonic_ns()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// Ends a run the way that removes its temporary folder; outright only when
// it has not ended 10 s later.
void end_run(pid_t pid)
{
    kill(pid, SIGTERM);
    for (int i = 0; i < 1000; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || !std::getenv("DISPLAY")) {
        std::fprintf(stderr, "usage: DISPLAY=:N bench_startup INSTALLER PROBE_LIBRARY [RUNS]\n");
        return 2;
    }
    const int runs = argc > 3 ? std::atoi(argv[3]) : 5;
    char home_template[] = "/tmp/nimbrel-bench-XXXXXX";
    const std::string home = mkdtemp(home_template);
    const std::string swap_file = home + "/first_swap";
    std::vector<double> first_swap_ms, idle_cpu, idle_rasteriser;

    for (int run = 0; run < runs; ++run) {
        std::remove(swap_file.c_str());
        std::fflush(stdout);  // or the child would print our buffer again
        const long long started = monotonic_ns();
        const pid_t pid = fork();
        if (pid == 0) {
            setenv("HOME", home.c_str(), 1);
            setenv("LD_PRELOAD", argv[2], 1);
            setenv("NIMBREL_FIRST_SWAP_FILE", swap_file.c_str(), 1);
            freopen("/dev/null", "w", stdout);
            execl(argv[1], argv[1], "--lang=en", static_cast<char*>(nullptr));
            _exit(127);
        }
        long long swapped = 0;
        for (int i = 0; i < 20000 && !swapped; ++i) {
            std::ifstream in(swap_file);
            if (!(in >> swapped)) usleep(500);
        }
        if (!swapped) {
            std::fprintf(stderr, "run %d: no buffer swap within 10 s\n", run + 1);
            end_run(pid);
            return 1;
        }
        first_swap_ms.push_back((swapped - started) / 1e6);

        sleep(1);  // start-up's last steps, then only idle frames
        const bench_cpu::cpu_share idle = bench_cpu::measure_cpu(pid, 10);
        idle_cpu.push_back(idle.whole);
        idle_rasteriser.push_back(idle.rasteriser);
        end_run(pid);
        std::printf("run %d: first swap %.1f ms, idle CPU %.2f %% (software rasteriser %.2f %%)\n", run + 1,
                    first_swap_ms.back(), idle_cpu.back(), idle_rasteriser.back());
    }
    std::printf("median of %d runs: exec to first swap %.1f ms, idle CPU %.2f %% of one core, "
                "software rasteriser %.2f %% of it\n",
                runs, median(first_swap_ms), median(idle_cpu), median(idle_rasteriser));
    std::string cleanup = "rm -rf '" + home + "'";
    return std::system(cleanup.c_str()) == 0 ? 0 : 1;
}
