// A port on 127.0.0.1 where every connection is refused, for a test of a
// server that cannot be reached.  The port is held for the object's life:
// its socket is bound and never listens, which refuses every connection and
// keeps any other process from binding the port.  A port merely found free
// and let go is no such port: a test or server running beside this one may
// take it the moment it is let go, and then answer there, or never answer.
//
//   const testing_support::refused_port closed;
//   route_through(closed.port());
#pragma once

namespace testing_support {

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
