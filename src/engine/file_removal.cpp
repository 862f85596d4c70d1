#include "engine/file_removal.h"

#include <cerrno>
#include <set>

#include "engine/copy_gate.h"
#include "engine/manifest.h"

int delete_files()
{
    std::set<std::string> folders;
    int stayed = 0;
    for (file_history_struct& history : sim_info) {
        file_version_struct& current = history.back();
        if (!current.do_delete) continue;
        std::string dest = dest_path_of(current);
        int result = copy_delete(current);
        log_file_action("DELETING  file ", dest, result);
        record_emptied_folders(dest, folders);
        // A file that is still there is still installed: a later checksum
        // pass must see it as it is.
        if (result == 0 || result == ENOENT) {
            current.is_current = 0;
            current.sig_have = "NONE";
        } else {
            ++stayed;
        }
    }
    copy_remove_emptied_folders(folders, "cleanup: DELETING  file ");
    return stayed;
}
