#include "fake_browser.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

namespace testing_support {

fake_browser::fake_browser(int exit_status) : saved_path_(std::getenv("PATH") ? std::getenv("PATH") : "")
{
    // The arguments are written aside and renamed, so a reader never sees
    // half of them.
    const std::string dir = dir_.path();
    write_file(dir + "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir + "args.tmp'\nmv '" + dir +
                                     "args.tmp' '" + dir + "args'\necho >> '" + dir + "runs'\nexit " +
                                     std::to_string(exit_status) + "\n");
    ::chmod((dir + "xdg-open").c_str(), 0755);
    ::setenv("PATH", (dir + ":" + saved_path_).c_str(), 1);
}

fake_browser::~fake_browser() { ::setenv("PATH", saved_path_.c_str(), 1); }

std::string fake_browser::arguments() const
{
    wait_until([&] { return ran(); }, 5, 10);
    return read_file(dir_ / "args");
}

bool fake_browser::ran() const { return file_exists(dir_ / "runs"); }

int fake_browser::runs() const
{
    const std::string lines = read_file(dir_ / "runs");
    return static_cast<int>(std::count(lines.begin(), lines.end(), '\n'));
}

}  // namespace testing_support
