#include "core/files/per_user_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>

#include "core/diag/log_stream.h"

namespace {

constexpr char kFolderName[] = ".nimbrel";

// The names the program uses in the folder, each folder before what it
// holds: the registry of installed copies, the installer's preference
// file and the name it is written under first, and, where the folder
// holds the run's own files, the log, the memory log, the stack listing
// and the about box's downloads.  Screenshots take only free names.
struct program_entry {
    const char* name;
    bool folder;
};
const program_entry kProgramEntries[] = {
    {"nimbrel_install.txt", false},
    {"Nimbrel Installer.prf", false},
    {"Nimbrel Installer.prf.new", false},
    {"Nimbrel Installer Log.txt", false},
    {"MemoryLog.txt", false},
    {"stack_crawl.txt", false},
    {"Output", true},
    {"Output/preferences", true},
    {"Output/preferences/serverlist9.txt", false},
    {"Output/preferences/installer.zip", false},
};

std::mutex trouble_lock;
// What the last look found wrong.
place_fault trouble;
bool trouble_in_home = false;

void note_trouble(const place_fault& what, bool in_home)
{
    std::lock_guard<std::mutex> hold(trouble_lock);
    trouble = what;
    trouble_in_home = in_home;
}

// Takes out of the program's way whatever stands at a name it uses in the
// folder open at `folder` (`shown`) and is not the user's own: while
// others could write the folder, they could leave there a registry that
// lists a program of theirs, a preference file that names their proxy, or
// a second name of a file they go on reading.  Renamed, not removed:
// nothing is lost, and nothing it names is touched.
void set_aside_what_is_not_own(int folder, const std::string& shown)
{
    std::string left;  // a folder that stays in the way: nothing in it is used
    for (const program_entry& entry : kProgramEntries) {
        const std::string name = entry.name;
        if (!left.empty() && name.compare(0, left.size() + 1, left + "/") == 0) continue;
        const place_fault fault = judge_own_entry(folder, name, shown + name, entry.folder);
        if (!fault) continue;
        // What cannot even be looked at is not moved blind.
        const bool looked = fault.kind != place_fault::failed || fault.err == ENOTDIR;
        const std::string aside = looked ? set_aside(folder, name) : std::string();
        std::ostringstream line;
        line << "In the per-user folder, " << fault.text();
        if (!aside.empty())
            line << ": set aside as " << shown << aside << ", and not used; the program makes a file of its own.\n";
        else
            line << " and could not be set aside (" << std::strerror(looked ? errno : fault.err)
                 << "): the program neither reads nor writes it.\n";
        UTL_log_when_open(line.str());
        if (aside.empty() && entry.folder) left = name;
    }
}

// The folder in the home open at `home_fd` (whose path without links is
// `home`): made when missing, reached through no link another user could
// have put on the way, made this user's alone when it is theirs but
// others may read or write it, and rid of what is not theirs.  Reached
// from the home the walk holds: only a link at its name is walked, from
// the root, as any path is.
std::string folder_in_home(int home_fd, const std::string& home)
{
    const std::string shown = home + kFolderName + "/";
    if (::mkdirat(home_fd, kFolderName, 0700) != 0 && errno != EEXIST) {
        const int err = errno;
        xer << "Could not make the per-user folder " << shown << ": " << std::strerror(err) << "\n";
        note_trouble({place_fault::failed, shown, err}, true);
        return "";
    }
    std::string resolved = shown;
    place_fault fault;
    struct stat st;
    int reached = ::openat(home_fd, kFolderName, O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int open_err = errno;
    if (reached < 0 && ::fstatat(home_fd, kFolderName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
        reached = open_folder_in_users_own(shown, resolved, fault);
    else if (reached < 0)
        fault = {place_fault::failed, home + kFolderName, open_err};
    if (reached >= 0 && ::fstat(reached, &st) != 0) {
        fault = {place_fault::failed, resolved, errno};
    } else if (reached >= 0 && st.st_uid != ::geteuid()) {
        fault = {place_fault::foreign_owner, resolved, 0, st.st_uid};
    } else if (reached >= 0 && (st.st_mode & 077)) {
        // Through a descriptor opened from the one reached, not by a name
        // that could lead elsewhere meanwhile.
        const int fd = ::openat(reached, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0 || ::fchmod(fd, 0700) != 0) {
            fault = {place_fault::failed, resolved, errno};
            xer << "The per-user folder " << resolved << " may be changed by others and cannot be made private: "
                << std::strerror(fault.err) << "\n";
        } else {
            std::ostringstream line;
            line << "The per-user folder " << resolved << " could be read or changed by others (mode 0" << std::oct
                 << (st.st_mode & 0777) << std::dec << "), as an earlier version made it: made this user's alone.\n";
            UTL_log_when_open(line.str());
        }
        if (fd >= 0) ::close(fd);
    }
    if (!fault && reached >= 0) set_aside_what_is_not_own(reached, resolved);
    if (reached >= 0) ::close(reached);
    if (fault) {
        xer << "The per-user folder " << shown << " is not this user's own (" << fault.text()
            << "): no per-user files.\n";
        note_trouble(fault, false);
        return "";
    }
    note_trouble({}, false);
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
        note_trouble({}, false);
        return "";
    }
    std::string resolved;
    place_fault fault;
    const int home_fd = open_users_own_folder(home, resolved, fault);
    struct stat st;
    if (home_fd >= 0 && ::fstat(home_fd, &st) == 0 && st.st_uid != ::geteuid())
        fault = {place_fault::foreign_owner, resolved, 0, st.st_uid};
    if (home_fd < 0 || fault) {
        // Root's run with another user's HOME (su -m, sudo -E) would leave a
        // folder there that the user could then never use.
        xer << "The home folder " << home << " is not this user's own (" << fault.text()
            << "): nothing is made there, and there are no per-user files.\n";
        note_trouble(fault, true);
        if (home_fd >= 0) ::close(home_fd);
        return "";
    }
    const std::string folder = folder_in_home(home_fd, resolved);
    ::close(home_fd);
    return folder;
}

place_fault per_user_folder_fault(bool* in_home)
{
    std::lock_guard<std::mutex> hold(trouble_lock);
    if (in_home) *in_home = trouble_in_home;
    return trouble;
}

std::string per_user_folder_trouble(bool* in_home) { return per_user_folder_fault(in_home).text(); }

void per_user_folder_trouble_forget() { note_trouble({}, false); }
