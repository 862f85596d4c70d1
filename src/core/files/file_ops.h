// Small file primitives: existence tests, folders, deletion, copying,
// renaming, free space, and the executable flag of another platform.
//
// Paths are in the program's form ('/' only, absolute or relative to the
// program's folder); each goes through set_path_to_full.  Nothing here shows
// or logs anything: results are 0 or an error code for error_str.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <string>

// Where the last failure inside the file utilities was met, on this thread
// (workers unpack and copy side by side).  Nothing resets them on success.
extern thread_local const char* sErrFile;
extern thread_local int sErrLine;

// Records the failing statement's place; for the archive code as well.
#define FILE_ERR_HERE() (sErrFile = __FILE__, sErrLine = __LINE__)

// Exists (following links) and is not a folder: files, devices, pipes.
bool file_exists(const std::string& path);
// Exists and is a folder; one trailing '/' is ignored.
bool dir_exists(const std::string& path);
// Anything at all holds the name, not followed: a file, a folder, a link
// (one that leads nowhere too); one trailing '/' is ignored.
bool name_exists(const std::string& path);
// One folder, no parents, mode 0755; an existing one gives 17 (EEXIST).
int make_folder(const std::string& path);
// A file, or the empty folder when the path ends in '/'; "" gives 2.
int delete_file(const std::string& path);
// 0, 2 when either file cannot be opened, else errno.  The destination is
// replaced only by a complete copy: on failure it stays as it was.  Once
// `stop` is set the copy ends before its next block with ECANCELED, so that
// whoever waits for it waits for one block, not the file.
int copy_file(const std::string& from, const std::string& to, const std::atomic<bool>* stop = nullptr);
// The same from the file open at `in` (the caller keeps it), from where it
// stands: what was judged on a descriptor is what is copied.
int copy_descriptor(int in, const std::string& to, const std::atomic<bool>* stop = nullptr);
// The block a thread copies through, made at its first copy and kept for
// its life.
constexpr std::size_t kCopyBlockBytes = 64 << 10;
// Copies the rest of `in` to `out` through that block; a read or write a
// signal interrupted (a disk over the network) is made again.  0 or errno;
// ECANCELED once `stop` is set.
int copy_contents(int in, int out, const std::atomic<bool>* stop = nullptr);
// A new, empty file in the folder of the full path `dest`, for contents
// that replace_by then renames over `dest`: a write that fails half-way
// leaves `dest` as it was.  Mode 0666 less the umask.  The descriptor, or
// -1 with errno set; `temp` gets the new file's path.
int open_beside(const std::string& dest, std::string* temp);
// A fresh name for such a file: short, so that a long name beside it still
// fits the system's limit.
std::string next_partial_name();
// Whether `name` has the exact form of such a file, of any run: a name
// merely beginning the same way is someone else's.
bool is_partial_name(const std::string& name);
// Makes such a file, `prefix` + a fresh name (into `temp`), in the folder
// open at `folder` (AT_FDCWD: `prefix` holds the folder's path), with `mode`
// less the umask, and locks it: a sweep leaves it alone for as long as the
// descriptor, or a copy of it, stays open.  The descriptor (write only), or
// -1 with errno set.
int create_partial(int folder, const std::string& prefix, std::string* temp, mode_t mode);
// For the sweep of the files killed runs left: when no run is writing the
// file `name` in the folder open at `folder`, a descriptor that holds it
// until the caller has removed it and closes this; else -1 (a run's lock
// is on it, it is this run's, or it is no such file at all).
int claim_stale_partial(int folder, const std::string& name);
// Renames `temp` over `dest` when `err` is 0, else removes `temp`.  `err`,
// or errno of a failed rename.
int replace_by(const std::string& temp, const std::string& dest, int err);
// folder + old_name to folder + new_name.
int rename_file(const std::string& folder, const std::string& old_name,
                const std::string& new_name);
// Size and free bytes of the volume that holds (or will hold) the path's
// last component; either pointer may be null.  Outputs untouched on failure.
int get_free_space(const std::string& path, unsigned long long* total,
                   unsigned long long* free);
// Disks are ejected by the desktop here; nothing to do.
void eject_dvd(const std::string& volume);
// Sets the large-address-aware bit of a PE executable in place: 0, errno,
// 5 for a short file, 20013 without "MZ", 20014 without the PE signature.
int make_file_large_address_aware(const std::string& path);

// What tells a file from another, and from itself once changed: its
// device and inode (which a new file may reuse), its size and the times of
// its last change.  Two are alike only when both were looked at.
struct file_identity {
    bool set = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified = {};
    timespec changed = {};

    static file_identity of(const struct stat& st);
    bool operator==(const file_identity& other) const;
};

// -- A test's seam ---
// Answers copy_contents' reads in place of read(2), as a disk may: cut
// short by a signal, or ending before the file's size.  Null: read(2).
using copy_read_fn = ssize_t (*)(int fd, void* buf, std::size_t n);
void set_copy_read_hook(copy_read_fn fn);

// Whether a delete_file result deserves an alert: never.
bool show_del_err(int err);
// Whether a make_folder result deserves an alert: not for 0 or EEXIST.
bool show_make_dir_err(int err);
