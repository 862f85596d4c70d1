// Ports on 127.0.0.1 that the test holds for as long as it needs them: a
// port merely found free and let go is no such port, as a test or server
// running beside this one may take it the moment it is let go, and then
// answer there, or never answer.
#pragma once

namespace testing_support {

// A TCP socket bound to 127.0.0.1 at a port the kernel picks, not inherited
// by the programs a test starts, with `flags` (SOCK_NONBLOCK) for socket();
// -1 when none could be bound.  Its port goes to `port`.  Listening on it
// or not is the caller's choice.
int loopback_socket(unsigned short& port, int flags = 0);

// A port where every connection is refused, for a test of a server that
// cannot be reached.  The port is held for the object's life: its socket
// is bound and never listens, which refuses every connection and keeps any
// other process from binding the port.
//
//   const testing_support::refused_port closed;
//   route_through(closed.port());
class refused_port {
public:
    refused_port();
    ~refused_port();
    refused_port(const refused_port&) = delete;
    refused_port& operator=(const refused_port&) = delete;

    // 0 when no socket could be bound.
    unsigned short port() const { return port_; }

private:
    int fd_ = -1;
    unsigned short port_ = 0;
};

}  // namespace testing_support
