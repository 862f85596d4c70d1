// What the scan of a copy saw of each file besides its signature: whether it
// was there, its size and its times, taken before its contents were read.
// The user may change the copy while the wizard waits between the scan and
// the install; the plan and the gate compare a file with its stamp, read a
// changed one again and judge it as it is then, so that nothing the user
// changed meanwhile is overwritten or deleted unasked.
//
//   checksum pass   scan_stamps_begin(...); scan_stamp_note(v, seen) per file
//   choose_files    recheck_files_changed_since_scan()   (re-reads, re-notes)
//   the gate        scan_stamp_of(v, judged) before it replaces or deletes
//
// The stamps belong to the copy at dest_dir_path that was scanned; for any
// other folder nothing is known.  Thread-safe: checksum workers note, unpack
// workers look up.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

#include "engine/manifest_text.h"

struct file_version_struct;

struct file_stamp {
    bool present = false;  // a file (not a folder) is at the path
    // Something holds the name, or may: a file, a folder, a link that leads
    // nowhere, or a name the system would not look up (EACCES, ELOOP).
    bool taken = false;
    long long size = 0;
    long long modified_ns = 0;
    long long changed_ns = 0;  // the inode's change time: no tool sets it back
    bool operator==(const file_stamp& o) const
    {
        return present == o.present && taken == o.taken && size == o.size && modified_ns == o.modified_ns &&
               changed_ns == o.changed_ns;
    }
    bool operator!=(const file_stamp& o) const { return !(*this == o); }
};

// The stamp of what is at `path` (links followed, as a scan reads them),
// of `name` in the folder open at `folder` the same way, or of an open
// descriptor.
file_stamp stamp_of_path(const std::string& path);
file_stamp stamp_at(int folder, const std::string& name);
file_stamp stamp_of_fd(int fd);

// sig_have of a file that is there but cannot be read whole: no permission,
// a folder, a pipe, a link that leads nowhere.  Never a signature of the
// manifest's, so the plan asks about it as about a file the user changed,
// rather than install over it as if nothing were there.
constexpr char kSigUnreadable[] = "UNREADABLE";

// What a scan records as the signature of the file at `path`, whose stamp
// it took as `seen`: its MD5, "NONE" when nothing is there, else
// kSigUnreadable.
packed_sig installed_signature(const std::string& path, const file_stamp& seen);

// A scan of dest_dir_path begins: what an earlier one saw is forgotten, and
// whether the copy's folder is there (and which folder it is) is noted.
// Room for a stamp of every file the filter wants is taken at once, where
// it can be had; where not, the stamps take it as they come, and a file
// whose stamp finds none fails alone.
void scan_stamps_begin(bool folder_present);
// What the last scan saw is forgotten, and its room given back: a search
// that reads the manifest again scans again before anything judges by it.
void scan_stamps_forget();
// The most a scan's stamps take for each file it reads.
std::size_t scan_stamps_room_per_file();
// The stamp the scan took of the file of the current version `v`.
void scan_stamp_note(const file_version_struct& v, const file_stamp& seen);
// The stamp `v`'s file was last judged by: false when no scan of
// dest_dir_path says.  A scan that found no folder judged every file absent.
bool scan_stamp_of(const file_version_struct& v, file_stamp& judged);
// How many slots of the stamps' index finding each stamp once looks at:
// the measure of its cost, for tests and benchmarks.  About 1.5 a stamp,
// whatever the paths.
std::size_t scan_stamps_probes_to_find_each();
// Whether a scan of dest_dir_path is known, and what it saw of the folder:
// for the roads that write into a copy, which must still be the one scanned.
bool scanned_copy_folder(bool& present, dev_t& device, ino_t& inode);

// For each file the filter wants whose stamp differs from the scan's: its
// signature read again (installed_signature), is_current and the stamp
// set anew.  The plan calls it before it judges; main thread, no checksum
// pass under way.
void recheck_files_changed_since_scan();
