#include "core/files/file_ops.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/diag/error_codes.h"
#include "core/files/system_paths.h"

thread_local const char* sErrFile = "";
thread_local int sErrLine = -1;

namespace {

std::string full(std::string path)
{
    set_path_to_full(path);
    return path;
}

std::string without_trailing_slash(std::string path)
{
    if (!path.empty() && path.back() == '/') path.pop_back();
    return path;
}

int fail_here(const char* file, int line)
{
    int err = errno;
    sErrFile = file;
    sErrLine = line;
    return err;
}
#define FAIL() fail_here(__FILE__, __LINE__)

ssize_t read_fully(int fd, void* buf, size_t n)
{
    size_t got = 0;
    while (got < n) {
        ssize_t r = ::read(fd, static_cast<char*>(buf) + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

bool write_fully(int fd, const void* buf, size_t n)
{
    size_t put = 0;
    while (put < n) {
        ssize_t w = ::write(fd, static_cast<const char*>(buf) + put, n - put);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = EIO;
            return false;
        }
        put += static_cast<size_t>(w);
    }
    return true;
}

std::atomic<copy_read_fn> read_hook{nullptr};

uint32_t le32(const unsigned char* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

// Through this thread's one buffer, so copying a tree allocates nothing
// per file.
int copy_contents(int in, int out, const std::atomic<bool>* stop)
{
    static thread_local std::vector<char> buffer(kCopyBlockBytes);
    const copy_read_fn hook = read_hook.load(std::memory_order_relaxed);
    for (;;) {
        if (stop && stop->load(std::memory_order_relaxed)) return ECANCELED;
        ssize_t n = hook ? hook(in, buffer.data(), buffer.size()) : ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        if (!write_fully(out, buffer.data(), static_cast<size_t>(n))) return errno;
    }
}

void set_copy_read_hook(copy_read_fn fn) { read_hook.store(fn, std::memory_order_relaxed); }

bool file_exists(const std::string& path)
{
    struct stat st;
    return ::stat(full(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool dir_exists(const std::string& path)
{
    struct stat st;
    return ::stat(full(without_trailing_slash(path)).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool name_exists(const std::string& path)
{
    struct stat st;
    return ::lstat(full(without_trailing_slash(path)).c_str(), &st) == 0;
}

int make_folder(const std::string& path)
{
    if (::mkdir(full(without_trailing_slash(path)).c_str(), 0755) != 0) return FAIL();
    return 0;
}

int delete_file(const std::string& path)
{
    if (path.empty()) return ENOENT;
    std::string target = full(path);
    if (target.back() == '/') {
        target.pop_back();
        if (::rmdir(target.c_str()) != 0) return FAIL();
    } else if (::unlink(target.c_str()) != 0) {
        return FAIL();
    }
    return 0;
}

int copy_file(const std::string& from, const std::string& to, const std::atomic<bool>* stop)
{
    // O_NONBLOCK: opening a pipe or a device must not hang the copy.
    int in = ::open(full(from).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) {
        FAIL();
        return ENOENT;
    }
    const int err = copy_descriptor(in, to, stop);
    ::close(in);
    return err;
}

int copy_descriptor(int in, const std::string& to, const std::atomic<bool>* stop)
{
    std::string dest = full(to);
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : ENOENT;
        FILE_ERR_HERE();
        return err;
    }

    std::string temp;
    int out = open_beside(dest, &temp);
    if (out < 0) {
        FAIL();
        return ENOENT;
    }
    int err = copy_contents(in, out, stop);
    if (err) FILE_ERR_HERE();
    if (::fchmod(out, st.st_mode & 0777) != 0 && !err) err = FAIL();
    if (::close(out) != 0 && !err) err = FAIL();
    return replace_by(temp, dest, err);
}

std::string next_partial_name()
{
    // Named after the process, not after the file it replaces: a long name
    // plus a suffix could pass the system's limit where the name does not.
    static std::atomic<unsigned> serial{0};
    static const std::string prefix = ".partial-" + std::to_string(::getpid()) + "-";
    return prefix + std::to_string(serial++);
}

namespace {

// The process number in a beside-file's name; 0 when the name has not
// exactly that form.
long partial_pid(const std::string& name)
{
    static const char kPrefix[] = ".partial-";
    const size_t prefix = sizeof kPrefix - 1;
    if (name.compare(0, prefix, kPrefix) != 0) return 0;
    const size_t dash = name.find('-', prefix);
    auto digits = [&name](size_t from, size_t to) {
        if (to <= from || to - from > 10) return false;
        for (size_t i = from; i < to; ++i)
            if (name[i] < '0' || name[i] > '9') return false;
        return true;
    };
    if (dash == std::string::npos || !digits(prefix, dash) || !digits(dash + 1, name.size())) return 0;
    const long pid = std::strtol(name.c_str() + prefix, nullptr, 10);
    return pid > 0 && pid <= INT_MAX ? pid : 0;
}

// The writer of a beside-file holds a write lock on it, a sweep takes a
// read lock to judge it.  Locks of the open file, not of the process: the
// kernel drops them when the writer's last descriptor goes, however the
// run ends, and they hold across threads, PID namespaces and the hosts of a
// shared copy, where a process number tells nothing.
bool lock_partial(int fd, short type)
{
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Whether `name` in `folder` is still the file open at `fd`.
bool still_named(int folder, const std::string& name, int fd)
{
    struct stat named, open;
    return ::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

}  // namespace

bool is_partial_name(const std::string& name) { return partial_pid(name) != 0; }

int create_partial(int folder, const std::string& prefix, std::string* temp, mode_t mode)
{
    for (int tries = 0; tries < 100; ++tries) {
        *temp = prefix + next_partial_name();
        const int fd = ::openat(folder, temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        // A sweep that judged the file between its making and the lock
        // holds it now and removes the name: this try is lost.  A file
        // system without locks leaves it unlocked, and a sweep there can
        // take no lock to remove it either.
        const bool taken_over = !lock_partial(fd, F_WRLCK) && (errno == EAGAIN || errno == EACCES);
        if (!taken_over && still_named(folder, *temp, fd)) return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

int claim_stale_partial(int folder, const std::string& name)
{
    // Ours are never stale.
    const long pid = partial_pid(name);
    if (pid == 0 || pid == ::getpid()) return -1;
    const int fd = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // A link can hold no lock.  It lives only from its making to its
        // rename within one call, and a run that loses it hears so from the
        // rename: one met here is as good as stale.
        return errno == ELOOP ? ::openat(folder, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC) : -1;
    }
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lock_partial(fd, F_RDLCK) && still_named(folder, name, fd))
        return fd;
    ::close(fd);
    return -1;
}

int open_beside(const std::string& dest, std::string* temp)
{
    const size_t slash = dest.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : dest.substr(0, slash + 1);
    return create_partial(AT_FDCWD, folder, temp, 0666);
}

int replace_by(const std::string& temp, const std::string& dest, int err)
{
    if (!err && ::rename(temp.c_str(), dest.c_str()) != 0) err = FAIL();
    if (err) ::unlink(temp.c_str());
    return err;
}

int rename_file(const std::string& folder, const std::string& old_name,
                const std::string& new_name)
{
    if (::rename(full(folder + old_name).c_str(), full(folder + new_name).c_str()) < 0)
        return FAIL();
    return 0;
}

int get_free_space(const std::string& path, unsigned long long* total,
                   unsigned long long* free)
{
    // The volume that will hold the named item, so a destination folder that
    // does not exist yet can be measured.
    size_t search_end = path.size();
    if (path.size() >= 3 && path.back() == '/') --search_end;
    size_t slash = search_end == 0 ? std::string::npos : path.rfind('/', search_end - 1);
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    set_path_to_full(folder);
    // An empty folder part is the working directory, which statfs does not
    // take as "".
    if (folder.empty()) folder = ".";

    struct statfs fs;
    if (::statfs(folder.c_str(), &fs) != 0) return errno;
    unsigned long long block = static_cast<unsigned long long>(fs.f_bsize);
    if (total) *total = block * static_cast<unsigned long long>(fs.f_blocks);
    if (free) *free = block * static_cast<unsigned long long>(fs.f_bfree);
    return 0;
}

void eject_dvd(const std::string&) {}

file_identity file_identity::of(const struct stat& st)
{
    return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool file_identity::operator==(const file_identity& other) const
{
    const auto same_time = [](const timespec& x, const timespec& y) {
        return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec;
    };
    return set && other.set && device == other.device && inode == other.inode && size == other.size &&
           same_time(modified, other.modified) && same_time(changed, other.changed);
}

int make_file_large_address_aware(const std::string& path)
{
    int fd = ::open(full(path).c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno;

    int result = 0;
    unsigned char dos[64], pe[24];
    off_t pe_offset = 0;
    if (read_fully(fd, dos, sizeof dos) != sizeof dos) {
        result = EIO;
    } else if (dos[0] != 'M' || dos[1] != 'Z') {
        result = kErrNotDosExe;
    } else if ((pe_offset = le32(dos + 60)), ::lseek(fd, pe_offset, SEEK_SET) < 0) {
        result = errno;
    } else if (read_fully(fd, pe, sizeof pe) != sizeof pe) {
        result = EIO;
    } else if (std::memcmp(pe, "PE\0\0", 4) != 0) {
        result = kErrNotPeExe;
    } else {
        pe[22] |= 0x20;  // Characteristics bit 0x0020, low byte
        if (::lseek(fd, pe_offset, SEEK_SET) < 0)
            result = errno;
        else if (!write_fully(fd, pe, sizeof pe))
            result = EIO;
    }
    if (::close(fd) != 0 && result == 0) result = errno;
    return result;
}

bool show_del_err(int) { return false; }

bool show_make_dir_err(int err) { return err != 0 && err != EEXIST; }
