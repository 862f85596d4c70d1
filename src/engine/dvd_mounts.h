// Where install DVDs are mounted, and which of them may be installed from.
//
// The desktop mounts a disk where it likes (/media/cdrom, /run/media/USER/
// LABEL, ...) and a user may mount an image anywhere; a folder is an
// install DVD when "dvd_version.txt" lies at its top.  The environment
// variable NIMBREL_DVD names folders to try first, separated by ':', for
// images mounted off the usual places.
//
// What is installed and run comes from the disk, so a folder is taken for
// one only where no other user of the machine could change or bring it.
// A file system reports whatever owners it likes, so its mount decides
// first, as the mount table (/proc/self/mountinfo) tells who made it:
//   - a FUSE mount is its maker's: another user's is passed over from the
//     table alone, never looked inside (a stopped daemon would hang the
//     look);
//   - a mount in a media folder (/media/USER/..., /run/media/USER/..., where
//     a desktop mounts what USER brought) is USER's: taken by USER's runs,
//     and by a run of root's started from a disk in that same folder;
//   - a loop device's file system is as changeable as the file behind it;
//   - a file system read-only as a whole on a device (an optical disk's
//     always is) is no one's to change, whatever owners its files record;
//   - anywhere else the folders decide by owner and mode (users_own.h):
//     /dev/shm, a tmpfs /tmp, /run/lock and another user's /run/user/UID
//     are mount points too, mounted before any disk and open to others.
#pragma once

#include <string>
#include <vector>

// Every install DVD found, each ending in "/", from the root (a relative
// NIMBREL_DVD folder from the folder the program started in), in this
// order and without a disk twice: NIMBREL_DVD, the mount table, then the usual
// mount roots.  A folder that holds a version file but that others may
// change or brought is no disk: it goes to `refused`, when given, and to
// the log with the rule that refused it, once a run (a search made before
// the log opens, as the one at the start, waits for it).  A folder is judged
// once while the mount table, the folder and its version file stay as
// they were.
void UTIL_list_dvd_folders(std::vector<std::string>& folders, std::vector<std::string>* refused = nullptr);
// The first of them, or "".
std::string UTIL_find_dvd_path();
// The disk a program started at `started_from` runs from, when a folder
// above it holds a version file and passes: that one before any other
// the search finds, so the program moves off the disk it runs from.
// Else UTIL_find_dvd_path().  A run of root's started from a disk in a
// user's media folder takes that folder's disks from then on.
std::string UTIL_find_start_dvd(const std::string& started_from);

// Whether `folder` (ending in "/") may be a disk: its mount and every
// folder on the way pass the rules above, and so does its
// "dvd_version.txt".  On false `why` says what failed.
bool UTIL_dvd_folder_usable(const std::string& folder, std::string& why);
// Opens a file of the disk for reading (the version file, the manifest, an
// archive), no link followed and a regular file only, judged by the same
// rules on that descriptor and the folders walked to it: 0 with `fd` set
// (the caller reads from it and closes it); kErrOthersMayChange, and why
// in the log once, when another user could change or brought the file or
// a folder above it; else errno (ENOENT for a file that is not there).
int UTIL_open_dvd_file(const std::string& path, int& fd);

// A folder's name as the log and the screens show it: its control
// characters and backslashes escaped as three octal digits after a
// backslash, as the mount table writes them, so that a disk's label
// cannot start a line of its own.
std::string UTIL_shown_folder(const std::string& folder);

// Where the search looks besides NIMBREL_DVD: a mount table in the format
// of /proc/self/mountinfo, roots whose sub-folders and their sub-folders
// are tried (/media/cdrom, /media/USER/LABEL), the folder where each loop
// device names its file (LOOP/loop/backing_file), and the folders that
// hold the desktop's media folders, one per user.  Tests point it at
// fixtures; the next search takes the working folder for the one the
// program started in.
struct dvd_search_places {
    std::string mount_table = "/proc/self/mountinfo";
    std::vector<std::string> roots = {"/media/", "/run/media/", "/mnt/"};
    std::string block_devices = "/sys/block/";
    std::vector<std::string> media_roots = {"/media/", "/run/media/"};
};
void UTIL_set_dvd_search_places(const dvd_search_places& places);

// -- A test's seam ---
// Called with a disk file's path each time UTIL_open_dvd_file has opened
// it or found it missing, before the caller reads: a test changes the name
// there, as another user would.  Null: nothing.
void UTIL_set_dvd_file_opened_hook(void (*hook)(const std::string& path));
