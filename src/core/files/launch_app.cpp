#include "core/files/launch_app.h"

#include <sys/stat.h>
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
