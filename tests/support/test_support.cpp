#include "test_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <linux/capability.h>
#include <sched.h>
#include <malloc.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "scratch_root_marks.h"

namespace testing_support {

namespace {

// A test program's root is named by this and its PID.  The program holds a
// lock on the folder for its life, and marks the folder once it holds it: a
// marked root whose lock is free belongs to a program that ended without
// removing it, killed outright (CTest ends a test past its time so).  One
// killed before it marked its root is told by its PID being gone.
constexpr const char* kRootPrefix = "nimbrel-test-";
constexpr const char* kLockedMark = ".locked";
constexpr const char* kXDisplayNote = "x-display";

std::string made_root;
pid_t root_maker = 0;
// Whether this program's mounts go into a mount table of its own.
bool own_mount_table = false;

void remove_made_root()
{
    // Not from a forked child that ends through exit(): the folder is its
    // parent's, still in use.
    if (!made_root.empty() && ::getpid() == root_maker) remove_tree(made_root);
}

std::string make_temp_folder(const std::string& pattern)
{
    std::string name = pattern;
    if (!mkdtemp(&name[0])) throw std::runtime_error("mkdtemp " + name + ": " + std::strerror(errno));
    return name + "/";
}

// A file system mounted by this program (small_disk) goes with the mount
// table made here, which the kernel drops with the last process using it:
// a test program killed outright leaves no mount under /tmp.  A mount table
// is a thread's, and threads started later take their starter's, so it is
// made only while this is the one thread.  It needs the right to mount.
bool make_own_mount_table()
{
    return has(read_file("/proc/self/status"), "\nThreads:\t1\n") && ::unshare(CLONE_NEWNS) == 0 &&
           // Nothing mounted here reaches the table this one was copied from.
           ::mount("none", "/", nullptr, MS_REC | MS_SLAVE, nullptr) == 0;
}

// The file in the folder `fd` names, up to a path's length; "" when absent.
std::string read_mark(int fd, const char* name)
{
    char text[PATH_MAX];
    const int mark = ::openat(fd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const ssize_t n = mark >= 0 ? ::read(mark, text, sizeof text) : -1;
    if (mark >= 0) ::close(mark);
    return n > 0 ? std::string(text, static_cast<size_t>(n)) : "";
}

// A run folder under /tmp/ that a program of the abandoned `root` made,
// which its mark tells, and that no program holds any more: CTest ends a
// test past its time by killing every process under it, the programs it
// started too, so their run folders outlive it as well.
void remove_run_folder_of(const std::string& root, const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && read_mark(fd, run_folder_mark) == root &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        remove_tree(folder);
    ::close(fd);
}

// The socket of the X server an abandoned root's program started, when
// nothing listens on it any more: a server killed outright leaves it.
void remove_dead_x_socket(const std::string& root)
{
    const std::string number = read_file(root + kXDisplayNote);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return;
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    const std::string path = "/tmp/.X11-unix/X" + number;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    struct stat st;
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0 && ::lstat(path.c_str(), &st) == 0 && S_ISSOCK(st.st_mode) && st.st_uid == ::geteuid() &&
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 && errno == ECONNREFUSED)
        ::unlink(path.c_str());
    if (probe >= 0) ::close(probe);
}

// What is still mounted below an abandoned root, by a program that had no
// mount table of its own: removing the root would empty those file systems
// and stop at their mount points, leaving the root behind.
void unmount_below(const std::string& root)
{
    for (const std::string& point : mount_points_below(root)) ::umount2(point.c_str(), MNT_DETACH);
}

// Whether the program that made the root `name` ("nimbrel-test-PID-...") is
// gone.
bool maker_gone(const std::string& name)
{
    const long pid = std::strtol(name.c_str() + std::strlen(kRootPrefix), nullptr, 10);
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// The names in /tmp that `wanted` picks.
std::vector<std::string> names_in_tmp(bool (*wanted)(const std::string& name))
{
    std::vector<std::string> names;
    if (DIR* tmp = ::opendir("/tmp")) {
        while (const dirent* entry = ::readdir(tmp))
            if (wanted(entry->d_name)) names.push_back(entry->d_name);
        ::closedir(tmp);
    }
    return names;
}

bool root_name(const std::string& name) { return name.compare(0, std::strlen(kRootPrefix), kRootPrefix) == 0; }

// Its fixed part, then mkdtemp's six characters.
bool run_folder_name(const std::string& name)
{
    const std::string run_folder = std::string(run_folder_pattern).substr(std::strlen("/tmp/"));
    const size_t fixed = run_folder.size() - 6;
    return name.size() == run_folder.size() && name.compare(0, fixed, run_folder, 0, fixed) == 0;
}

// Removes the roots of this user's test programs that are gone.  Other
// users' roots are theirs; an unmarked root whose maker lives is still
// being made.
void remove_abandoned_roots()
{
    for (const std::string& name : names_in_tmp(root_name)) {
        const std::string root = "/tmp/" + name + "/";
        const int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat folder, mark;
        // Removed with the lock taken, so that no other program starting
        // now removes it at the same time.  A maker taking the lock now
        // waits for it.
        if (::fstat(fd, &folder) == 0 && folder.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            (::fstatat(fd, kLockedMark, &mark, AT_SYMLINK_NOFOLLOW) == 0 || maker_gone(name))) {
            // Listed now that no program of the root can make one unlocked.
            for (const std::string& run_folder : names_in_tmp(run_folder_name))
                remove_run_folder_of(root, "/tmp/" + run_folder);
            remove_dead_x_socket(root);
            unmount_below(root);
            remove_tree(root);
        }
        ::close(fd);
    }
}

}  // namespace

const std::string& scratch_root()
{
    static const std::string root = [] {
        if (const char* inherited = std::getenv(scratch_root_variable); inherited && *inherited)
            return std::string(inherited);
        // In the mount table this program was started with, where any mount
        // an abandoned root holds is.
        remove_abandoned_roots();
        own_mount_table = make_own_mount_table();
        made_root = make_temp_folder("/tmp/" + std::string(kRootPrefix) + std::to_string(::getpid()) + "-XXXXXX");
        root_maker = ::getpid();
        // Held until the program ends, however it ends; a forked child that
        // outlives it holds it too.
        const int lock = ::open(made_root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (lock >= 0 && ::flock(lock, LOCK_EX) == 0) write_file(made_root + kLockedMark, "");
        // Checks run as another user (run_unprivileged) reach the folders
        // their test opened to them; each scratch folder inside stays 0700.
        ::chmod(made_root.c_str(), 0755);
        ::setenv(scratch_root_variable, made_root.c_str(), 1);
        std::atexit(remove_made_root);
        return made_root;
    }();
    return root;
}

void note_own_x_display(const std::string& number) { write_file(scratch_root() + kXDisplayNote, number); }

scratch_dir::scratch_dir(const std::string& parent)
    : path_(make_temp_folder((parent.empty() ? scratch_root() : parent + "/") + "XXXXXX"))
{
}

scratch_dir::~scratch_dir() { remove_tree(path_); }

scratch_home::scratch_home() : had_home_(std::getenv("HOME") != nullptr)
{
    if (had_home_) saved_ = std::getenv("HOME");
    ::setenv("HOME", dir_.path().c_str(), 1);
}

scratch_home::~scratch_home()
{
    if (had_home_)
        ::setenv("HOME", saved_.c_str(), 1);
    else
        ::unsetenv("HOME");
}

static void make_parents(const std::string& path)
{
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') ::mkdir(path.substr(0, i).c_str(), 0755);
}

void write_file(const std::string& path, const std::string& bytes)
{
    make_parents(path);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

file_stamp stamp_of(const std::string& path)
{
    struct stat st = {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {st.st_ino, st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec};
}

bool make_sparse(const std::string& path, long long bytes)
{
    write_file(path, "");
    return ::truncate(path.c_str(), static_cast<off_t>(bytes)) == 0;
}

std::string md5_hex(const std::string& bytes)
{
    scratch_dir dir;
    write_file(dir / "f", bytes);
    return run_shell("md5sum '" + dir / "f" + "'").out.substr(0, 32);
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

int count_of(const std::string& text, const std::string& part)
{
    int n = 0;
    if (part.empty()) return 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

bool file_exists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void remove_tree(const std::string& path)
{
    // Folders a test made unreadable must still go.
    nftw(path.c_str(), [](const char* p, const struct stat* sb, int type, struct FTW*) {
        if (type == FTW_D || type == FTW_DNR) ::chmod(p, (sb->st_mode & 07777) | 0700);
        return 0;
    }, 16, FTW_PHYS);
    nftw(path.c_str(), [](const char* p, const struct stat*, int type, struct FTW*) {
        if (type == FTW_DP || type == FTW_D || type == FTW_DNR) ::rmdir(p);
        else ::unlink(p);
        return 0;
    }, 16, FTW_PHYS | FTW_DEPTH);
}

run_result run_program(const std::vector<std::string>& argv,
                       const std::vector<std::string>& env, const std::string& cwd)
{
    int pipe_fd[2];
    if (::pipe2(pipe_fd, O_CLOEXEC) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipe_fd[1], 1);
        ::dup2(pipe_fd[1], 2);
        if (!cwd.empty() && ::chdir(cwd.c_str()) != 0) _exit(126);
        for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        _exit(127);
    }
    ::close(pipe_fd[1]);
    run_result r;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(pipe_fd[0], buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) r.out.append(buf, static_cast<size_t>(n));
    ::close(pipe_fd[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

std::vector<std::string> preload_environment(const std::string& library)
{
    const char* preloaded = std::getenv("LD_PRELOAD");
    std::vector<std::string> env = {"LD_PRELOAD=" + library +
                                    (preloaded && *preloaded ? ":" + std::string(preloaded) : "")};
    // AddressSanitizer wants its runtime first among the libraries; the one
    // preloaded before it only hands each call on to it.
    if (under_sanitizer()) {
        const char* options = std::getenv("ASAN_OPTIONS");
        env.push_back(std::string("ASAN_OPTIONS=") + (options && *options ? std::string(options) + ":" : "") +
                      "verify_asan_link_order=0");
    }
    return env;
}

// The sanitizers' runtimes define it; their headers come with clang only.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

bool under_sanitizer() { return __sanitizer_get_current_allocated_bytes != nullptr; }

std::size_t sanitizer_heap_bytes()
{
    return under_sanitizer() ? __sanitizer_get_current_allocated_bytes() : 0;
}

bool refused_for_a_sanitizers_time(int expected, const char* reason, const std::string& log)
{
    static const std::string time = "decoding it takes longer than what it hands over pays for";
    return under_sanitizer() && has(log, "7z archive refused: " + time) &&
           (expected != 20016 || (reason && time != reason));
}

long status_kb(const char* field, pid_t pid)
{
    std::ifstream status(pid ? "/proc/" + std::to_string(pid) + "/status" : "/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, std::string(field).size(), field) == 0) return std::stol(line.substr(line.find(':') + 1));
    return -1;
}

namespace {

// Takes every free block of the main thread's heap, where a child of the
// test program would otherwise allocate what earlier tests freed before
// its address space grows: a bound on that growth is then a bound on all
// it holds.  Each size is asked for until the heap would grow for it or
// glibc maps it apart (the chunk's flag before the block says so), then
// half of it, down to the smallest block; what is taken stays taken.
void take_free_heap()
{
    constexpr size_t kMapped = 2;
    for (size_t size = size_t{1} << 30; size >= 16; size /= 2) {
        for (;;) {
            const void* top = ::sbrk(0);
            void* block = std::malloc(size);
            if (!block) break;
            if (::sbrk(0) != top || (static_cast<const size_t*>(block)[-1] & kMapped)) {
                std::free(block);
                break;
            }
        }
    }
}

}  // namespace

bounded_result run_bounded(const std::function<int()>& work, long headroom_kb, const std::function<void()>& prepare)
{
    int out[2];
    if (::pipe(out) != 0) return {};
    pid_t child = ::fork();
    if (child == 0) {
        ::close(out[0]);
        // What the test program freed stays in its heap, resident, and the
        // child would grow into it unseen: it goes back to the system, and
        // the resident peak starts from what is left.
        ::malloc_trim(0);
        if (!under_sanitizer()) take_free_heap();
        if (prepare) prepare();
        if (FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", refs);
            std::fclose(refs);
        }
        if (!under_sanitizer()) {
            rlim_t limit = static_cast<rlim_t>(status_kb("VmSize:") + headroom_kb) * 1024;
            struct rlimit bound = {limit, limit};
            ::setrlimit(RLIMIT_AS, &bound);
        }
        const long before = status_kb("VmHWM:");
        bounded_result r;
        // Never past here: the child is a copy of the test program, whose
        // handler would go on with the next test.
        try {
            r.result = work();
        } catch (...) {
            _exit(1);
        }
        r.resident_growth_kb = status_kb("VmHWM:") - before;
        (void)!::write(out[1], &r, sizeof r);
        _exit(0);
    }
    ::close(out[1]);
    bounded_result r;
    if (::read(out[0], &r, sizeof r) != sizeof r) r = bounded_result();
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return r;
}

run_result run_shell(const std::string& command)
{
    return run_program({"/bin/sh", "-c", command});
}

std::string run_folder_in_log(const std::string& log)
{
    static const std::string kLine = "Temporary folder of this run = ";
    const size_t at = log.rfind(kLine);
    if (at == std::string::npos) return "";
    const size_t from = at + kLine.size(), end = log.find('\n', from);
    const std::string folder = log.substr(from, end == std::string::npos ? end : end - from);
    // Only what mkdtemp makes for a run, whatever a damaged log says.
    if (folder.size() != std::string("/tmp/nimbrel-XXXXXX/").size() || folder.compare(0, 13, "/tmp/nimbrel-") != 0 ||
        folder.find('/', 13) != folder.size() - 1)
        return "";
    return folder;
}

namespace {

constexpr uid_t kNobody = 65534;

// Root becomes nobody, which takes its capabilities; anyone else keeps the
// user and gives up every capability it may hold.
bool drop_rights()
{
    if (::geteuid() == 0)
        return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
    __user_cap_header_struct header = {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    return ::syscall(SYS_capset, &header, none) == 0;
}

}  // namespace

int run_unprivileged(const std::function<int()>& check)
{
    pid_t pid = ::fork();
    if (pid == 0) {
        if (!drop_rights()) _exit(255);
        _exit(check() & 0xff);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 255) return -1;
    return WEXITSTATUS(status);
}

void give_to_unprivileged(const std::string& path)
{
    if (::geteuid() != 0) return;
    nftw(path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) {
        ::lchown(p, kNobody, kNobody);
        return 0;
    }, 16, FTW_PHYS);
}

std::string test_program_dir()
{
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    std::string p(buf, static_cast<size_t>(n));
    return p.substr(0, p.rfind('/') + 1);
}

std::string test_output_dir(const std::string& name)
{
    std::string dir = name.compare(0, 1, "/") == 0 ? name : std::string(NIMBREL_TEST_OUTPUT_DIR) + "/" + name;
    if (dir.back() != '/') dir += '/';
    make_parents(dir);
    return dir;
}

namespace {

bool large_fixtures_anew = false;

}  // namespace

void make_large_fixtures_anew() { large_fixtures_anew = true; }

std::string large_fixture(const std::string& name, const std::function<bool(const std::string& path)>& make)
{
    const std::string path = NIMBREL_LARGE_FIXTURE_DIR "/" + name;
    if (!large_fixtures_anew && file_exists(path)) return path;
    make_parents(path);
    // Made aside and moved into place whole: another test program may be
    // looking for it, or making it too.
    const std::string part = path + ".part" + std::to_string(::getpid());
    const bool made = make(part) && ::rename(part.c_str(), path.c_str()) == 0;
    ::unlink(part.c_str());
    return made ? path : "";
}

bool wait_until(const std::function<bool()>& done, double seconds, int poll_ms)
{
    // A deadline rather than a count: `done` may itself take a while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(poll_ms));
    }
    return done();
}

namespace {

double seconds_now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

idle_limit::idle_limit(double seconds) : seconds_(seconds), since_(seconds_now()) {}

bool idle_limit::moving(const std::vector<double>& done)
{
    return moving(std::string(reinterpret_cast<const char*>(done.data()), done.size() * sizeof(double)));
}

bool idle_limit::moving(const std::string& done)
{
    const double now = seconds_now();
    if (done != last_) {
        last_ = done;
        since_ = now;
    }
    return now - since_ < seconds_;
}

std::vector<std::string> mount_points_below(std::string folder)
{
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    std::vector<std::string> points;
    std::ifstream table("/proc/self/mountinfo");
    for (std::string line; std::getline(table, line);) {
        std::istringstream fields(line);
        std::string id, parent, device, inside, point;
        fields >> id >> parent >> device >> inside >> point;
        if (point == folder || point.compare(0, folder.size() + 1, folder + "/") == 0) points.push_back(point);
    }
    return points;
}

small_disk::small_disk(const std::string& folder, const std::string& size) : folder_(folder), mounted_(false)
{
    // Never into a mount table that outlives this program.
    scratch_root();
    // The folder's own mode, not tmpfs's 1777: a home others may write is
    // no home of the user's own.
    struct stat st;
    char mode[16] = "0700";
    if (::stat(folder.c_str(), &st) == 0) std::snprintf(mode, sizeof mode, "0%o", st.st_mode & 07777);
    mounted_ = own_mount_table &&
               ::mount("tmpfs", folder.c_str(), "tmpfs", 0, ("size=" + size + ",mode=" + mode).c_str()) == 0;
}

small_disk::~small_disk()
{
    // Lazily: the program may still hold files there when a check failed.
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
}

}  // namespace testing_support
