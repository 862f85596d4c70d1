#include "nginx_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "loopback_ports.h"
#include "test_support.h"

extern char** environ;

namespace testing_support {

namespace {

// A socket listening on 127.0.0.1 at a port the kernel picks, for nginx to
// take over; -1 when none could be made.  Non-blocking, as nginx keeps its
// own: workers that all wake for one connection must not wait in accept.
int listening_socket(unsigned short& port)
{
    const int fd = loopback_socket(port, SOCK_NONBLOCK);
    if (fd >= 0 && ::listen(fd, 511) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::string configuration(const std::string& dir, const std::string& root, unsigned short port,
                          const std::string& extra, int workers)
{
    std::string conf;
    conf += "daemon off;\n";
    // A master, whatever the number of workers: nginx 1.22 alone, without
    // one, dies on the socket it is handed.
    conf += "worker_processes " + std::to_string(workers > 1 ? workers : 1) + ";\n";
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
    start(root, extra, workers);
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

bool nginx_server::start(const std::string& root, const std::string& extra, int workers)
{
    unsigned short port = 0;
    const int listener = listening_socket(port);
    if (listener < 0) return false;
    write_file(dir_ + "nginx.conf", configuration(dir_, root, port, extra, workers));
    // nginx takes over the sockets that NGINX names, as a new nginx takes
    // them from the one it replaces, and serves them for the configuration's
    // address.
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("NGINX=", 0) != 0) environment.push_back(*e);
    environment.push_back("NGINX=" + std::to_string(listener) + ";");
    std::vector<char*> envp;
    for (std::string& e : environment) envp.push_back(&e[0]);
    envp.push_back(nullptr);
    const std::string conf = dir_ + "nginx.conf", log = dir_ + "error.log";
    const char* const argv[] = {"nginx", "-p", dir_.c_str(), "-c", conf.c_str(), "-e", log.c_str(), nullptr};
    pid_t pid = ::fork();
    if (pid == 0) {
        // Gone with the test, even one killed outright; its workers with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        ::setpgid(0, 0);
        ::fcntl(listener, F_SETFD, 0);
        ::execve("/usr/sbin/nginx", const_cast<char* const*>(argv), envp.data());
        _exit(127);
    }
    // nginx holds the port now, or nobody needs it.
    ::close(listener);
    if (pid < 0) return false;
    // Connections wait in the socket's queue until a worker takes them: the
    // server is up once its master has taken the configuration, which it
    // says by writing its PID.  Only a hang reaches the limit.
    const std::string pid_line = std::to_string(pid) + "\n";
    int status = 0;
    bool ended = false;
    const bool up = wait_until([&] {
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        return ended || read_file(dir_ + "nginx.pid") == pid_line;
    }, 60, 10);
    if (up && !ended) {
        pid_ = pid;
        port_ = port;
        return true;
    }
    if (!ended) {
        ::kill(-pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    return false;
}

void nginx_server::stop()
{
    if (pid_ <= 0) return;
    // TERM is nginx's fast shut-down; the master takes its workers along.
    // Only a hang is ended by force, the workers with it.
    ::kill(pid_, SIGTERM);
    if (!wait_until([&] { return ::waitpid(pid_, nullptr, WNOHANG) == pid_; }, 60, 10)) {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

}  // namespace testing_support
