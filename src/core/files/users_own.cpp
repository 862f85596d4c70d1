#include "core/files/users_own.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

bool users_own_folder(const std::string& folder, std::string& resolved, std::string& why)
{
    char* real = ::realpath(folder.empty() ? "." : folder.c_str(), nullptr);
    if (!real) {
        why = folder + ": " + std::strerror(errno);
        return false;
    }
    const std::string path = real;
    std::free(real);

    const uid_t me = ::geteuid();
    int dir = ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC);
    std::string reached = "/";
    size_t pos = 1;
    for (;;) {
        struct stat st;
        if (dir < 0 || ::fstat(dir, &st) != 0) {
            why = reached + ": " + std::strerror(errno);
            break;
        }
        const bool last = pos >= path.size();
        if (st.st_uid != me && st.st_uid != 0) {
            why = reached + " belongs to user " + std::to_string(st.st_uid);
            break;
        }
        // In a sticky folder others may add names but not take or replace
        // ours, and the next step checks that the one we go on to is ours.
        if ((st.st_mode & (S_IWGRP | S_IWOTH)) && (last || !(st.st_mode & S_ISVTX))) {
            why = reached + " may be written by others";
            break;
        }
        if (last) {
            ::close(dir);
            resolved = path == "/" ? path : path + "/";
            return true;
        }
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        const int next = ::openat(dir, path.substr(pos, end - pos).c_str(),
                                  O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(dir);
        dir = next;
        reached = path.substr(0, end) + "/";
        pos = end + 1;
    }
    if (dir >= 0) ::close(dir);
    return false;
}

int open_own_file(const std::string& path, int how)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | how, 0600);
    if (fd < 0) return -1;
    struct stat st;
    int err = ::fstat(fd, &st) != 0 ? errno : 0;
    if (!err && !S_ISREG(st.st_mode)) err = EINVAL;
    if (!err && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) err = errno;
    if (err) {
        ::close(fd);
        errno = err;
        return -1;
    }
    // A log of an earlier run may have been made readable by all.
    if (st.st_uid == ::geteuid() && (st.st_mode & 077)) ::fchmod(fd, st.st_mode & 0700);
    return fd;
}
