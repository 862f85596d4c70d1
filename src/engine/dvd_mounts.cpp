#include "engine/dvd_mounts.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

void consider(const std::string& folder, std::vector<std::string>& found)
{
    const std::string candidate = with_slash(folder);
    if (std::find(found.begin(), found.end(), candidate) == found.end() &&
        holds_version_file(candidate))
        found.push_back(candidate);
}

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

void search_mount_table(std::vector<std::string>& found)
{
    std::ifstream table(places.mount_table);
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string device, mount_point, type;
        if (!(fields >> device >> mount_point >> type) || skipped_type(type)) continue;
        consider(unescape_mount_point(mount_point), found);
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

void search_roots(std::vector<std::string>& found)
{
    for (const std::string& root : places.roots) {
        const std::string top = with_slash(root);
        consider(top, found);
        for (const std::string& sub : sub_folders(top)) {
            consider(sub, found);
            for (const std::string& label : sub_folders(sub)) consider(label, found);
        }
    }
}

}  // namespace

void UTIL_list_dvd_folders(std::vector<std::string>& folders)
{
    folders.clear();
    if (const char* named = std::getenv("NIMBREL_DVD")) {
        std::istringstream list(named);
        std::string folder;
        while (std::getline(list, folder, ':'))
            if (!folder.empty()) consider(folder, folders);
    }
    search_mount_table(folders);
    search_roots(folders);
}

std::string UTIL_find_dvd_path()
{
    std::vector<std::string> folders;
    UTIL_list_dvd_folders(folders);
    return folders.empty() ? std::string() : folders.front();
}

void UTIL_set_dvd_search_places(const dvd_search_places& new_places) { places = new_places; }
