// A server on 127.0.0.1 that answers exactly what a test tells it: it takes
// one connection, reads the request up to its blank line and then plays a
// script of sends, pauses, stalls and closes.  Lying, slow and vanishing
// servers are all scripts.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

struct server_step {
    enum kind_t { send, pause, stall, close, reset, hold } kind;
    std::string bytes;                 // for send
    int ms = 0;                        // for pause
    std::function<bool()> ready = {};  // for hold
};

// Script helpers, so cases read as what the server does.
inline server_step sends(std::string bytes) { return {server_step::send, std::move(bytes), 0}; }
inline server_step pauses(int ms) { return {server_step::pause, {}, ms}; }
// Keeps the connection open without a word until the server is destroyed.
inline server_step stalls() { return {server_step::stall, {}, 0}; }
// Keeps quiet until `ready` holds (asked every millisecond), so that what
// follows comes when the client has reached a state, not at a time.
inline server_step holds_until(std::function<bool()> ready)
{
    return {server_step::hold, {}, 0, std::move(ready)};
}
inline server_step closes() { return {server_step::close, {}, 0}; }
// Aborts the connection (the peer sees a reset).
inline server_step resets() { return {server_step::reset, {}, 0}; }

class scripted_http_server {
public:
    // An empty script closes right after the request (a server that hangs
    // up without an answer).  With `before_request` set, the script starts
    // as soon as the connection is accepted.  With `every_connection` set,
    // each connection gets the script in turn (a server that fails the same
    // way every time it is asked); the script must then end without a stall.
    explicit scripted_http_server(std::vector<server_step> script, bool before_request = false,
                                  bool every_connection = false);
    ~scripted_http_server();
    scripted_http_server(const scripted_http_server&) = delete;
    scripted_http_server& operator=(const scripted_http_server&) = delete;

    unsigned short port() const { return port_; }
    // The request as received so far (up to and including its blank line).
    std::string request() const;
    // True once the whole script has been played (a stall counts as played).
    bool script_played() const { return played_; }
    // Connections accepted so far.
    int connections() const { return connections_; }
    // Bytes sent so far, on every connection.
    size_t bytes_sent() const { return sent_; }

private:
    void serve();
    void play(int conn);
    bool wait_readable(int fd, int timeout_ms);

    std::vector<server_step> script_;
    bool before_request_;
    bool every_connection_;
    std::atomic<int> connections_{0};
    std::atomic<size_t> sent_{0};
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    unsigned short port_ = 0;
    mutable std::mutex mutex_;
    std::string request_;
    std::atomic<bool> played_{false};
    std::thread thread_;
};

}  // namespace testing_support
