#include "loopback_ports.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

int loopback_socket(unsigned short& port, int flags)
{
    // No SO_REUSEADDR: a socket bound with it may share its port with
    // another that asks for it too, as long as neither listens.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | flags, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
        return fd;
    }
    if (fd >= 0) ::close(fd);
    return -1;
}

refused_port::refused_port() { fd_ = loopback_socket(port_); }

refused_port::~refused_port()
{
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace testing_support
