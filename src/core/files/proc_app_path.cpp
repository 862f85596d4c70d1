// The program's own path, from the kernel's link for the running process.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/maker_site.h"
#include "core/files/system_paths.h"
#include "core/files/users_own.h"

bool read_link_target(const std::string& link, std::string& target)
{
    return read_link_at(AT_FDCWD, link, target);
}

void MACIBM_set_app_path(std::string* out, int keep_file_name)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%d/exe", static_cast<int>(::getpid()));
    std::string path;
    // The link is read whole however deep the program lies, so the warning
    // for a path cut at the buffer's end is never needed.
    if (!read_link_target(link, path)) {
        const int error = errno;
        std::printf("WARNING: I could not find myself with a readlink! This might be\n"
                    "because /proc isn't mounted. Avoiding entirely the issue of the\n"
                    "stupidity of running something like Nimbrel without /proc mounted,\n"
                    "I'll just say that that won't work. I will assume that you are\n"
                    "running Nimbrel from the directory in which it is stored; if\n"
                    "you're not, then there will be errors. Of course, it might've been\n"
                    "something else, so I'll let perror do some talking for me. If\n"
                    "you don't know what's causing this, email " NIMBREL_MAKER_SUPPORT_EMAIL ".\n");
        std::fflush(stdout);
        errno = error;
        std::perror("readlink");
        path = "./";
    }
    g_case_sensitive = 1;
    if (keep_file_name == 0) {
        // A trailing '/' is not where the last component begins: "/a/b/"
        // gives "/a/", and "./" stays "./".
        const size_t from = path.size() >= 3 && path.back() == '/' ? path.size() - 2 : path.size() - 1;
        const size_t slash = path.rfind('/', from);
        path.erase(slash == std::string::npos ? 0 : slash + 1);
    }
    *out = path;
}
