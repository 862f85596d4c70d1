#include "engine/destination_guard.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "core/files/file_ops.h"
#include "core/files/folder_listing.h"
#include "core/diag/log_stream.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"

namespace {

// The resolved form of a path that exists, or "" when it cannot be had.
std::string real_path(const std::string& path)
{
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) ? std::string(resolved) : std::string();
}

bool resolves_inside(const std::string& link, const std::string& real_root)
{
    std::string target = real_path(link);
    return !target.empty() && !real_root.empty() &&
           (target == real_root || target.compare(0, real_root.size() + 1, real_root + "/") == 0);
}

}  // namespace

std::string dest_path_of(const file_version_struct& version)
{
    std::string path = version.path;
    trim_dest_folder(path);
    return dest_dir_path + path;
}

bool inside_destination(const std::string& path)
{
    const std::string& root = dest_dir_path;
    if (root.empty() || root.back() != '/' || path.size() <= root.size() || path.compare(0, root.size(), root) != 0)
        return false;

    std::string real_root;
    bool on_disk = true;  // the components walked so far exist
    size_t start = root.size();
    while (start < path.size()) {
        size_t slash = path.find('/', start);
        size_t stop = slash == std::string::npos ? path.size() : slash;
        std::string name = path.substr(start, stop - start);
        if (name.empty() || name == "." || name == "..") return false;
        bool is_folder_on_the_way = slash != std::string::npos && slash + 1 < path.size();
        if (is_folder_on_the_way && on_disk) {
            std::string folder = path.substr(0, stop);
            struct stat st;
            if (::lstat(folder.c_str(), &st) != 0) {
                on_disk = false;
            } else if (S_ISLNK(st.st_mode)) {
                if (real_root.empty()) real_root = real_path(root);
                if (!resolves_inside(folder, real_root)) return false;
            }
        }
        start = stop + 1;
    }
    return true;
}

void record_emptied_folders(const std::string& file, std::set<std::string>& folders)
{
    std::string folder = file;
    if (!folder.empty() && folder.back() == '/') folder.pop_back();
    size_t slash = folder.rfind('/');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    while (folder.size() > dest_dir_path.size()) {
        folders.insert(folder);
        folder.pop_back();
        slash = folder.rfind('/');
        folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
    }
}

void remove_emptied_folders(const std::set<std::string>& folders, const char* log_label)
{
    std::vector<std::string> names;
    std::vector<int> types;
    for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) {
        if (!inside_destination(*folder)) continue;
        if (opensave_getitems(*folder, 0, names, types) != 0) continue;
        log_file_action(log_label, *folder, delete_file(*folder));
    }
}

void log_file_action(const char* label, const std::string& path, int result)
{
    if (stg.log_actions) xer << label << path << ", with result=" << result << ".\n";
}
