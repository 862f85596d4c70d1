#include "nginx_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "test_support.h"

namespace testing_support {

unsigned short free_loopback_port()
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    unsigned short port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), len) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

namespace {

bool accepts_connections(unsigned short port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

std::string configuration(const std::string& dir, const std::string& root, unsigned short port,
                          const std::string& extra, int workers)
{
    std::string conf;
    conf += "daemon off;\n";
    if (workers > 1)
        conf += "worker_processes " + std::to_string(workers) + ";\n";
    else
        conf += "master_process off;\n";
    // Workers of a root master otherwise drop to "nobody", who cannot read
    // folders made by mkdtemp.
    if (::geteuid() == 0) conf += "user root;\n";
    conf += "pid " + dir + "nginx.pid;\n";
    conf += "error_log " + dir + "error.log;\n";
    conf += "events { worker_connections 512; }\n";
    conf += "http {\n";
    conf += "  access_log " + dir + "access.log;\n";
    for (const char* kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
        conf += std::string("  ") + kind + "_temp_path " + dir + kind + "_temp;\n";
    conf += "  default_type application/octet-stream;\n";
    conf += "  sendfile on;\n";
    conf += "  keepalive_timeout 5;\n";
    conf += "  server {\n";
    conf += "    listen 127.0.0.1:" + std::to_string(port) + ";\n";
    conf += "    root " + root + ";\n";
    conf += "    " + extra + "\n";
    conf += "  }\n";
    conf += "}\n";
    return conf;
}

}  // namespace

nginx_server::nginx_server(const std::string& root, const std::string& extra, int workers)
{
    std::string name = scratch_root() + "nginx-XXXXXX";
    if (!mkdtemp(&name[0])) return;
    dir_ = name + "/";
    // Another process may take a port between our probe and nginx's bind:
    // try a few.
    for (int attempt = 0; attempt < 5 && !running(); ++attempt)
        start_on(free_loopback_port(), root, extra, workers);
}

nginx_server::~nginx_server()
{
    stop();
    if (!dir_.empty()) remove_tree(dir_);
}

std::string nginx_server::error_log() const
{
    return read_file(dir_ + "error.log");
}

std::string nginx_server::access_log() const { return read_file(dir_ + "access.log"); }

bool nginx_server::wait_for_request(const std::string& part, double seconds) const
{
    return wait_until([&] { return access_log().find(part) != std::string::npos; }, seconds, 50);
}

int nginx_server::requests_for(const std::string& part, int expected, double seconds) const
{
    wait_until([&] { return count_of(access_log(), part) >= expected; }, seconds, 50);
    return count_of(access_log(), part);
}

bool nginx_server::start_on(unsigned short port, const std::string& root, const std::string& extra,
                            int workers)
{
    write_file(dir_ + "nginx.conf", configuration(dir_, root, port, extra, workers));
    pid_t pid = ::fork();
    if (pid == 0) {
        // Gone with the test, even one killed outright.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::execl("/usr/sbin/nginx", "nginx", "-p", dir_.c_str(), "-c", (dir_ + "nginx.conf").c_str(), "-e",
                (dir_ + "error.log").c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) return false;
    // Ready in milliseconds on an idle machine; a loaded one is waited for.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
        int status;
        if (::waitpid(pid, &status, WNOHANG) == pid) return false;  // could not start (port taken?)
        if (accepts_connections(port)) {
            pid_ = pid;
            port_ = port;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return false;
}

void nginx_server::stop()
{
    if (pid_ <= 0) return;
    // TERM is nginx's fast shut-down; the master takes its workers along.
    ::kill(pid_, SIGTERM);
    int status;
    for (int i = 0; i < 300; ++i) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
}

}  // namespace testing_support
