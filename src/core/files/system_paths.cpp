#include "core/files/system_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/files/per_user_folder.h"

std::atomic<int> g_case_sensitive{1};

namespace {

bool same_ignoring_ascii_case(const char* a, const std::string& b)
{
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    size_t i = 0;
    for (; a[i] && i < b.size(); ++i)
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i])))
            return false;
    return a[i] == 0 && i == b.size();
}

// The first entry of the folder `dir` equal to `name` without regard to
// ASCII case, in the order the system lists them; "" when none or when the
// folder cannot be listed.
std::string entry_in_any_case(int dir, const std::string& name)
{
    int fd = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return std::string();
    DIR* listing = ::fdopendir(fd);
    if (!listing) {
        ::close(fd);
        return std::string();
    }
    std::string found;
    while (dirent* e = ::readdir(listing)) {
        if (same_ignoring_ascii_case(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(listing);
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
    case os_dir_default_apps: {
        const char* home = home_folder();
        if (!home) return;
        // HOME may end in "/": folders made from it must not hold "//".
        out = home;
        while (!out.empty() && out.back() == '/') out.pop_back();
        out += "/";
        return;
    }
    case os_dir_prefs: {
        // The preference files and their ".new" neighbours have fixed
        // names: in a folder another user could change (a HOME under
        // /tmp/, a folder of someone else's) they could be links to files
        // of this user's, or read by that other user.
        const std::string prefs = per_user_folder();
        if (!prefs.empty()) out = prefs;
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

    // Component by component from a descriptor of the folder before it: a
    // component that exists as written costs one lookup, and only the folder
    // where one is missing is listed.  An exact name wins over a twin that
    // differs in case and happens to come first in the listing.
    size_t pos = path[0] == '/' ? 1 : 0;
    int folder = ::open(pos ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    while (folder >= 0) {
        // A doubled '/' names the same folder as a single one.
        while (pos < path.size() && path[pos] == '/') ++pos;
        if (pos >= path.size()) break;
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();

        const std::string part = path.substr(pos, end - pos);
        int next = ::openat(folder, part.c_str(), O_PATH | O_CLOEXEC);
        if (next < 0 && errno == ENOENT) {
            const std::string real = entry_in_any_case(folder, part);
            if (real.empty()) break;
            path.replace(pos, end - pos, real);
            next = ::openat(folder, real.c_str(), O_PATH | O_CLOEXEC);
        }
        ::close(folder);
        folder = end == path.size() ? -1 : next;
        if (folder < 0 && next >= 0) ::close(next);
        pos = end + 1;
    }
    if (folder >= 0) ::close(folder);
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
