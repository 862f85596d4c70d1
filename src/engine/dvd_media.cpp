#include "engine/dvd_media.h"

#include <vector>

#include "core/archives/archives.h"
#include "core/core_globals.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/files/xmap.h"
#include "engine/dvd_mounts.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"

namespace {

bool is_history(int index) { return index >= 0 && index < static_cast<int>(sim_info.size()); }

// Where the archive of a history lies on a disk, below the disk's folder.
std::string archive_on_disk(int history)
{
    return install_name + "/" + sim_info[history].back().path + suffix_for_file(history);
}

void read_dvd_manifest()
{
    const std::string archive = dvd_path + install_name + "/directory.txt.zip";
    const int err = zip_to_file(archive, temp_path, nullptr, 0);
    if (err != 0) {
        __MACIBM_alert(
            0, UTL_translate_string("DVD scan: The installer cannot extract a file.", 0),
            UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_str(err)),
            UTL_string_sub(UTL_translate_string("Compressed File: %1:file%.", 0), archive),
            UTL_string_sub(UTL_translate_string("Destination Path: %1:file%.", 0), temp_path), 2,
            __FILE__, __LINE__);
        return;  // a test's alert returns; the manifest stays unread
    }
    stg.dir_status = read_directory(
        temp_path + "directory.txt",
        UTL_translate_string(
            "Scanning directory text file to see if you already have Nimbrel installed...", 0));
}

}  // namespace

bool read_dvd_version_file(const std::string& path, std::string& name, bool& found_name)
{
    found_name = false;
    xmap_class file(path);
    static const int versions[] = {900, 0};
    if (!file.begin || !file.check_file(kHeaderText, versions, "DVD", nullptr)) return false;

    for (file.TXT_skip_delimiters(); !file.TXT_at_end(); file.TXT_next_line()) {
        // A token ends at a blank or a line end, so "VERSIONS" is no match.
        if (file.TXT_token() != "VERSION") continue;
        name = file.TXT_rest_of_line();
        found_name = true;
    }
    return true;
}

void UTIL_scan_dvd()
{
    if (dvd_path.empty()) dvd_path = UTIL_find_dvd_path();
    if (dvd_path.empty()) return;  // the release folder is on the disk

    if (install_name == no_install_name) {
        std::string name;
        bool found_name = false;
        if (read_dvd_version_file(dvd_path + "dvd_version.txt", name, found_name)) {
            stg.server_count = 0;
            if (found_name) install_name = name;
        }
    }
    if (install_name != no_install_name && stg.dir_status == 0) read_dvd_manifest();
}

bool UTIL_verify_disk()
{
    if (!is_history(want_file_disk)) return false;
    const std::string archive = archive_on_disk(want_file_disk);

    // The disk in the drive first; then any mounted one, as a desktop that
    // mounts by label puts each disk in a folder of its own.
    std::string holder;
    if (!dvd_path.empty() && file_exists(dvd_path + archive)) {
        holder = dvd_path;
    } else {
        std::vector<std::string> mounted;
        UTIL_list_dvd_folders(mounted);
        for (const std::string& folder : mounted)
            if (file_exists(folder + archive)) {
                holder = folder;
                break;
            }
    }
    if (holder.empty()) return false;
    dvd_path = holder;
    current_disk = sim_info[want_file_disk].back().disk;
    return true;
}

int UTIL_switch_disk(int eject)
{
    if (eject && !dvd_path.empty()) {
        eject_dvd(dvd_path);
        dvd_path.clear();
    }
    return is_history(want_file_disk) ? sim_info[want_file_disk].back().disk : -1;
}
