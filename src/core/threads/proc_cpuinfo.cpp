// The processor count, from the kernel's /proc/cpuinfo.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/maker_site.h"
#include "core/diag/log_stream.h"
#include "core/threads/utl_thread.h"

namespace {

std::string& cpuinfo_path()
{
    static std::string path = "/proc/cpuinfo";
    return path;
}

}  // namespace

void UTL_set_cpuinfo_path(const char* path) { cpuinfo_path() = path ? path : "/proc/cpuinfo"; }

int UTL_count_processors()
{
    FILE* info = std::fopen(cpuinfo_path().c_str(), "r");
    if (!info) {
        std::fprintf(stderr,
                     "LINUX: I could not open /proc/cpuinfo to determine how many CPUs you have!\n"
                     "Please make sure that I have read access to that file if you want SMP\n"
                     "support. I'll assume for right now that you have one CPU. The error that\n"
                     "I got was:\n\t%s\n",
                     std::strerror(errno));
        xer << "Linux CPU detect failed -- /proc/cpuinfo couldn't be opened\n";
        return 1;
    }
    // A line longer than the buffer arrives in pieces (the "flags" line of a
    // modern processor runs past 1000 characters); only a piece that starts
    // a line may count.
    char line[512];
    int count = 0;
    bool at_line_start = true;
    while (std::fgets(line, sizeof line, info)) {
        if (at_line_start && std::strncmp(line, "model name", 10) == 0) ++count;
        at_line_start = std::strchr(line, '\n') != nullptr;
    }
    std::fclose(info);
    if (count >= 1) return count;

    std::fprintf(stderr,
                 "LINUX: I searched /proc/cpuinfo for processors, and did not find any. I\n"
                 "have no idea how your computer is working right now. Please e-mail this\n"
                 "message to " NIMBREL_MAKER_SUPPORT_EMAIL ". In the mean time, I'll assume for right now\n"
                 "that you have one CPU.\n");
    xer << "Linux CPU detect failed -- no processors in /proc/cpuinfo\n";
    return 1;
}
