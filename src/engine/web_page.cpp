#include "engine/web_page.h"

#include <cerrno>
#include <fcntl.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/diag/log_stream.h"

bool url_is_openable(const std::string& url)
{
    const bool http = strncasecmp(url.c_str(), "http://", 7) == 0 ||
                      strncasecmp(url.c_str(), "https://", 8) == 0;
    if (!http) return false;
    for (unsigned char c : url)
        if (c <= ' ' || c == 0x7f) return false;
    return true;
}

int open_web_page(const std::string& url)
{
    if (!url_is_openable(url)) {
        xer << "Not opening a web page at \"" << url << "\": not a plain http address\n";
        return EINVAL;
    }
    // Double fork: the opener is nobody's child to reap, and the installer
    // may end right after this call.
    const pid_t child = fork();
    if (child < 0) {
        const int err = errno;
        xer << "Could not start the web browser for " << url << ": fork failed, errno " << err << "\n";
        return err;
    }
    if (child == 0) {
        if (fork() != 0) _exit(0);
        // The browser may outlive us by hours: it gets none of our files
        // (the log, the X connection, sockets of transfers).
        const int null_fd = open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
            dup2(null_fd, STDIN_FILENO);
            dup2(null_fd, STDOUT_FILENO);
        }
        close_range(3, ~0u, 0);
        char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url.c_str()), nullptr};
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    xer << "Opening the web page " << url << "\n";
    return 0;
}
