#include "core/files/per_user_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/diag/log_stream.h"
#include "core/files/users_own.h"

namespace {

constexpr char kFolderName[] = ".nimbrel";

std::mutex trouble_lock;
// What the last look found wrong, and the advice that goes with it.
std::string trouble;
bool trouble_in_home = false;

void note_trouble(const std::string& what, bool in_home)
{
    std::lock_guard<std::mutex> hold(trouble_lock);
    trouble = what;
    trouble_in_home = in_home;
}

// The folder in the home open at `home_fd` (whose path without links is
// `home`): made when missing, reached through no link another user could
// have put on the way, and made this user's alone when it is theirs but
// others may read or write it.
std::string folder_in_home(int home_fd, const std::string& home)
{
    const std::string shown = home + kFolderName + "/";
    if (::mkdirat(home_fd, kFolderName, 0700) != 0 && errno != EEXIST) {
        const int err = errno;
        xer << "Could not make the per-user folder " << shown << ": " << std::strerror(err) << "\n";
        note_trouble(shown + ": " + std::strerror(err), true);
        return "";
    }
    std::string resolved, fault;
    const int reached = open_folder_in_users_own(shown, resolved, fault);
    struct stat st;
    if (reached >= 0 && ::fstat(reached, &st) != 0)
        fault = resolved + ": " + std::strerror(errno);
    else if (reached >= 0 && st.st_uid != ::geteuid())
        fault = resolved + " " + owner_phrase(st.st_uid);
    else if (reached >= 0 && (st.st_mode & 077)) {
        // Through a descriptor opened from the one the walk reached, not
        // by a name that could lead elsewhere meanwhile.
        const int fd = ::openat(reached, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::fchmod(fd, 0700) != 0)
            fault = resolved + " may be changed by others and cannot be made private: " + std::strerror(errno);
        else
            xer << "The per-user folder " << resolved << " could be read or changed by others (mode 0" << std::oct
                << (st.st_mode & 0777) << std::dec << "), as an earlier version made it: made this user's alone.\n";
        if (fd >= 0) ::close(fd);
    }
    if (reached >= 0) ::close(reached);
    if (!fault.empty()) {
        xer << "The per-user folder " << shown << " is not this user's own (" << fault << "): no per-user files.\n";
        note_trouble(fault, false);
        return "";
    }
    note_trouble("", false);
    return resolved;
}

}  // namespace

const char* home_folder()
{
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        xer << "HOME is not set: no per-user folders.\n";
        return nullptr;
    }
    return home;
}

std::string per_user_folder()
{
    const char* home = home_folder();
    if (!home) {
        note_trouble("", false);
        return "";
    }
    std::string resolved, why;
    const int home_fd = open_users_own_folder(home, resolved, why);
    struct stat st;
    if (home_fd >= 0 && ::fstat(home_fd, &st) == 0 && st.st_uid != ::geteuid())
        why = resolved + " " + owner_phrase(st.st_uid);
    if (home_fd < 0 || !why.empty()) {
        // Root's run with another user's HOME (su -m, sudo -E) would leave a
        // folder there that the user could then never use.
        xer << "The home folder " << home << " is not this user's own (" << why
            << "): nothing is made there, and there are no per-user files.\n";
        note_trouble(why, true);
        if (home_fd >= 0) ::close(home_fd);
        return "";
    }
    const std::string folder = folder_in_home(home_fd, resolved);
    ::close(home_fd);
    return folder;
}

std::string per_user_folder_trouble(bool* in_home)
{
    std::lock_guard<std::mutex> hold(trouble_lock);
    if (in_home) *in_home = trouble_in_home;
    return trouble;
}

void per_user_folder_trouble_forget()
{
    std::lock_guard<std::mutex> hold(trouble_lock);
    trouble.clear();
    trouble_in_home = false;
}
