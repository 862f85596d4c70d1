#include "engine/run_temp_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>

#include "core/log_stream.h"
#include "engine/installer_state.h"

namespace {

// What we made, so nothing but our own folder is ever removed, whatever
// temp_path holds by then.
std::string made_folder;

int remove_entry(const char* path, const struct stat*, int, struct FTW*)
{
    if (std::remove(path) != 0) xer << "Could not remove " << path << ", errno " << errno << "\n";
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
    made_folder = pattern;
    temp_path = made_folder + "/";
    return 0;
}

void remove_run_temp_folder()
{
    if (made_folder.empty()) return;
    nftw(made_folder.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
    made_folder.clear();
    temp_path.clear();
}
