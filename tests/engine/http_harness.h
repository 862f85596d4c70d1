// What the network tests share: the log captured into a scratch file, the
// frame clock held still, the proxy pointed at a local server, and a poller
// that drives one slot as the frame loop would.
#pragma once

#include <chrono>
#include <string>
#include <thread>

#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "engine/http_client.h"
#include "test_support.h"

namespace http_harness {

// The log of the test, from construction on.
class captured_log {
public:
    captured_log() { xer.open(dir_ / "log.txt"); }
    ~captured_log() { xer.close(); }
    std::string text()
    {
        xer.flush();
        return testing_support::read_file(dir_ / "log.txt");
    }

private:
    testing_support::scratch_dir dir_;
};

// Every host is reached through the proxy at 127.0.0.1:`port`; the clock
// stands at 0 until the test moves it.
class routed_to_local_server {
public:
    explicit routed_to_local_server(unsigned short port)
    {
        http.proxy_host = "127.0.0.1";
        http.proxy_port = std::to_string(port);
        http.proxy_port_int = port;
        http.forget_failures();
        xtim.real_time = 0;
    }
    ~routed_to_local_server()
    {
        for (int slot = 0; slot < 6; ++slot) http.cancel(slot);
        http.proxy_host.clear();
        http.proxy_port.clear();
        http.proxy_port_int = 0;
        gProxyExclude.clear();
        http.forget_failures();
        xtim.real_time = 0;
    }
};

// How long no byte may move on a transfer to a local server that answers
// before a test gives up on it: only a server that keeps quiet for good
// comes near it, however busy the machine.
constexpr int kQuietMs = 30000;

// Calls net_check until it answers 1 or 2, or until no byte has moved for
// `idle_ms` of real time (the frame clock does not move meanwhile); 0 then:
// a server that keeps quiet is seen so, one that answers slowly on a busy
// machine is waited for.
inline int poll_slot(int slot, const std::string& server, const std::string& path,
                     const std::string& local, int idle_ms = kQuietMs, int64_t body_limit = kDefaultBodyLimit)
{
    testing_support::idle_limit limit(idle_ms / 1000.0);
    while (limit.moving({static_cast<double>(http.traffic())})) {
        int result = http.net_check(slot, server, path, local, body_limit);
        if (result != 0) return result;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return 0;
}

}  // namespace http_harness
