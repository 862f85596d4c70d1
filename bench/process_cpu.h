// Processor time of a running process, read from /proc: in all, and for the
// threads of Mesa's software rasteriser (llvmpipe) apart, which do on the
// processor what a graphics card does on real hardware.  What is left is
// the program's own threads.
#pragma once

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace bench_cpu {

// utime + stime from a /proc stat file, in clock ticks.
inline long long stat_ticks(const std::string& path)
{
    std::ifstream in(path);
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (stat.rfind(')') == std::string::npos) return 0;
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string skip;
    for (int i = 3; i < 14; ++i) fields >> skip;  // state .. cmajflt
    long long utime = 0, stime = 0;
    fields >> utime >> stime;
    return utime + stime;
}

// The whole process.
inline long long cpu_ticks(pid_t pid) { return stat_ticks("/proc/" + std::to_string(pid) + "/stat"); }

// The process's threads named "llvmpipe-N".
inline long long rasteriser_ticks(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
    long long ticks = 0;
    DIR* dir = opendir(tasks.c_str());
    if (!dir) return 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        std::ifstream comm(tasks + entry->d_name + "/comm");
        std::string name;
        if (std::getline(comm, name) && name.rfind("llvmpipe", 0) == 0)
            ticks += stat_ticks(tasks + entry->d_name + "/stat");
    }
    closedir(dir);
    return ticks;
}

// Ticks over `seconds` as a percentage of one core.
inline double percent_of_core(long long ticks, double seconds)
{
    return 100.0 * static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK)) / seconds;
}

// The process's share of a core over `seconds` from now, whole and the
// rasteriser's part of it.
struct cpu_share {
    double whole, rasteriser;
};
inline cpu_share measure_cpu(pid_t pid, unsigned seconds)
{
    const long long before = cpu_ticks(pid), raster_before = rasteriser_ticks(pid);
    sleep(seconds);
    const long long after = cpu_ticks(pid), raster_after = rasteriser_ticks(pid);
    return {percent_of_core(after - before, seconds), percent_of_core(raster_after - raster_before, seconds)};
}

}  // namespace bench_cpu
