// A real nginx serving a folder on 127.0.0.1 at a free port, with its own
// configuration, logs and temporary folders in a private folder under /tmp.
// The port is bound and listening before nginx starts, and nginx takes the
// socket over: no process beside the test can take the port in between.
// nginx answers absolute-form requests ("GET http://any.host/path") from
// its root by path, so the program reaches it through its proxy setting
// whatever host it asks for.
#pragma once

#include <sys/types.h>

#include <string>

namespace testing_support {

class nginx_server {
public:
    // `extra` goes inside the server block: "limit_rate 100k;", locations
    // that `return 444;` to drop connections, and so on.  `workers` above 1
    // runs a master with that many workers (for benchmarks).
    explicit nginx_server(const std::string& root, const std::string& extra = "", int workers = 0);
    ~nginx_server();
    nginx_server(const nginx_server&) = delete;
    nginx_server& operator=(const nginx_server&) = delete;

    // False when nginx did not come up; error_log() says why.
    bool running() const { return pid_ > 0; }
    unsigned short port() const { return port_; }
    std::string error_log() const;
    // One line a request, written when the request ends.
    std::string access_log() const;
    // Whether a request line holding `part` (a path, a status) is in the
    // access log within `seconds`.
    bool wait_for_request(const std::string& part, double seconds) const;
    // How many request lines hold `part`, once `expected` of them are in
    // the log or `seconds` passed.  A request the client dropped (a body
    // refused at its length) is logged only when nginx notices, which may
    // be after the client has gone on.
    int requests_for(const std::string& part, int expected, double seconds = 10) const;
    // The private folder (configuration, logs), ending in "/".
    const std::string& folder() const { return dir_; }

private:
    bool start(const std::string& root, const std::string& extra, int workers);
    void stop();

    std::string dir_;
    pid_t pid_ = -1;
    unsigned short port_ = 0;
};

}  // namespace testing_support
