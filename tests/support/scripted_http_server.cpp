#include "scripted_http_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "loopback_ports.h"

namespace testing_support {

scripted_http_server::scripted_http_server(std::vector<server_step> script, bool before_request,
                                           bool every_connection)
    : script_(std::move(script)), before_request_(before_request), every_connection_(every_connection)
{
    listener_ = loopback_socket(port_);
    if (listener_ < 0 || ::listen(listener_, 16) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0) {
        perror("scripted_http_server");
        std::abort();
    }
    thread_ = std::thread([this] { serve(); });
}

scripted_http_server::~scripted_http_server()
{
    ::write(wake_[1], "x", 1);
    thread_.join();
    ::close(listener_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

std::string scripted_http_server::request() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
}

// Waits for `fd` or for the destructor's wake-up; false on the latter.
bool scripted_http_server::wait_readable(int fd, int timeout_ms)
{
    pollfd fds[2] = {{fd, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    int n = ::poll(fds, 2, timeout_ms);
    return n > 0 && !(fds[1].revents & POLLIN) && (fds[0].revents & (POLLIN | POLLHUP | POLLERR));
}

void scripted_http_server::serve()
{
    do {
        if (!wait_readable(listener_, -1)) return;
        int conn = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (conn < 0) return;
        ++connections_;
        play(conn);
    } while (every_connection_);
}

void scripted_http_server::play(int conn)
{
    if (!before_request_) {
        std::string got;
        char buf[4096];
        while (got.find("\r\n\r\n") == std::string::npos && wait_readable(conn, -1)) {
            ssize_t n = ::recv(conn, buf, sizeof buf, 0);
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
            std::lock_guard<std::mutex> lock(mutex_);
            request_ = got;
        }
    }

    bool open = true;
    for (const server_step& step : script_) {
        if (step.kind == server_step::send) {
            size_t done = 0;
            while (done < step.bytes.size()) {
                ssize_t n = ::send(conn, step.bytes.data() + done, step.bytes.size() - done, MSG_NOSIGNAL);
                if (n <= 0) break;  // the client hung up: the rest is lost, as with any server
                done += static_cast<size_t>(n);
                sent_ += static_cast<size_t>(n);
            }
        } else if (step.kind == server_step::pause) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.ms));
        } else if (step.kind == server_step::hold) {
            pollfd wake{wake_[0], POLLIN, 0};
            while (!step.ready() && ::poll(&wake, 1, 1) == 0) {
            }
            if (wake.revents & POLLIN) break;  // the destructor: the test is over
        } else if (step.kind == server_step::stall) {
            played_ = true;
            pollfd wake{wake_[0], POLLIN, 0};
            ::poll(&wake, 1, -1);
        } else if (step.kind == server_step::reset) {
            linger abort_now{1, 0};
            ::setsockopt(conn, SOL_SOCKET, SO_LINGER, &abort_now, sizeof abort_now);
            ::close(conn);
            open = false;
            break;
        } else {
            break;
        }
    }
    if (open) ::close(conn);
    played_ = true;
}

}  // namespace testing_support
