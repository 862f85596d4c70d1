#include "engine/dvd_mounts.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/users_own.h"

namespace {

dvd_search_places places;

// File systems that are never a disk, and network ones whose stat can hang
// the frame for as long as the server is away; an automount point would
// mount whatever it guards just to be looked at.
const char* const kSkippedTypes[] = {
    "proc",      "sysfs",      "cgroup",  "cgroup2", "devpts",  "mqueue",      "debugfs",
    "tracefs",   "securityfs", "pstore",  "bpf",     "configfs", "fusectl",    "hugetlbfs",
    "binfmt_misc", "autofs",   "nfs",     "nfs4",    "cifs",    "smb3",        "smbfs",
    "fuse.sshfs", "9p",        "afs",     "ceph",    "glusterfs",
};

bool skipped_type(const std::string& type)
{
    return std::find_if(std::begin(kSkippedTypes), std::end(kSkippedTypes),
                        [&](const char* t) { return type == t; }) != std::end(kSkippedTypes);
}

std::string with_slash(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool holds_version_file(const std::string& folder)
{
    struct stat st;
    return ::stat((folder + "dvd_version.txt").c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Each refusal once a run: the hub searches every frame, and the pump's
// workers check archives side by side.  One made before the log opens (the
// search that decides whether to move off the disk) waits for it.
std::mutex told_lock;
std::set<std::string> told;
std::vector<std::string> untold;

// With told_lock held and the log open.
void tell_waiting()
{
    for (const std::string& line : untold) xer << line;
    untold.clear();
}

void tell_once(const std::string& line)
{
    const std::lock_guard<std::mutex> hold(told_lock);
    if (!told.insert(line).second) return;
    if (!xer.is_open()) {
        untold.push_back(line);
        return;
    }
    tell_waiting();
    xer << line;
}

struct dvd_search {
    std::vector<std::string>& found;
    std::vector<std::string> refused;

    void consider(const std::string& folder)
    {
        const std::string candidate = with_slash(folder);
        const auto seen = [&](const std::vector<std::string>& list) {
            return std::find(list.begin(), list.end(), candidate) != list.end();
        };
        if (seen(found) || seen(refused) || !holds_version_file(candidate)) return;
        std::string why;
        if (UTIL_dvd_folder_usable(candidate, why)) {
            found.push_back(candidate);
            return;
        }
        refused.push_back(candidate);
        tell_once("Not taking " + candidate + " for a DVD: " + why + ".\n");
    }
};

// The mount table writes blanks, tabs, line feeds and backslashes in a
// mount point as three octal digits after a backslash.
std::string unescape_mount_point(const std::string& field)
{
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        const bool escape = field[i] == '\\' && i + 3 < field.size() &&
                            std::all_of(field.begin() + i + 1, field.begin() + i + 4,
                                        [](char c) { return c >= '0' && c <= '7'; });
        if (escape) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

void search_mount_table(dvd_search& found)
{
    std::ifstream table(places.mount_table);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device, mount_point, type;
        if (!(fields >> device >> mount_point >> type) || skipped_type(type)) continue;
        found.consider(unescape_mount_point(mount_point));
    }
}

// The sub-folders of `folder` (ending in "/"), each ending in "/"; the
// names in sorted order so that the search does not depend on the disk.
std::vector<std::string> sub_folders(const std::string& folder)
{
    std::vector<std::string> subs;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return subs;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.empty() || name[0] == '.') continue;
        struct stat st;
        if (::stat((folder + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            subs.push_back(folder + name + "/");
    }
    ::closedir(dir);
    std::sort(subs.begin(), subs.end());
    return subs;
}

void search_roots(dvd_search& found)
{
    for (const std::string& root : places.roots) {
        const std::string top = with_slash(root);
        found.consider(top);
        for (const std::string& sub : sub_folders(top)) {
            found.consider(sub);
            for (const std::string& label : sub_folders(sub)) found.consider(label);
        }
    }
}

}  // namespace

void UTIL_list_dvd_folders(std::vector<std::string>& folders, std::vector<std::string>* refused)
{
    folders.clear();
    dvd_search found{folders, {}};
    if (const char* named = std::getenv("NIMBREL_DVD")) {
        std::istringstream list(named);
        std::string folder;
        while (std::getline(list, folder, ':'))
            if (!folder.empty()) found.consider(folder);
    }
    search_mount_table(found);
    search_roots(found);
    if (refused) *refused = found.refused;
}

std::string UTIL_find_dvd_path()
{
    std::vector<std::string> folders;
    UTIL_list_dvd_folders(folders);
    return folders.empty() ? std::string() : folders.front();
}

bool UTIL_dvd_folder_usable(const std::string& folder, std::string& why)
{
    std::string resolved;
    return users_own_folder(folder, resolved, why) && users_own_file(folder + "dvd_version.txt", why);
}

int UTIL_check_dvd_file(const std::string& path)
{
    std::string why;
    struct stat st;
    if (users_own_file(path, why) || ::stat(path.c_str(), &st) != 0) return 0;
    tell_once("Not reading " + path + " from the DVD: " + why + ".\n");
    return kErrOthersMayChange;
}

void UTIL_tell_dvd_refusals()
{
    const std::lock_guard<std::mutex> hold(told_lock);
    if (xer.is_open()) tell_waiting();
}

void UTIL_set_dvd_search_places(const dvd_search_places& new_places) { places = new_places; }
