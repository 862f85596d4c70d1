#include "engine/run_temp_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ftw.h>
#include <string>

#include "core/diag/log_stream.h"
#include "engine/installer_state.h"

namespace {

// What we made, so nothing but our own folder is ever removed, whatever
// temp_path holds by then.
std::string made_folder;

// Runs at exit too, after the log's per-thread streams are gone: standard
// error is what is left.
int remove_entry(const char* path, const struct stat*, int, struct FTW*)
{
    if (std::remove(path) != 0)
        std::fprintf(stderr, "Could not remove %s: %s\n", path, std::strerror(errno));
    return 0;
}

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
    // Every way out of the installer but a crash passes exit(): main's
    // return, and launch_app handing over to the simulator.
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
    nftw(made_folder.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    made_folder.clear();
    temp_path.clear();
}
