#include "refused_port.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing_support {

refused_port::refused_port()
{
    // No SO_REUSEADDR: a socket bound with it may share the port with
    // another that asks for it too, as long as neither listens.  Not
    // inherited by the programs a test starts: the port is the test's.
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), len) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port_ = ntohs(addr.sin_port);
}

refused_port::~refused_port()
{
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace testing_support
