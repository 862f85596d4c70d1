// Where install DVDs are mounted.
//
// The desktop mounts a disk where it likes (/media/cdrom, /run/media/USER/
// LABEL, ...) and a user may mount an image anywhere; a folder is an
// install DVD when "dvd_version.txt" lies at its top.  The environment
// variable NIMBREL_DVD names folders to try first, separated by ':', for
// images mounted off the usual places.
//
// What is installed and run comes from the disk, so a folder is taken for
// one only where no other user of the machine can change it: /dev/shm, a
// /tmp on its own file system and /run/lock are mount points too, mounted
// before any disk and open to every user, and root sees every other user's
// /run/user/UID.  A disk the system mounted (root's) or the user's desktop
// did (theirs) passes.
#pragma once

#include <string>
#include <vector>

// Every install DVD found, each ending in "/", in this order and without
// repeats: NIMBREL_DVD, the mount table, then the usual mount roots.  A
// folder that holds a version file but that others may change is no disk:
// it goes to `refused`, when given, and to the log with why, once a run.
void UTIL_list_dvd_folders(std::vector<std::string>& folders, std::vector<std::string>* refused = nullptr);
// The first of them, or "".
std::string UTIL_find_dvd_path();
// Writes to the log, once it is open, the refusals of searches made before
// it was (the one at start-up, which decides whether to move off a disk).
void UTIL_tell_dvd_refusals();

// Whether `folder` (ending in "/") may be a disk: it, every folder above it
// and its "dvd_version.txt" can be changed by this user and root alone
// (users_own_folder, users_own_file).  On false `why` says what failed.
bool UTIL_dvd_folder_usable(const std::string& folder, std::string& why);
// Before a file of the disk is read (the version file, the manifest, an
// archive): kErrOthersMayChange, and why in the log once, when another
// user could change the file or a folder above it; else 0, also for a file
// that is not there, whose reading then fails as it always did.
int UTIL_check_dvd_file(const std::string& path);

// Where the search looks besides NIMBREL_DVD: a mount table in the format
// of /proc/self/mounts, and roots whose sub-folders and their sub-folders
// are tried (/media/cdrom, /media/USER/LABEL).  Tests point it at fixtures.
struct dvd_search_places {
    std::string mount_table = "/proc/self/mounts";
    std::vector<std::string> roots = {"/media/", "/run/media/", "/mnt/"};
};
void UTIL_set_dvd_search_places(const dvd_search_places& places);
