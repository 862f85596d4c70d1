#include "core/files/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "core/shell_hooks.h"
#include "core/files/system_paths.h"

namespace {

struct suffix_type {
    char suffix[5];
    int type;
};

const suffix_type kSuffixes[] = {
    {".BMP", 2},  {".PNG", 2},  {".ACF", 3},  {".AFL", 4},  {".WPN", 5},  {".WAV", 6},
    {".OBJ", 7},  {".FDR", 8},  {".SIT", 9},  {".SMO", 10}, {".FMS", 11}, {".TRA", 13},
    {".CAR", 14}, {".SPA", 15}, {".REG", 16}, {".DSF", 17}, {".HGT", 18}, {".TXT", 19},
};

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_ignoring_case(const std::string& s, const char* prefix)
{
    size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (ascii_lower(s[i]) != ascii_lower(prefix[i])) return false;
    return true;
}

// Bytes are compared as signed values, so the bytes of non-ASCII UTF-8
// characters sort before every ASCII character.
bool sorts_before(const std::string& a, const std::string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto x = static_cast<signed char>(a[i]), y = static_cast<signed char>(b[i]);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

int list_commands(const std::string& path, int file_type, std::vector<std::string>& names,
                  std::vector<int>& types)
{
    if (file_type == kFileTypeCommands) UTL_commands_in_path(path, names);
    types.assign(names.size(), file_type);
    for (size_t i = 0; i < names.size(); ++i)
        if (!names[i].empty() && names[i].back() == '/') {
            names[i].pop_back();
            types[i] = kFileTypeFolder;
        }
    return static_cast<int>(names.size());
}

}  // namespace

void opensave_sort(std::vector<std::string>& names, std::vector<int>& types)
{
    std::vector<std::string> keys(names);
    for (std::string& key : keys)
        for (char& c : key) c = ascii_lower(c);
    for (size_t i = 0; i < keys.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (sorts_before(keys[i], keys[j])) {
                std::swap(keys[i], keys[j]);
                std::swap(names[i], names[j]);
                std::swap(types[i], types[j]);
            }
}

bool opensave_takeit(const std::string& path, const std::string& name, int file_type, int& type)
{
    if (name.size() >= 4) {
        char suffix[5] = {};
        for (int i = 0; i < 4; ++i) suffix[i] = ascii_upper(name[name.size() - 4 + i]);
        for (const suffix_type& known : kSuffixes)
            if (std::strcmp(suffix, known.suffix) == 0) type = known.type;
    }

    if (file_type == kFileTypePanel) {
        // The panel's own folder and its numbered layers are not pictures a
        // user picks.
        std::string joined = path + name;
        if (starts_with_ignoring_case(joined, "Resources/bitmaps/cockpit/-panel")) return false;
        if (joined.size() >= 6) {
            std::string layer = joined.substr(joined.size() - 6, 3);
            if (layer == "-1." || layer == "-2." || layer == "-3." || layer == "-4.") return false;
        }
    }

    if (name.empty() || name[0] == '.') return false;
    if (type == kFileTypeFolder || type == file_type || file_type == kFileTypeAny) return true;
    return file_type == kFileTypePanel && type == kFileTypeImage;
}

int opensave_getitems(const std::string& path, int file_type, std::vector<std::string>& names,
                      std::vector<int>& types)
{
    names.clear();
    types.clear();
    if (file_type == kFileTypeCommands || file_type == kFileTypeNoCommands)
        return list_commands(path, file_type, names, types);

    std::string full = path;
    set_path_to_full(full);
    if (full.size() >= 2 && full.back() != '/') {
        __MACIBM_alert(0, "Working path does not appear to be a directory!",
                       "This is not consistent with my labelling practices!",
                       "I need to end all paths with the directory indicator!", path, 2, __FILE__,
                       __LINE__);
        return 0;
    }

    // The empty path names no folder: a caller that walks or deletes what
    // it lists must not be handed the program's own folder by mistake.
    // The file chooser, for which "" is the program's folder, says so.
    if (full.empty()) return 0;
    DIR* dir = opendir(full.c_str());
    if (!dir) return 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;  // never listed: spare the stat
        struct stat st;
        if (fstatat(dirfd(dir), entry->d_name, &st, 0) != 0) continue;  // a dangling link
        names.emplace_back(entry->d_name);
        types.push_back(S_ISDIR(st.st_mode) ? kFileTypeFolder : kFileTypeAny);
        if (!opensave_takeit(path, names.back(), file_type, types.back())) {
            names.pop_back();
            types.pop_back();
        }
    }
    closedir(dir);

    opensave_sort(names, types);
    return static_cast<int>(names.size());
}
