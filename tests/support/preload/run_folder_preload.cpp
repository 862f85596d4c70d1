// Preloaded into every program under test (program_process): the run folder
// the program makes under /tmp/ carries its test's scratch root (the mark of
// scratch_root_marks.h) and stays locked with flock while the program lives.
// The sweep after a killed test removes a run folder only when its mark
// names that test's root and its lock is free: never a running installer's,
// nor one a program still uses, whatever a log names.
//
// The folder is made inside the root, marked and locked there, and only
// then moved into place: a program killed before the move leaves it in the
// root, which goes with the root.  Where that cannot be done (another user,
// no root), the folder is made as usual.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "../scratch_root_marks.h"

namespace {

using mkdtemp_fn = char* (*)(char*);

mkdtemp_fn real_mkdtemp()
{
    static const auto real = reinterpret_cast<mkdtemp_fn>(dlsym(RTLD_NEXT, "mkdtemp"));
    return real;
}

bool write_mark(const std::string& path, const std::string& root)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && ::write(fd, root.data(), root.size()) == static_cast<ssize_t>(root.size());
    if (fd >= 0) ::close(fd);
    return written;
}

// Fills the X's of `pattern` as mkdtemp would, with the folder made, marked
// and locked; false when it could not be made so.
bool make_marked(char* pattern, const std::string& root)
{
    const size_t name_at = std::strlen(pattern) - 6;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string staged = root + "run-folder-XXXXXX";
        if (!real_mkdtemp()(&staged[0])) return false;
        const std::string mark = staged + "/" + testing_support::run_folder_mark;
        std::string placed = pattern;
        placed.replace(name_at, 6, staged, staged.size() - 6, 6);
        // Held until the program ends; not by the programs it starts.
        const int lock = ::open(staged.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool ready = lock >= 0 && ::flock(lock, LOCK_EX) == 0 && write_mark(mark, root);
        if (ready && ::renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, placed.c_str(), RENAME_NOREPLACE) == 0) {
            std::memcpy(pattern + name_at, placed.data() + name_at, 6);
            return true;
        }
        const int err = errno;
        ::unlink(mark.c_str());
        ::rmdir(staged.c_str());
        if (lock >= 0) ::close(lock);
        // Another folder has that name: another name, as mkdtemp would.
        if (!ready || err != EEXIST) return false;
    }
    return false;
}

}  // namespace

extern "C" char* mkdtemp(char* pattern)
{
    const char* root = std::getenv(testing_support::scratch_root_variable);
    const char* run_folder = testing_support::run_folder_pattern;
    if (root && *root && std::strcmp(pattern, run_folder) == 0 && make_marked(pattern, root)) return pattern;
    return real_mkdtemp()(pattern);
}
