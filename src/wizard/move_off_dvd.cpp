#include "wizard/move_off_dvd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/files/launch_app.h"
#include "core/files/own_files_folder.h"
#include "core/files/per_user_folder.h"
#include "core/files/users_own.h"
#include "core/text/translation.h"

namespace {

// What kept the program on the disk: the first place's failure for the
// screen, every place's for the log, which opens only after the move.
struct stay_record {
    std::string first_place;
    int first_err = 0;
    std::string log;

    void note(const std::string& place, int err, const std::string& what)
    {
        if (first_err == 0) {
            first_place = place;
            first_err = err;
        }
        log += (log.empty() ? "" : "; ") + place + (place.empty() ? "" : ": ") + what;
    }
};
stay_record stay;

// How the program on the disk tells its copy where it was started.
constexpr char kStartedFrom[] = "NIMBREL_MOVED_OFF_DVD_FROM";

// A copy of the program open at `from` in a file with no name in `folder`
// (O_TMPFILE): no other user can find, replace or block it, nothing another
// put in the folder beforehand is opened, and nothing is left there however
// the run ends.  Its mode is its own, whatever the disk records.  0 and a
// descriptor to run it through, or the error number and `what` failed.
int copy_to_unnamed_file(int from, const std::string& folder, int& runnable, std::string& what)
{
    struct stat st;
    int err = ::fstat(from, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EACCES;
    // Each place copies from the start.
    if (!err && ::lseek(from, 0, SEEK_SET) != 0) err = errno;
    const int to = err ? -1 : ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0700);
    if (!err && to < 0) err = errno;
    if (!err) err = copy_contents(from, to);
    what = error_str(err);
    // A program cut short may start and die where no one sees it, past the
    // point of no return: only a whole copy runs.
    struct stat copied;
    if (!err && ::fstat(to, &copied) != 0) what = error_str(err = errno);
    if (!err && copied.st_size != st.st_size) {
        err = EIO;
        what = "copied " + std::to_string(copied.st_size) + " of " + std::to_string(st.st_size) + " bytes";
    }
    if (!err && ::fchmod(to, 0700) != 0) what = error_str(err = errno);
    // Run through a descriptor of its own that reads only: the kernel
    // refuses to run a file open for writing.
    if (!err) {
        const std::string self = "/proc/self/fd/" + std::to_string(to);
        runnable = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
        if (runnable < 0) what = error_str(err = errno);
    }
    if (to >= 0) ::close(to);
    return err;
}

}  // namespace

bool runs_from_dvd(const std::string& own_path, const std::string& dvd)
{
    // A program whose path is unknown agrees with any disk over no length.
    if (own_path.empty() || dvd.empty() || dvd == "/") return false;
    const std::size_t n = own_path.size() < dvd.size() ? own_path.size() : dvd.size();
    return own_path.compare(0, n, dvd, 0, n) == 0;
}

bool moves_off_dvd(const std::string& own_path, const std::string& dvd,
                   const std::string& temp_folder)
{
    return runs_from_dvd(own_path, dvd) &&
           !runs_from_dvd(temp_folder + program_file_name(own_path), dvd);
}

std::string program_file_name(const std::string& own_path)
{
    if (own_path.size() < 2) return own_path;
    const std::size_t slash = own_path.rfind('/', own_path.size() - 2);
    return slash == std::string::npos ? own_path : own_path.substr(slash + 1);
}

std::vector<std::string> copy_off_dvd_places(std::string* passed_over)
{
    std::vector<std::string> places = {"/tmp/"};
    // The environment may name any folder: one that others may write is as
    // shared as /tmp/, and no better a place.
    const auto add_own = [&](const std::string& named, const std::string& folder) {
        std::string resolved, why;
        if (!users_writable_folder(folder, resolved, why)) {
            if (passed_over) *passed_over += "; " + named + " " + folder + " passed over: " + why;
        } else if (std::find(places.begin(), places.end(), resolved) == places.end())
            places.push_back(resolved);
    };
    if (const char* tmpdir = std::getenv("TMPDIR"); tmpdir && *tmpdir) add_own("TMPDIR", tmpdir);
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    add_own("the runtime folder", runtime && *runtime ? runtime : "/run/user/" + std::to_string(::geteuid()) + "/");
    const std::string per_user = per_user_folder();
    if (!per_user.empty() && std::find(places.begin(), places.end(), per_user) == places.end())
        places.push_back(per_user);
    return places;
}

int relaunch_off_dvd(int program, const std::string& shown_as, const std::vector<std::string>& places, int argc,
                     const char* const* argv)
{
    stay = {};
    const std::vector<std::string> arguments = argc > 1 ? std::vector<std::string>(argv + 1, argv + argc)
                                                         : std::vector<std::string>();
    for (const std::string& place : places) {
        int copy = -1;
        std::string what;
        int err = copy_to_unnamed_file(program, place, copy, what);
        // A copy that did not start (a folder mounted noexec) leaves this
        // process as it was, to try the next place.
        if (!err) {
            err = launch_program_file(copy, shown_as, arguments);
            ::close(copy);
            what = "the copy could not start: " + error_str(err);
        }
        stay.note(place, err, what);
    }
    if (places.empty()) stay.note("", ENOENT, "no folder off the DVD to copy it to");
    return stay.first_err;
}

void move_off_dvd(const std::string& own_path, const std::string& dvd, int argc, const char* const* argv)
{
    std::string passed_over;
    std::vector<std::string> places;
    for (const std::string& place : copy_off_dvd_places(&passed_over))
        if (moves_off_dvd(own_path, dvd, place)) places.push_back(place);
    // The running program itself, whatever now lies at its name.
    const int self = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (self < 0) {
        const int err = errno;
        stay = {};
        stay.note("/proc/self/exe", err, error_str(err));
    } else {
        ::setenv(kStartedFrom, own_path.c_str(), 1);
        relaunch_off_dvd(self, own_path, places, argc, argv);
        ::unsetenv(kStartedFrom);
        ::close(self);
    }
    stay.log += passed_over;
}

std::string program_started_from(const std::string& own_path)
{
    const char* handed = std::getenv(kStartedFrom);
    std::string from = handed ? handed : "";
    ::unsetenv(kStartedFrom);
    // Only a copy with no name was started by a move: a program with a
    // name was started from where it lies, whatever its environment says.
    if (from.empty() || from[0] != '/' || !program_file_has_no_name(own_path)) return own_path;
    return from;
}

std::string stays_on_dvd_reason()
{
    if (stay.first_err == 0) return "";
    const std::string message = error_text(stay.first_err);
    return stay.first_place.empty() ? message : stay.first_place + ": " + message;
}

std::string stays_on_dvd_log() { return stay.first_err == 0 ? "" : stay.log; }

void stays_on_dvd_forget() { stay = {}; }
