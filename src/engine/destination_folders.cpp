#include "engine/destination_folders.h"

#include <sys/stat.h>

#include <cerrno>
#include <set>

#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/copy_gate.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"

namespace {

const char* const kFixedFolders[] = {
    "Output", "Output/FMS plans", "Output/logbooks", "Output/movies",
    "Output/situations", "Resources", "Output/preferences",
};

// 0 when the folder exists afterwards.  A plain file of that name is no
// folder to write into, whatever mkdir says.
int create_folder(const std::string& path)
{
    int err = make_folder(path);
    if (err == EEXIST && !dir_exists(path)) return ENOTDIR;
    return show_make_dir_err(err) ? err : 0;
}

}  // namespace

void make_dir_error(const std::string& folder, int err)
{
    __MACIBM_alert(0,
                   UTL_translate_string("I am unable to install or update Nimbrel. An error occurred while "
                                        "creating new folders. Make sure you are installing to a directory "
                                        "that you have access to!", 0),
                   UTL_translate_string("Error: ", 0) + error_str(err),
                   UTL_translate_string("Install Location: ", 0) + dest_dir_path,
                   UTL_translate_string("Install Path:", 0) + folder, 1, "utils", 180);
}

namespace {

// A road that writes into a copy writes into the one it scanned: not into
// a folder made anew where that copy was, nor into another one put there.
int still_the_scanned_copy()
{
    bool present = false;
    dev_t device = 0;
    ino_t inode = 0;
    if (!scanned_copy_folder(present, device, inode)) return 0;
    struct stat st;
    if (::stat(dest_dir_path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ENOENT;
    return present && st.st_dev == device && st.st_ino == inode ? 0 : ESTALE;
}

int make_copy_dirs(bool new_copy)
{
    if (!new_copy) {
        if (int err = still_the_scanned_copy()) {
            xer << "The copy at " << dest_dir_path << " is not the one scanned: error " << err << ".\n";
            make_dir_error(dest_dir_path, err);
            return err;
        }
    }
    // The destination's ancestors, from the top down, and the destination.
    std::string dest = dest_dir_path.substr(0, dest_dir_path.size() - 1);
    for (size_t slash = dest.find('/', 1); ; slash = dest.find('/', slash + 1)) {
        if (slash == std::string::npos && new_copy) break;
        std::string folder = slash == std::string::npos ? dest : dest.substr(0, slash);
        if (int err = create_folder(folder)) {
            make_dir_error(folder, err);
            return err;
        }
        if (slash == std::string::npos) break;
    }
    // Everything from here on is inside the copy, and goes through its gate.
    // A new copy's folder appearing since the destination screen looked is
    // the screen's to say, with its own text.
    if (int err = new_copy ? copy_gate_make() : copy_gate_open()) {
        if (!(new_copy && err == EEXIST)) make_dir_error(dest_dir_path, err);
        return err;
    }

    // Every folder holding a file of the plan, parents before children.
    std::set<std::string> folders;
    for (size_t i = 0; i < sim_info.size(); ++i) {
        const int current = static_cast<int>(sim_info[i].size()) - 1;
        const file_version_struct& version = sim_info[i][current];
        if (!version.do_install || !want_this_f(static_cast<int>(i), current)) continue;
        std::string path = version.path;
        trim_dest_folder(path);
        // A folder there already came with every folder above it.
        for (size_t slash = path.rfind('/'); slash != std::string::npos && slash > 0; slash = path.rfind('/')) {
            path.resize(slash);
            if (!folders.insert(path).second) break;
        }
    }
    for (const std::string& folder : folders) {
        if (int err = copy_make_folder(dest_dir_path + folder)) {
            make_dir_error(dest_dir_path + folder, err);
            return err;
        }
    }

    for (const char* name : kFixedFolders) {
        if (int err = copy_make_folder(dest_dir_path + name)) make_dir_error(dest_dir_path + name, err);
    }
    return 0;
}

}  // namespace

int make_dirs() { return make_copy_dirs(false); }

int make_new_copy_dirs() { return make_copy_dirs(true); }
