#include "held_opens.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace testing_support {

held_opens::held_opens(const std::string& folder)
{
    char real[PATH_MAX];
    if (!::realpath(folder.c_str(), real)) {
        problem_ = "realpath " + folder + ": " + std::strerror(errno);
        return;
    }
    below_ = std::string(real) + "/";
    if (!file_exists(NIMBREL_HELD_OPENS_LIBRARY)) {
        problem_ = std::string(NIMBREL_HELD_OPENS_LIBRARY) + " is not built";
        return;
    }
    // Only the reading end may reach the programs: one that kept the
    // writing end would wait on itself.
    if (::pipe2(gate_, O_CLOEXEC) != 0 || ::fcntl(gate_[0], F_SETFD, 0) != 0)
        problem_ = std::string("pipe: ") + std::strerror(errno);
}

held_opens::~held_opens()
{
    release();
    if (gate_[0] >= 0) ::close(gate_[0]);
}

std::vector<std::string> held_opens::environment() const
{
    std::vector<std::string> env = preload_environment(NIMBREL_HELD_OPENS_LIBRARY);
    env.push_back("NIMBREL_TEST_HOLD_BELOW=" + below_);
    env.push_back("NIMBREL_TEST_HOLD_NOTES=" + notes_ / "opened");
    env.push_back("NIMBREL_TEST_HOLD_FD=" + std::to_string(gate_[0]));
    return env;
}

bool held_opens::wait_for_open(double seconds) const
{
    return wait_until([&] { return file_exists(notes_ / "opened"); }, seconds, 20);
}

void held_opens::release()
{
    if (gate_[1] < 0) return;
    ::close(gate_[1]);
    gate_[1] = -1;
}

}  // namespace testing_support
