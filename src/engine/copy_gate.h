// The one gate into the user's copy: every file the install engine unpacks
// into it, every file it deletes and every folder it makes or removes goes
// through the functions below, and nothing else in the program writes there.
//
// The copy's folder (dest_dir_path) is opened once per run, and every
// change is made relative to descriptors taken beneath it, so the kernel
// keeps it inside at the moment of the write: no manifest line, archive
// entry, link already in the copy or folder swapped for a link meanwhile can
// lead a write, a deletion or a new folder anywhere else (kErrLeadsOut,
// EACCES, logged).
//
// An install archive delivers exactly the file its manifest line names: the
// entry of the file's bare name (a link entry too, when it leads to a file
// inside the copy), nothing else but "__MACOSX" entries, which are skipped.
// The file is written beside its final name, no larger than the manifest's
// installed size and no more than the disk holds, and renamed into place
// only when its MD5 equals the manifest's signature: a failure leaves the
// old file as it was.  Nor does the gate replace or delete a file the user
// changed after the plan judged it (scan_stamps.h).
//
// How a road calls it (any road, on the main thread or a worker):
//
//   make_dirs();                  // opens the gate for the run, makes its folders
//                                 // (make_new_copy_dirs for a new copy)
//   ...
//   std::string problem;
//   int err = copy_install(archive, version, &problem);
//   if (err) alert("Error: " + (problem.empty() ? error_str(err) : problem), ...);
//   else version.is_current = 1;  // only now
//   ...
//   int r = copy_delete(version);
//   record_emptied_folders(dest_path_of(version), folders);
//   ...
//   copy_remove_emptied_folders(folders, "cleanup: DELETING  file ");
//
// Paths given to the gate are full destination paths, as dest_path_of and
// the folder sets give them; the gate itself takes only what lies below
// dest_dir_path.
#pragma once

#include <cerrno>
#include <set>
#include <string>

#include "core/files/confined_folder.h"
#include "engine/manifest.h"

// (Re)opens the gate on dest_dir_path, which must exist: 0 or errno.  Every
// operation below opens it by itself when dest_dir_path changed or its
// folder was replaced since.  Opening a copy, and writing into one of its
// folders for the first time, removes the half-written files a killed run
// left there (by their name alone: never anything else).
int copy_gate_open();

// Makes dest_dir_path as the folder of a new copy and opens the gate on it.
// EEXIST when anything of that name is there already: it appeared after the
// destination screen looked (the user, a second installer window), and
// nothing is written.  The folder is then this run's own, and only such a
// folder is ever removed whole (copy_remove_all).  Something else put at
// the name once it was made is refused, and the reason logged: ENOTDIR for
// a link or a file, ENOTEMPTY for a folder holding anything, EPERM for one
// of another owner than the drive gives this run's (an empty folder of
// this run's making is not left behind).
int copy_gate_make();

// What the gate answers for a file the user changed after the plan judged
// it: the file stays as the user left it.
constexpr int kErrChangedSincePlan = ECANCELED;

// Unpacks the file `version` names from `archive` (".7z" as 7z, anything
// else as zip) into its place in the copy, checked as above.  0, or an error
// code: 20001 (20016 for a 7z) for an archive that cannot be read or does
// not hold exactly that file, 20002 (20017) for one whose data is damaged,
// 20015 for a file that differs from the signature, 20019 for a file larger
// than the manifest says, and whatever the archive's reader answers;
// kErrChangedSincePlan for an old file that is no longer what the plan saw
// (see scan_stamps.h); ENOSPC, EFBIG, EACCES or another errno for what
// failed here.  When the signature differs, or the old file changed, `problem` (if
// not null) receives the translated text naming the file (and both
// signatures), for the alert's "Error: " line.  `in_archive`, when given,
// tells whether a failure arose in the archive (failed_in_archive): another
// copy of it may do, where one that arose here would fail again.
int copy_install(const std::string& archive, const file_version_struct& version,
                 std::string* problem, bool* in_archive = nullptr);

// Deletes the file or link at `path` (the link itself, never what it leads
// to); a path ending in '/' removes that folder when it is empty.  0 or errno.
int copy_delete(const std::string& path);
// Deletes the file of `version`, which the plan marked, unless it is no
// longer what the plan saw: kErrChangedSincePlan then.  0 or errno.
int copy_delete(const file_version_struct& version);

// Removes the partial copy of a cancelled install with everything in it,
// when this run made its folder (copy_gate_make) and that folder is still
// the one at dest_dir_path; any other folder stays as it is (0).  Links are
// removed as links, never followed, and the copy's own folder goes last.
// 0, or the first error met (the rest is still tried).
int copy_remove_all();

// Makes the folder `path` (a trailing '/' allowed).  0 when it is a folder
// afterwards: EEXIST is no failure, but a file of that name is (ENOTDIR).
int copy_make_folder(const std::string& path);

// dest_dir_path followed by the version's path less its top folder.
std::string dest_path_of(const file_version_struct& version);

// Records every folder of `file` below dest_dir_path, each ending in '/';
// the destination itself never.
void record_emptied_folders(const std::string& file, std::set<std::string>& folders);

// Removes, deepest first, every recorded folder that lists empty (names
// beginning with '.' are not listed, so a folder holding only hidden files
// is tried and stays; a killed run's half-written files are removed first,
// being no one's).  `log_label` begins each log line.
void copy_remove_emptied_folders(const std::set<std::string>& folders, const char* log_label);

// The engine's per-file log line, written while stg.log_actions is set:
// label, path, ", with result=", result, ".".
void log_file_action(const char* label, const std::string& path, int result);
