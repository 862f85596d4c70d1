#include "engine/run_temp_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/diag/log_stream.h"
#include "core/files/folder_trees.h"
#include "engine/installer_state.h"

namespace {

// What we made, so nothing but our own folder is ever removed, whatever
// temp_path holds by then.
std::string made_folder;

}  // namespace

int make_run_temp_folder()
{
    char pattern[] = "/tmp/nimbrel-XXXXXX";
    if (!mkdtemp(pattern)) {
        const int err = errno;
        xer << "Could not make a temporary folder under /tmp/, errno " << err << "\n";
        temp_path.clear();
        return err;
    }
    // Every way out of the installer but a crash or a fatal alert passes
    // exit(): main's return, and launch_app handing over to the simulator.
    // A fatal alert aborts after the shell's shut-down, which removes it.
    static const bool removed_at_exit = std::atexit(remove_run_temp_folder) == 0;
    (void)removed_at_exit;
    made_folder = pattern;
    temp_path = made_folder + "/";
    // Named in the log, so that whoever finds a folder left by a run that
    // was killed can tell whose it was.
    xer << "Temporary folder of this run = " << temp_path << "\n";
    return 0;
}

void remove_run_temp_folder()
{
    if (made_folder.empty()) return;
    // Runs at exit too, after the log's per-thread streams are gone:
    // standard error is what is left.
    if (const int err = remove_folder_tree(made_folder))
        std::fprintf(stderr, "Could not remove %s: %s\n", made_folder.c_str(), std::strerror(err));
    made_folder.clear();
    temp_path.clear();
}
