// The first screen of a test build that checks a copy by MD5 every frame,
// as the repair road does, so that a test can close the window while the
// checksum workers read.  The copy is the folder "copy/" in HOME, each of
// its files one history of the manifest.  At exit, after the shut-down, the
// program says on standard output how many files were checked and whether
// the checksum workers are gone: the run must have been cut short, not
// waited out nor left running.
#include <dirent.h>

#include <cstdio>
#include <cstdlib>

#include "core/diag/log_stream.h"
#include "core/files/system_paths.h"
#include "engine/checksum_pump.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/wizard_screen.h"

namespace {

void report_checked_files()
{
    std::size_t checked = 0;
    for (const file_history_struct& history : sim_info) checked += !history.back().sig_have.empty();
    std::printf("checked %zu of %zu files, workers %s\n", checked, sim_info.size(),
                checksum_workers ? "running" : "stopped");
}

void read_copy_into_manifest()
{
    std::string home;
    get_OS_abs_path(os_dir_desktop, home);
    dest_dir_path = home + "copy/";
    sim_info.clear();
    if (DIR* folder = opendir(dest_dir_path.c_str())) {
        while (const dirent* entry = readdir(folder)) {
            if (entry->d_name[0] == '.') continue;
            file_version_struct version;
            // The manifest names the copy's top folder first.
            version.path = std::string("Nimbrel/") + entry->d_name;
            version.sig_want = "00000000000000000000000000000000";
            sim_info.push_back({version});
        }
        closedir(folder);
    }
    set_install_filter(1, 1);
    // Registered after sim_info was made, so it runs before sim_info goes.
    std::atexit(report_checked_files);
}

int check_copy(int first, wizard_screen& record)
{
    static int cursor = 0;
    static float progress = 0;
    static int done = 0;
    if (first) {
        read_copy_into_manifest();
        xer << "test screen: checking " << sim_info.size() << " files\n";
    }
    record.title = "Checking the copy";
    record.progress = progress;
    record.quit_hook = checksum_directory_kill;
    if (!done) done = checksum_directory(cursor, 0, progress);
    if (first) xer.flush();
    return 0;
}

}  // namespace

screen_fn g_wizard = check_copy;
