#include "core/files/users_own.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

namespace {

// As many links as the kernel follows on one path before it gives up.
constexpr int kMostLinks = 40;

bool others_may_write(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

bool mine_or_roots(const struct stat& st) { return st.st_uid == ::geteuid() || st.st_uid == 0; }

void split_onto(const std::string& path, std::deque<std::string>& rest)
{
    std::deque<std::string> parts;
    for (size_t pos = 0; pos <= path.size();) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos) end = path.size();
        const std::string part = path.substr(pos, end - pos);
        if (!part.empty() && part != ".") parts.push_back(part);
        pos = end + 1;
    }
    rest.insert(rest.begin(), parts.begin(), parts.end());
}

// The folders from the root to the one reached, each reached without a
// link; only the last is held open, so a deep path costs no descriptors.
class folder_chain {
public:
    ~folder_chain()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    bool start() { return enter(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC), ""); }
    // Goes into the folder open at `fd`, named `name` in the one before.
    bool enter(int fd, const std::string& name)
    {
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            if (fd >= 0) ::close(fd);
            return false;
        }
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
        levels_.push_back({name, st});
        return true;
    }
    // Back up one folder, never above the root.
    bool up()
    {
        if (levels_.size() < 2) return true;
        levels_.pop_back();
        const int parent = ::openat(fd_, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (parent < 0) return false;
        ::close(fd_);
        fd_ = parent;
        return true;
    }
    bool back_to_root()
    {
        levels_.clear();
        return start();
    }
    int fd() const { return fd_; }
    const struct stat& st() const { return levels_.back().st; }
    // The path reached, "/" last.
    std::string path() const
    {
        std::string out = "/";
        for (size_t i = 1; i < levels_.size(); ++i) out += levels_[i].name + "/";
        return out;
    }
    // Its descriptor, which the chain no longer closes.
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    struct level {
        std::string name;
        struct stat st;
    };
    int fd_ = -1;
    std::vector<level> levels_;
};

enum class reach { folder, file, folder_of_any_mode };

// Walks `path` as given, from the root (a relative path from the working
// folder, whose own path has no link), the way the kernel would, but
// follows a link only where it lies in a folder that no one else may
// write: one elsewhere may be swapped for another between this walk and
// any later use.  Every folder on the way is this user's or root's, and
// one others may write is only passed through when it is sticky.  What the
// path names must be a folder or a regular file, as `what` says, this
// user's or root's and writable by no one else, unless `what` leaves the
// folder's owner and mode to the caller.  An O_PATH descriptor of it, or
// -1 with `why`; `resolved` is its path without links.
int reach_unchangeable(const std::string& path, reach what, std::string& resolved, std::string& why)
{
    const bool want_folder = what != reach::file;
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char* here = ::getcwd(nullptr, 0);
        if (!here) {
            why = path + ": " + std::strerror(errno);
            return -1;
        }
        full = std::string(here) + "/" + full;
        std::free(here);
    }
    folder_chain chain;
    if (!chain.start()) {
        why = std::string("/: ") + std::strerror(errno);
        return -1;
    }
    if (!mine_or_roots(chain.st())) {
        why = "/ belongs to user " + std::to_string(chain.st().st_uid);
        return -1;
    }
    std::deque<std::string> rest;
    split_onto(full, rest);
    int links = 0, file = -1;
    struct stat file_st {};
    while (!rest.empty()) {
        const std::string name = rest.front();
        rest.pop_front();
        if (name == "..") {
            if (!chain.up()) {
                why = chain.path() + "..: " + std::strerror(errno);
                return -1;
            }
            continue;
        }
        const std::string here = chain.path();
        struct stat st;
        if (::fstatat(chain.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            why = here + name + ": " + std::strerror(errno);
            return -1;
        }
        if (S_ISLNK(st.st_mode)) {
            if (others_may_write(chain.st())) {
                why = here + name + " is a link in a folder others may write";
                return -1;
            }
            std::string target;
            if (++links > kMostLinks || !read_link_at(chain.fd(), name, target)) {
                why = here + name + ": " + std::strerror(links > kMostLinks ? ELOOP : errno);
                return -1;
            }
            if (!target.empty() && target[0] == '/' && !chain.back_to_root()) {
                why = std::string("/: ") + std::strerror(errno);
                return -1;
            }
            split_onto(target, rest);
            continue;
        }
        // In a sticky folder others may add names but not take or replace
        // ours, and what is reached next is checked to be ours.
        if (others_may_write(chain.st()) && !(chain.st().st_mode & S_ISVTX)) {
            why = here + " may be written by others";
            return -1;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (!rest.empty() || want_folder) {
                why = here + name + ": " + std::strerror(ENOTDIR);
                return -1;
            }
            file = ::openat(chain.fd(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
            if (file < 0 || ::fstat(file, &file_st) != 0) {
                why = here + name + ": " + std::strerror(errno);
                if (file >= 0) ::close(file);
                return -1;
            }
            resolved = here + name;
            break;
        }
        const int next = ::openat(chain.fd(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (!chain.enter(next, name)) {
            why = here + name + ": " + std::strerror(errno);
            return -1;
        }
        if (!mine_or_roots(chain.st()) && !(rest.empty() && what == reach::folder_of_any_mode)) {
            why = chain.path() + " belongs to user " + std::to_string(chain.st().st_uid);
            return -1;
        }
    }
    if (file < 0 && !want_folder) {
        why = chain.path() + ": " + std::strerror(EISDIR);
        return -1;
    }
    const struct stat& last = file >= 0 ? file_st : chain.st();
    const std::string shown = file >= 0 ? resolved : chain.path();
    std::string fault;
    if (what == reach::folder_of_any_mode)
        ;
    else if (!mine_or_roots(last))
        fault = " belongs to user " + std::to_string(last.st_uid);
    else if (others_may_write(last))
        fault = " may be written by others";
    else if (file >= 0 && !S_ISREG(last.st_mode))
        fault = " is not a regular file";
    if (!fault.empty()) {
        why = shown + fault;
        if (file >= 0) ::close(file);
        return -1;
    }
    if (file >= 0) return file;
    resolved = shown;
    return chain.release();
}

}  // namespace

bool read_link_at(int folder, const std::string& name, std::string& target)
{
    // readlink cuts silently at the buffer's size: grow until it fits.
    std::vector<char> buf(512);
    for (;;) {
        ssize_t n = ::readlinkat(folder, name.c_str(), buf.data(), buf.size());
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

int open_users_own_folder(const std::string& folder, std::string& resolved, std::string& why)
{
    return reach_unchangeable(folder, reach::folder, resolved, why);
}

bool users_own_folder(const std::string& folder, std::string& resolved, std::string& why)
{
    const int fd = open_users_own_folder(folder, resolved, why);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool users_own_file(const std::string& path, std::string& why)
{
    std::string resolved;
    const int fd = reach_unchangeable(path, reach::file, resolved, why);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

int open_folder_in_users_own(const std::string& folder, std::string& resolved, std::string& why)
{
    return reach_unchangeable(folder, reach::folder_of_any_mode, resolved, why);
}

bool users_writable_folder(const std::string& folder, std::string& resolved, std::string& why)
{
    std::string reached;
    const int fd = open_users_own_folder(folder, reached, why);
    if (fd < 0) return false;
    struct stat st;
    const bool stat_ok = ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!stat_ok) {
        why = reached + ": " + std::strerror(errno);
        return false;
    }
    // Root's folder is no other user's to change, but neither is it this
    // user's to write: files kept there would never be written.
    if (st.st_uid != ::geteuid()) {
        why = reached + " belongs to user " + std::to_string(st.st_uid);
        return false;
    }
    if (::faccessat(AT_FDCWD, reached.c_str(), W_OK, AT_EACCESS) != 0) {
        why = reached + ": " + std::strerror(errno);
        return false;
    }
    resolved = reached;
    return true;
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
