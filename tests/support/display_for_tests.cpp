#include "display_for_tests.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "test_support.h"

namespace testing_support {

namespace {

class own_x_server {
public:
    own_x_server()
    {
        int pipe_fd[2];
        if (::pipe2(pipe_fd, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            // Gone with the test program, even one killed outright.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::dup2(pipe_fd[1], 3);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::dup2(null, 2);
            // -noreset: the server keeps its state when the last client
            // leaves, between one xdotool call and the next.
            ::execlp("Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-noreset",
                     "-nolisten", "tcp", "+extension", "GLX", static_cast<char*>(nullptr));
            _exit(127);
        }
        ::close(pipe_fd[1]);
        // The server writes its number once it accepts clients.
        std::string number;
        pollfd ready = {pipe_fd[0], POLLIN, 0};
        char c = 0;
        while (pid_ > 0 && ::poll(&ready, 1, 30000) > 0 && ::read(pipe_fd[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipe_fd[0]);
        if (number.empty()) return;
        name_ = ":" + number;
        note_own_x_display(number);
    }
    ~own_x_server()
    {
        // Not from a forked child that ends through exit(): the server is
        // its parent's.
        if (pid_ <= 0 || ::getpid() != owner_) return;
        // SIGTERM: the server removes its lock file and socket under /tmp.
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    own_x_server(const own_x_server&) = delete;
    own_x_server& operator=(const own_x_server&) = delete;

    const std::string& name() const { return name_; }

private:
    pid_t owner_ = ::getpid();
    pid_t pid_ = -1;
    std::string name_;
};

}  // namespace

std::string display_for_tests()
{
    if (const char* own = std::getenv("DISPLAY"); own && *own) return own;
    if (const char* wanted = std::getenv("NIMBREL_OWN_X_SERVER"); wanted && *wanted) {
        static const own_x_server server;
        return server.name();
    }
    std::ifstream in(NIMBREL_XVFB_DISPLAY_FILE);
    std::string name;
    std::getline(in, name);
    return name;
}

}  // namespace testing_support
