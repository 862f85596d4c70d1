#include "fake_browser.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace testing_support {

fake_browser::fake_browser(int exit_status, bool held)
    : saved_path_(std::getenv("PATH") ? std::getenv("PATH") : "")
{
    // Every note is written aside and renamed, so a reader never sees half
    // of one; "runs" grows last, once everything of the run is noted.
    const std::string d = dir_.path();
    std::string script = "#!/bin/sh\n"
                         "printf '%s\\n' \"$@\" > '" + d + "args.tmp'\n"
                         "mv '" + d + "args.tmp' '" + d + "args'\n"
                         "ls /proc/$$/fd > '" + d + "fds'\n"
                         "{ cat '" + d + "runs' 2>/dev/null; echo; } > '" + d + "runs.tmp'\n"
                         "mv '" + d + "runs.tmp' '" + d + "runs'\n";
    if (held)
        script += "i=0; while [ ! -e '" + d + "release' ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done\n";
    script += "touch '" + d + "finished'\nexit " + std::to_string(exit_status) + "\n";
    write_file(d + "xdg-open", script);
    ::chmod((d + "xdg-open").c_str(), 0755);
    ::setenv("PATH", (d + ":" + saved_path_).c_str(), 1);
}

fake_browser::~fake_browser()
{
    ::setenv("PATH", saved_path_.c_str(), 1);
    release();
    // The opener must not outlive its folder, or it writes its notes into
    // one that is being removed and keeps it.  It runs detached and may
    // start after the test's last look, so it is looked for by its script.
    wait_until([&] { return !opener_running(); }, 60, 10);
}

bool fake_browser::opener_running() const
{
    const std::string script = dir_.path() + "xdg-open";
    DIR* proc = ::opendir("/proc");
    if (!proc) return false;
    bool found = false;
    for (dirent* e; !found && (e = ::readdir(proc));) {
        if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
        std::string command = read_file(std::string("/proc/") + e->d_name + "/cmdline");
        std::replace(command.begin(), command.end(), '\0', ' ');
        found = command.find(script) != std::string::npos;
    }
    ::closedir(proc);
    return found;
}

std::string fake_browser::arguments() const
{
    wait_until([&] { return ran(); }, 30, 10);
    return read_file(dir_ / "args");
}

bool fake_browser::ran() const { return file_exists(dir_ / "runs"); }

int fake_browser::runs() const
{
    const std::string lines = read_file(dir_ / "runs");
    return static_cast<int>(std::count(lines.begin(), lines.end(), '\n'));
}

bool fake_browser::had_descriptor(int fd) const
{
    std::istringstream lines(read_file(dir_ / "fds"));
    for (std::string line; std::getline(lines, line);)
        if (line == std::to_string(fd)) return true;
    return false;
}

void fake_browser::release() { write_file(dir_ / "release", ""); }

bool fake_browser::finished() const { return file_exists(dir_ / "finished"); }

}  // namespace testing_support
