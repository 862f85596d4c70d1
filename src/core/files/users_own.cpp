#include "core/files/users_own.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <new>
#include <vector>

namespace {

// As many links as the kernel follows on one path before it gives up.
constexpr int kMostLinks = 40;

// Someone but this user, the owner and root may write it.
bool others_may_write(const struct stat& st)
{
    return (st.st_mode & S_IWOTH) || ((st.st_mode & S_IWGRP) && group_shared_with_others(st.st_gid));
}

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

// The kernel's ID of the mount the place open at `fd` lies on; 0 when the
// kernel cannot say, which a judge takes for no mount it knows.
uint64_t mount_id_of(int fd)
{
    struct statx sx;
    if (::statx(fd, "", AT_EMPTY_PATH | AT_SYMLINK_NOFOLLOW, STATX_MNT_ID, &sx) != 0 || !(sx.stx_mask & STATX_MNT_ID))
        return 0;
    return sx.stx_mnt_id;
}

// The folders from the root to the one reached, each reached without a
// link; only the last is held open, so a deep path costs no descriptors.
// Each remembers what its mount said of it.
class folder_chain {
public:
    struct level {
        std::string name;
        struct stat st;
        uint64_t mount;
        mount_judge::verdict trust;
    };

    explicit folder_chain(const mount_judge* mounts) : mounts_(mounts) {}
    ~folder_chain()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    folder_chain(const folder_chain&) = delete;
    folder_chain& operator=(const folder_chain&) = delete;

    bool start(place_fault& fault) { return enter(::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC), "", fault); }
    // Goes into the folder open at `fd`, named `name` in the one before.
    bool enter(int fd, const std::string& name, place_fault& fault)
    {
        const std::string shown = name.empty() ? "/" : path() + name + "/";
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0) {
            fault = {place_fault::failed, shown, errno};
            if (fd >= 0) ::close(fd);
            return false;
        }
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
        level next{name, st, 0, mount_judge::verdict::by_folders};
        if (!judge(fd, shown, levels_.empty() ? nullptr : &levels_.back(), next, fault)) return false;
        levels_.push_back(next);
        return true;
    }
    // What the mount of the place open at `fd` (`shown`), below `parent`,
    // says of it, in `place`; false when it is refused.
    bool judge(int fd, const std::string& shown, const level* parent, level& place,
               place_fault& fault) const
    {
        if (!mounts_) return true;
        place.mount = mount_id_of(fd);
        std::string rule;
        if (!mounts_->judge(place.mount, shown, place.trust, rule))
            place.trust = parent && parent->mount == place.mount ? parent->trust : mount_judge::verdict::by_folders;
        if (place.trust != mount_judge::verdict::refused) return true;
        fault = {place_fault::refused_mount, shown, 0, 0, rule};
        return false;
    }
    // Whether the name `name` in the folder reached may be looked at.
    bool may_look_at(const std::string& name, place_fault& fault) const
    {
        std::string rule;
        if (!mounts_ || mounts_->may_enter(path() + name + "/", rule)) return true;
        fault = {place_fault::refused_mount, path() + name + "/", 0, 0, rule};
        return false;
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
    bool back_to_root(place_fault& fault)
    {
        levels_.clear();
        return start(fault);
    }
    int fd() const { return fd_; }
    const struct stat& st() const { return levels_.back().st; }
    // No one but this user and root can change the folder reached, by its
    // mount's word or by its owner and mode.
    bool unchangeable() const { return levels_.back().trust == mount_judge::verdict::no_one_else || !others_may_write(st()); }
    const level& last() const { return levels_.back(); }
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
    const mount_judge* mounts_;
    int fd_ = -1;
    std::vector<level> levels_;
};

enum class reach { folder, file, folder_of_any_mode };

// What fails a place of the given owner and mode, reached at `shown` on a
// mount whose word is `trust`: "" when it is the user's own.
place_fault judge_place(const struct stat& st, const std::string& shown, mount_judge::verdict trust)
{
    if (trust == mount_judge::verdict::no_one_else) return {};
    if (!mine_or_roots(st)) return {place_fault::foreign_owner, shown, 0, st.st_uid};
    if (others_may_write(st)) return {place_fault::others_write, shown};
    return {};
}

// Walks `path` as given, from the root (a relative path from the working
// folder, whose own path has no link), the way the kernel would, but
// follows a link only where it lies in a folder that no one else may
// write: one elsewhere may be swapped for another between this walk and
// any later use.  Every folder on the way is this user's or root's, and
// one others may write is only passed through when it is sticky.  What the
// path names must be a folder or a regular file, as `what` says, this
// user's or root's and writable by no one else, unless `what` leaves the
// folder's owner and mode to the caller.  A mount `mounts` judges is taken
// or refused whole as it says.  A descriptor of what was reached (O_PATH
// for a folder, open for reading for a file), or -1 with `fault`;
// `resolved` is its path without links.
int reach_unchangeable(const std::string& path, reach what, std::string& resolved, place_fault& fault,
                       const mount_judge* mounts)
{
    const bool want_folder = what != reach::file;
    fault = {};
    std::string full = path;
    if (full.empty() || full[0] != '/') {
        char* here = ::getcwd(nullptr, 0);
        if (!here) {
            fault = {place_fault::failed, path, errno};
            return -1;
        }
        full = std::string(here) + "/" + full;
        std::free(here);
    }
    folder_chain chain(mounts);
    if (!chain.start(fault)) return -1;
    if (const place_fault root = judge_place(chain.st(), "/", chain.last().trust);
        root.kind == place_fault::foreign_owner) {
        fault = root;
        return -1;
    }
    std::deque<std::string> rest;
    split_onto(full, rest);
    int links = 0, file = -1;
    struct stat file_st {};
    folder_chain::level file_level{};
    while (!rest.empty()) {
        const std::string name = rest.front();
        rest.pop_front();
        if (name == "..") {
            if (!chain.up()) {
                fault = {place_fault::failed, chain.path() + "..", errno};
                return -1;
            }
            continue;
        }
        const std::string here = chain.path();
        if (!chain.may_look_at(name, fault)) return -1;
        struct stat st;
        if (::fstatat(chain.fd(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            fault = {place_fault::failed, here + name, errno};
            return -1;
        }
        if (S_ISLNK(st.st_mode)) {
            // A file is opened where it lies, never through a link at its
            // own name: what the link leads to was never asked for.
            if (rest.empty() && what == reach::file) {
                fault = {place_fault::not_regular, here + name};
                return -1;
            }
            if (!chain.unchangeable()) {
                fault = {place_fault::shared_link, here + name};
                return -1;
            }
            std::string target;
            if (++links > kMostLinks || !read_link_at(chain.fd(), name, target)) {
                fault = {place_fault::failed, here + name, links > kMostLinks ? ELOOP : errno};
                return -1;
            }
            if (!target.empty() && target[0] == '/' && !chain.back_to_root(fault)) return -1;
            split_onto(target, rest);
            continue;
        }
        // In a sticky folder others may add names but not take or replace
        // ours, and what is reached next is checked to be ours.
        if (!chain.unchangeable() && !(chain.st().st_mode & S_ISVTX)) {
            fault = {place_fault::others_write, here};
            return -1;
        }
        if (!S_ISDIR(st.st_mode)) {
            if (!rest.empty() || want_folder) {
                fault = {place_fault::failed, here + name, ENOTDIR};
                return -1;
            }
            // Only a regular file is opened: a device's open may act, and
            // a pipe's wait for ever.
            if (!S_ISREG(st.st_mode)) {
                fault = {place_fault::not_regular, here + name};
                return -1;
            }
            file = ::openat(chain.fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (file < 0 || ::fstat(file, &file_st) != 0 ||
                ::fcntl(file, F_SETFL, ::fcntl(file, F_GETFL) & ~O_NONBLOCK) != 0) {
                fault = {place_fault::failed, here + name, errno};
                if (file >= 0) ::close(file);
                return -1;
            }
            resolved = here + name;
            if (!chain.judge(file, resolved, &chain.last(), file_level, fault)) {
                ::close(file);
                return -1;
            }
            break;
        }
        const int next = ::openat(chain.fd(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (!chain.enter(next, name, fault)) return -1;
        if (rest.empty() && what == reach::folder_of_any_mode) continue;
        const place_fault owner = judge_place(chain.st(), chain.path(), chain.last().trust);
        if (owner.kind == place_fault::foreign_owner) {
            fault = owner;
            return -1;
        }
    }
    if (file < 0 && !want_folder) {
        fault = {place_fault::failed, chain.path(), EISDIR};
        return -1;
    }
    if (file >= 0) {
        if (!S_ISREG(file_st.st_mode)) fault = {place_fault::not_regular, resolved};
        else fault = judge_place(file_st, resolved, file_level.trust);
        if (!fault) return file;
        ::close(file);
        return -1;
    }
    if (what != reach::folder_of_any_mode && (fault = judge_place(chain.st(), chain.path(), chain.last().trust)))
        return -1;
    resolved = chain.path();
    return chain.release();
}

}  // namespace

std::string place_fault::text() const
{
    switch (kind) {
    case none: return "";
    case failed: return place + ": " + std::strerror(err);
    case foreign_owner: return place + " " + owner_phrase(owner);
    case others_write: return place + " may be written by others";
    case shared_link: return place + " is a link in a folder others may write";
    case not_regular: return place + " is not a regular file";
    case other_names: return place + " has another name as well (a hard link)";
    case refused_mount: return place + " is " + rule;
    }
    return "";
}

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

int open_users_own_folder(const std::string& folder, std::string& resolved, place_fault& fault,
                          const mount_judge* mounts)
{
    return reach_unchangeable(folder, reach::folder, resolved, fault, mounts);
}

int open_users_own_folder(const std::string& folder, std::string& resolved, std::string& why)
{
    place_fault fault;
    const int fd = open_users_own_folder(folder, resolved, fault);
    if (fd < 0) why = fault.text();
    return fd;
}

bool users_own_folder(const std::string& folder, std::string& resolved, std::string& why, const mount_judge* mounts)
{
    place_fault fault;
    const int fd = open_users_own_folder(folder, resolved, fault, mounts);
    if (fd < 0) {
        why = fault.text();
        return false;
    }
    ::close(fd);
    return true;
}

int open_users_own_file(const std::string& path, place_fault& fault, const mount_judge* mounts)
{
    std::string resolved;
    return reach_unchangeable(path, reach::file, resolved, fault, mounts);
}

bool users_own_file(const std::string& path, std::string& why)
{
    place_fault fault;
    const int fd = open_users_own_file(path, fault);
    if (fd < 0) {
        why = fault.text();
        return false;
    }
    ::close(fd);
    return true;
}

int open_folder_in_users_own(const std::string& folder, std::string& resolved, place_fault& fault)
{
    return reach_unchangeable(folder, reach::folder_of_any_mode, resolved, fault, nullptr);
}

int open_folder_in_users_own(const std::string& folder, std::string& resolved, std::string& why)
{
    place_fault fault;
    const int fd = open_folder_in_users_own(folder, resolved, fault);
    if (fd < 0) why = fault.text();
    return fd;
}

bool users_writable_folder(const std::string& folder, std::string& resolved, std::string& why)
{
    std::string reached;
    place_fault fault;
    const int fd = open_users_own_folder(folder, reached, fault);
    struct stat st;
    if (fd >= 0 && ::fstat(fd, &st) != 0)
        fault = {place_fault::failed, reached, errno};
    // Root's folder is no other user's to change, but neither is it this
    // user's to write: files kept there would never be written.
    else if (fd >= 0 && st.st_uid != ::geteuid())
        fault = {place_fault::foreign_owner, reached, 0, st.st_uid};
    // Asked of the folder the walk holds, not of its name: a path too long
    // for one system call is still the folder reached.
    else if (fd >= 0 && ::faccessat(fd, "", W_OK, AT_EACCESS | AT_EMPTY_PATH) != 0)
        fault = {place_fault::failed, reached, errno};
    if (fd >= 0) ::close(fd);
    if (fault) {
        why = fault.text();
        return false;
    }
    resolved = reached;
    return true;
}

namespace {

// As many names as a file set aside may be tried under.
constexpr int kMostAsides = 100;

// What fails an entry of the program's own, judged on what fstat says of
// it: a file must have no other name (what is written would be written
// there too) and, with `trust_content`, be writable by no one else (what
// it holds would be another's word).
place_fault judge_own_stat(const struct stat& st, const std::string& shown, bool want_folder, bool trust_content)
{
    if (want_folder && !S_ISDIR(st.st_mode)) return {place_fault::failed, shown, ENOTDIR};
    if (!want_folder && !S_ISREG(st.st_mode)) return {place_fault::not_regular, shown};
    if (st.st_uid != ::geteuid()) return {place_fault::foreign_owner, shown, 0, st.st_uid};
    if (!want_folder && st.st_nlink != 1) return {place_fault::other_names, shown};
    if (trust_content && others_may_write(st)) return {place_fault::others_write, shown};
    return {};
}

// The error a refused entry gives the caller that asks errno.
int error_of(const place_fault& fault, const struct stat& st)
{
    switch (fault.kind) {
    case place_fault::failed: return fault.err;
    case place_fault::not_regular: return S_ISLNK(st.st_mode) ? ELOOP : S_ISDIR(st.st_mode) ? EISDIR : ENXIO;
    case place_fault::other_names: return EMLINK;
    default: return EACCES;
    }
}

}  // namespace

int open_own_file(const std::string& path, int how, place_fault& fault, bool names_of_its_own)
{
    fault = {};
    // What stands at the name is looked at before it is opened: opening a
    // device may act, and opening a pipe wait.
    struct stat st;
    if (::fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISREG(st.st_mode)) {
        fault = {place_fault::not_regular, path};
        errno = error_of(fault, st);
        return -1;
    }
    // Never O_TRUNC here: the file is emptied only once it is known to be
    // the user's alone.
    const int access = (how & O_ACCMODE) == O_RDWR ? O_RDWR : O_WRONLY;
    const int flags = access | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (how & (O_APPEND | O_EXCL));
    const int fd = ::open(path.c_str(), flags, 0600);
    if (fd < 0) {
        fault = {place_fault::failed, path, errno};
        return -1;
    }
    int err = 0;
    if (::fstat(fd, &st) != 0)
        fault = {place_fault::failed, path, err = errno};
    else if ((fault = judge_own_stat(st, path, false, false)) &&
             !(names_of_its_own && fault.kind == place_fault::other_names))
        err = error_of(fault, st);
    else if (::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ||
             ((how & O_TRUNC) && ::ftruncate(fd, 0) != 0))
        fault = {place_fault::failed, path, err = errno};
    if (err) {
        ::close(fd);
        errno = err;
        return -1;
    }
    fault = {};
    // A log of an earlier run may have been made readable by all.
    if (st.st_mode & 077) ::fchmod(fd, st.st_mode & 0700);
    return fd;
}

own_read read_own_file(const std::string& path, size_t most_bytes, std::string& text, place_fault& fault)
{
    std::string().swap(text);
    fault = {};
    struct stat st;
    if (::fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) return own_read::missing;
        fault = {place_fault::failed, path, errno};
        return own_read::failed;
    }
    if ((fault = judge_own_stat(st, path, false, true))) return own_read::refused;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return own_read::missing;
        fault = {place_fault::failed, path, errno};
        return own_read::failed;
    }
    own_read outcome = own_read::read;
    if (::fstat(fd, &st) != 0) {
        fault = {place_fault::failed, path, errno};
        outcome = own_read::failed;
    } else if ((fault = judge_own_stat(st, path, false, true))) {
        outcome = own_read::refused;
    } else if (static_cast<unsigned long long>(st.st_size) > most_bytes) {
        outcome = own_read::too_large;
    } else {
        try {
            text.reserve(static_cast<size_t>(st.st_size));
            // Read to the end, not to the size fstat gave: the bound holds
            // for a file that grows meanwhile.
            char block[16384];
            for (ssize_t n; (n = ::read(fd, block, sizeof block)) != 0;) {
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) {
                    fault = {place_fault::failed, path, errno};
                    outcome = own_read::failed;
                    break;
                }
                if (text.size() + static_cast<size_t>(n) > most_bytes) {
                    outcome = own_read::too_large;
                    break;
                }
                text.append(block, static_cast<size_t>(n));
            }
        } catch (const std::bad_alloc&) {
            fault = {place_fault::failed, path, ENOMEM};
            outcome = own_read::failed;
        }
    }
    ::close(fd);
    if (outcome != own_read::read) std::string().swap(text);
    return outcome;
}

place_fault judge_own_entry(int folder, const std::string& name, const std::string& shown, bool want_folder)
{
    struct stat st;
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT ? place_fault{} : place_fault{place_fault::failed, shown, errno};
    return judge_own_stat(st, shown, want_folder, true);
}

std::string set_aside(int folder, const std::string& name)
{
    for (int n = 1; n <= kMostAsides; ++n) {
        const std::string aside = name + ".set-aside" + (n > 1 ? "-" + std::to_string(n) : std::string());
        if (::renameat2(folder, name.c_str(), folder, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
        if (errno == EEXIST) continue;
        if (errno != EINVAL) return "";
        // A file system that cannot promise to replace nothing: the free
        // name is looked for first, which holds in a folder no one else
        // may change.
        struct stat st;
        if (::fstatat(folder, aside.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) continue;
        if (errno == ENOENT && ::renameat(folder, name.c_str(), folder, aside.c_str()) == 0) return aside;
        return "";
    }
    errno = EEXIST;
    return "";
}
