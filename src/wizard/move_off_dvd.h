// The move off an install DVD: a program started from the disk copies
// itself into a file with no name and runs that copy, with the command
// line it was given, so that the disk can be changed for the next one.  It
// must never leave the user without an installer: where no copy can run,
// the program goes on from the disk and says why.
#pragma once

#include <string>
#include <vector>

// Whether the program at `own_path` runs from the DVD mounted at `dvd`: the
// two agree over the shorter length.  An empty mount or the root never
// matches, or every program would be "on the DVD" and relaunch for ever.
bool runs_from_dvd(const std::string& own_path, const std::string& dvd);
// Whether the program should copy itself off that DVD: it runs from it, and
// its copy in `temp_folder` would not, or the copy would move on for ever.
bool moves_off_dvd(const std::string& own_path, const std::string& dvd,
                   const std::string& temp_folder);
// The program file's name: the text after its path's last "/" (a trailing
// "/" passed over).
std::string program_file_name(const std::string& own_path);

// The folders a copy is tried in, in order: /tmp/; TMPDIR when it is set
// and a folder of the user's own; the user's runtime folder (XDG_RUNTIME_DIR,
// else /run/user/UID) when it is theirs; the per-user folder.  /tmp/ may be
// mounted noexec, lack O_TMPFILE or be full.  Each ends in "/"; a folder
// passed over is told in `passed_over`, when given, with why.
std::vector<std::string> copy_off_dvd_places(std::string* passed_over = nullptr);

// Copies the program open at `program` (the running one, never its name
// read again) whole into a file with no name, mode 0700, in the first of
// `places` that can hold and run it, and starts that copy with `argv`'s
// arguments after its name, which ends this process; the copy keeps the
// working folder, so a relative "-path" names the same folder.  Comes back
// only when no place could, with the error of the first one tried; the
// program then runs on from the DVD (stays_on_dvd_reason).
int relaunch_off_dvd(int program, const std::string& shown_as, const std::vector<std::string>& places, int argc,
                     const char* const* argv);

// Started from the DVD at `dvd`, at `own_path`: the move, with
// /proc/self/exe as the program and copy_off_dvd_places off that disk.
// Comes back only when the program stays on the disk.
void move_off_dvd(const std::string& own_path, const std::string& dvd, int argc, const char* const* argv);

// Where the program was started: `own_path`, or, in the copy a move off a
// disk started, the path of the program on that disk, which the move hands
// it; the copy takes that disk again, and a run of root's the disks of the
// media folder it lies in.  Read once, and forgotten, so that nothing the
// copy starts takes it for its own.
std::string program_started_from(const std::string& own_path);

// Why the program still runs from the disk it was started from, in the
// user's language, for the screen that asks for another disk; "" when it
// never ran from one.
std::string stays_on_dvd_reason();
// The same for the log, every place tried and what failed there.
std::string stays_on_dvd_log();

// -- A test's seam ---
// As before a move was tried.
void stays_on_dvd_forget();
