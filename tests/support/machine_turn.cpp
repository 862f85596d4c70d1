#include "machine_turn.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <chrono>
#include <thread>

namespace testing_support {

machine_turn::machine_turn(const std::string& name)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    // Abstract: the name starts with a zero byte.
    const std::size_t length = std::min(name.size(), sizeof addr.sun_path - 1);
    std::copy_n(name.data(), length, addr.sun_path + 1);
    const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return;
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), size) == 0) {
            fd_ = fd;
            return;
        }
        const int err = errno;
        ::close(fd);
        if (err != EADDRINUSE) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

machine_turn::~machine_turn()
{
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace testing_support
