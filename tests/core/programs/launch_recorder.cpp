// Started by the launch tests: writes its arguments, one per line, then
// "fd " and the target of every descriptor above the standard three that it
// inherited, then "ignored " and the number of every signal it was started
// ignoring, to the file named by NIMBREL_LAUNCH_RECORD; with
// NIMBREL_LAUNCH_RECORD_OWN set, last "own " and the folder it would keep
// its own files in, as the installer chooses it.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/files/own_files_folder.h"

int main(int argc, char** argv)
{
    std::vector<std::string> inherited;
    for (int fd = 3; fd < 1024; ++fd) {
        if (fcntl(fd, F_GETFD) == -1) continue;
        char target[4096];
        ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
        inherited.push_back(n > 0 ? std::string(target, static_cast<size_t>(n)) : "?");
    }
    const char* record = std::getenv("NIMBREL_LAUNCH_RECORD");
    if (!record) return 2;
    std::string tmp = std::string(record) + ".part";
    FILE* out = std::fopen(tmp.c_str(), "w");
    if (!out) return 3;
    for (int i = 0; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
    for (const std::string& fd : inherited) std::fprintf(out, "fd %s\n", fd.c_str());
    for (int sig = 1; sig < NSIG; ++sig) {
        struct sigaction action;
        if (sigaction(sig, nullptr, &action) == 0 && action.sa_handler == SIG_IGN) std::fprintf(out, "ignored %d\n", sig);
    }
    if (std::getenv("NIMBREL_LAUNCH_RECORD_OWN")) std::fprintf(out, "own %s\n", own_files_folder().c_str());
    std::fclose(out);
    return std::rename(tmp.c_str(), record) == 0 ? 0 : 4;
}
