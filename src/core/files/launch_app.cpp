#include "core/files/launch_app.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/files/system_paths.h"

namespace {

// Checked here because a failure in the new process is invisible: the
// installer would already have gone, leaving the user with nothing.
int check_startable(const std::string& path)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EACCES;
    return access(path.c_str(), X_OK) == 0 ? 0 : errno;
}

}  // namespace

int launch_app(const std::string& app, const std::string& folder, int shut_down)
{
    std::string path = app;
    if (!path.empty() && path.back() == '/') path.pop_back();
    set_path_to_full(path);
    xer << "Launching: " << path << " with " << folder << "\n";

    if (int err = check_startable(path)) {
        xer << "Cannot start " << path << ": " << error_str(err) << "\n";
        return err;
    }

    // Everything the new process needs is built before the fork: in the
    // child of a threaded process only async-signal-safe calls are allowed.
    const char* minus_path = "-path";
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    if (!folder.empty()) {
        argv.push_back(const_cast<char*>(minus_path));
        argv.push_back(const_cast<char*>(folder.c_str()));
    }
    argv.push_back(nullptr);

    pid_t pid = fork();
    if (pid < 0) {
        int err = errno;
        xer << "Cannot start " << path << ": " << error_str(err) << "\n";
        return err;
    }
    if (pid == 0) {
        // The program gets only the standard streams: not the log, the X
        // connection, sockets or half-written files of this process.
        close_range(3, ~0U, 0);
        execv(path.c_str(), argv.data());
        // No exit handlers and no flushing here: they belong to the
        // installer, which is still running.
        _exit(errno);
    }

    if (shut_down) MACIBM_finishup(1);
    std::exit(1);
}

bool url_is_openable(const std::string& url)
{
    const bool http = strncasecmp(url.c_str(), "http://", 7) == 0 ||
                      strncasecmp(url.c_str(), "https://", 8) == 0;
    if (!http) return false;
    for (unsigned char c : url)
        if (c <= ' ' || c == 0x7f || c == '"' || c == '$' || c == '`' || c == '\\') return false;
    return true;
}

int open_in_browser(const std::string& url)
{
    if (!url_is_openable(url)) {
        xer << "Not opening \"" << url << "\": not a plain http address.\n";
        return EINVAL;
    }
    char* const argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(url.c_str()), nullptr};
    // The opener reports a failed exec through this pipe; a successful one
    // closes it, so the read below waits for the start and not for the browser.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return errno;

    // Double fork: the opener is nobody's child to reap, and the installer
    // may end right after this call.
    const pid_t child = fork();
    if (child == 0) {
        const pid_t opener = fork();
        int err = opener < 0 ? errno : 0;
        if (opener == 0) {
            const int null_fd = open("/dev/null", O_RDWR);
            if (null_fd >= 0) {
                dup2(null_fd, STDIN_FILENO);
                dup2(null_fd, STDOUT_FILENO);
            }
            // Marked rather than closed: the report pipe must live up to the exec.
            if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) execvp(argv[0], argv);
            err = errno;
        }
        if (err) {
            ssize_t told = write(report[1], &err, sizeof err);
            (void)told;
        }
        _exit(err ? 127 : 0);
    }
    int err = child < 0 ? errno : 0;
    close(report[1]);
    if (child > 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        int reported = 0;
        ssize_t got;
        while ((got = read(report[0], &reported, sizeof reported)) < 0 && errno == EINTR) {
        }
        if (got == static_cast<ssize_t>(sizeof reported)) err = reported;
    }
    close(report[0]);
    return err;
}
