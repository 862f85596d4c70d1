#include "core/files/system_paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"

int g_case_sensitive = 1;

namespace {

// HOME, or null when unset.  An empty HOME counts as unset: it would put
// the per-user folder at the root of the file system.
const char* home_folder()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        xer << "HOME is not set: no per-user folders.\n";
        return nullptr;
    }
    return home;
}

bool same_ignoring_ascii_case(const char* a, const std::string& b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    size_t i = 0;
    for (; a[i] && i < b.size(); ++i)
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    return a[i] == 0 && i == b.size();
}

// The first entry of `folder` equal to `name` without regard to ASCII case,
// in the order the system lists them; "" when none.
std::string entry_in_any_case(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return std::string();
    std::string found;
    while (dirent* e = ::readdir(dir)) {
        if (same_ignoring_ascii_case(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

}  // namespace

void get_OS_abs_path(os_dir_type which, std::string& out)
{
    switch (which) {
    case os_dir_this_app:
        MACIBM_set_app_path(&out, 0);
        return;
    case os_dir_this_app_file:
        MACIBM_set_app_path(&out, 1);
        return;
    case os_dir_desktop:
    case os_dir_default_apps:
    case os_dir_prefs: {
        const char* home = home_folder();
        if (!home) return;
        // HOME may end in "/": folders made from it must not hold "//".
        out = home;
        while (!out.empty() && out.back() == '/') out.pop_back();
        out += "/";
        if (which == os_dir_prefs) {
            out += ".nimbrel/";
            // An existing folder is fine; one that cannot be made shows when
            // a file inside it cannot be opened.
            ::mkdir(out.c_str(), 0777);
        }
        return;
    }
    case os_dir_temp:
        out = "/tmp/";
        return;
    }
}

void set_path_to_full(std::string& path)
{
    path.insert(0, app_path);
    if (g_case_sensitive == 0 || path.empty()) return;
    find_path_case(path);
}

void find_path_case(std::string& path)
{
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) == 0) return;

    size_t pos = 0;
    std::string folder = ".";
    if (path[0] == '/') {
        folder = "/";
        pos = 1;
    }
    for (;;) {
        // A doubled '/' names the same folder as a single one.
        while (pos < path.size() && path[pos] == '/') ++pos;
        if (pos >= path.size()) return;
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();

        std::string real = entry_in_any_case(folder, path.substr(pos, end - pos));
        if (real.empty()) return;
        path.replace(pos, end - pos, real);

        if (end == path.size()) return;
        folder = path.substr(0, end);
        pos = end + 1;
    }
}

void findPath(char* path)
{
    std::string copy(path);
    find_path_case(copy);
    std::memcpy(path, copy.data(), copy.size());
}

void set_path_to_right_dirchars(std::string& path)
{
    for (char& c : path)
        if (c == '\\' || c == ':') c = '/';
}
