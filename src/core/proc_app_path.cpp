// The program's own path, from the kernel's link for the running process.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/system_paths.h"

bool read_link_target(const std::string& link, std::string& target)
{
    // readlink cuts silently at the buffer's size: grow until it fits.
    std::vector<char> buf(512);
    for (;;) {
        ssize_t n = ::readlink(link.c_str(), buf.data(), buf.size());
        if (n < 0) return false;
        if (static_cast<size_t>(n) < buf.size()) {
            target.assign(buf.data(), static_cast<size_t>(n));
            return true;
        }
        if (buf.size() >= (1u << 20)) {
            errno = ENAMETOOLONG;
            return false;
        }
        buf.resize(buf.size() * 2);
    }
}

void MACIBM_set_app_path(std::string* out, int keep_file)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%d/exe", static_cast<int>(::getpid()));
    std::string path;
    if (!read_link_target(link, path)) {
        std::printf("WARNING: could not find the program's own path in %s: %s\n", link,
                    std::strerror(errno));
        path = "./";
    }
    g_case_sensitive = 1;
    if (keep_file == 0 && path != "./") path.erase(path.rfind('/') + 1);
    *out = path;
}
