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

#include "core/diag/debug_dumps.h"
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

// A failed exec is told to the parent through a pipe that a successful
// exec closes: both ends are made close-on-exec before the fork.
struct exec_report {
    int fds[2] = {-1, -1};
    int open() { return pipe2(fds, O_CLOEXEC) == 0 ? 0 : errno; }
    ~exec_report()
    {
        for (int fd : fds)
            if (fd >= 0) close(fd);
    }
};

// In the child, where only async-signal-safe calls are allowed: the
// signals the installer ignores are given back their default action, every
// descriptor beyond the standard three is marked rather than closed (the
// report pipe must live up to the exec), then the exec; on failure its
// errno goes to the parent and the child ends without running exit handlers
// or flushing the parent's stdio buffers a second time.
// `program` is an open program file to run instead of argv[0]'s path.
[[noreturn]] void exec_or_report(const exec_report& report, char* const argv[], bool search_path,
                                 int program = -1)
{
    int err = 0;
    UTL_debug_signals_to_default();
    if (close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
        err = errno;
    else if (program >= 0)
        fexecve(program, argv, environ);
    else if (search_path)
        execvp(argv[0], argv);
    else
        execv(argv[0], argv);
    if (!err) err = errno;
    ssize_t told = write(report.fds[1], &err, sizeof err);
    (void)told;
    _exit(127);
}

// In the parent after the fork: 0 once the exec happened, else the error
// the child reported.
int exec_result(exec_report& report)
{
    close(report.fds[1]);
    report.fds[1] = -1;
    int reported = 0;
    ssize_t got;
    while ((got = read(report.fds[0], &reported, sizeof reported)) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof reported) ? reported : 0;
}

void reap(pid_t child)
{
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Starts argv's program (or the file open at `program`), then ends the
// installer; returns the error number when it could not be started.
int start_and_end(const std::string& shown_as, char* const argv[], int program, int shut_down)
{
    exec_report report;
    int err = report.open();
    if (!err) {
        const pid_t pid = fork();
        if (pid == 0) exec_or_report(report, argv, false, program);
        // Only a failed start is waited for (its child ends at once): the
        // started program outlives the installer.
        err = pid < 0 ? errno : exec_result(report);
        if (err && pid > 0) reap(pid);
    }
    if (err) {
        xer << "Cannot start " << shown_as << ": " << error_str(err) << "\n";
        return err;
    }

    if (shut_down) MACIBM_finishup(1);
    std::exit(1);
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
    return start_and_end(path, argv.data(), -1, shut_down);
}

int launch_program_file(int program, const std::string& shown_as, const std::vector<std::string>& arguments)
{
    xer << "Launching: " << shown_as << "\n";
    struct stat st;
    if (fstat(program, &st) != 0) return errno;
    if (!S_ISREG(st.st_mode)) return EACCES;
    const std::string name = shown_as.substr(shown_as.rfind('/') + 1);
    std::vector<char*> argv{const_cast<char*>(name.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return start_and_end(shown_as, argv.data(), program, 0);
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
    exec_report report;
    if (int err = report.open()) return err;

    // Double fork: the opener is nobody's child to reap, and the installer
    // may end right after this call.  The exec report waits for the start,
    // not for the browser.
    const pid_t child = fork();
    if (child == 0) {
        const pid_t opener = fork();
        if (opener == 0) {
            const int null_fd = open("/dev/null", O_RDWR);
            if (null_fd >= 0) {
                dup2(null_fd, STDIN_FILENO);
                dup2(null_fd, STDOUT_FILENO);
            }
            exec_or_report(report, argv, true);
        }
        if (opener < 0) {
            const int err = errno;
            ssize_t told = write(report.fds[1], &err, sizeof err);
            (void)told;
            _exit(127);
        }
        _exit(0);
    }
    if (child < 0) return errno;
    const int err = exec_result(report);
    reap(child);
    return err;
}
