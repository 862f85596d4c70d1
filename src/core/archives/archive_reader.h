// The entries of a zip or 7z archive one after another, each read in pieces
// of the caller's size: memory stays within a few buffers whatever an entry
// unpacks to, so a small archive of a gigabyte of zeros costs no more than
// any other.
//
//   std::unique_ptr<archive_reader> in;
//   if (int err = open_zip_reader(path, in)) return err;
//   archive_item item;
//   while ((err = in->next(item)) == 0)
//       ... in->read(buffer, size, &got) until got is 0 ...
//   if (err != kEndOfArchive) return err;
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <memory>
#include <new>
#include <string>

#include "core/diag/memory_reserve.h"

// What to restore on a file after its bytes are written.
struct extract_attrs {
    bool set_mode = false;
    mode_t mode = 0;  // permission bits only
    bool set_time = false;
    time_t mtime = 0;
};

enum class entry_kind { file, folder, link, other };

struct archive_item {
    std::string name;  // as stored; folders end in '/'
    entry_kind kind = entry_kind::file;
    // The uncompressed size the archive claims, judged against what the
    // archive holds where the format allows it (a zip entry's packed size)
    // before it is handed over; a reader never gives more.
    unsigned long long size = 0;
    extract_attrs attrs;  // zip entries made on Unix carry them
};

// next() after the last entry (minizip's own end-of-list number).
constexpr int kEndOfArchive = -100;

class archive_reader {
public:
    virtual ~archive_reader() = default;
    // 0 and the next entry; kEndOfArchive after the last; else an error code.
    // The rest of the current entry is skipped.
    int next(archive_item& item);
    // Up to `size` bytes of the current entry: 0 with `*got` bytes, `*got`
    // 0 at its end once its checks (zip's CRC, the claimed size) passed;
    // else an error code.
    int read(char* buffer, size_t size, size_t* got);
    // Whether a step above failed: what the archive holds stopped the
    // reading, whatever code the reader said so with (ENAMETOOLONG for a
    // zip name too long to read whole); not memory that could not be had
    // (ENOMEM), which fails on this machine.
    bool failed() const { return failed_; }

private:
    // The same for each kind of archive, run within without_failed_allocations.
    virtual int next_entry(archive_item& item) = 0;
    virtual int read_piece(char* buffer, size_t size, size_t* got) = 0;
    int noted(int err);

    bool failed_ = false;
};

// Whether an unpacking that ended with `err` after reading from `in` failed
// in the archive, for a caller that may fetch another copy of it:
// its reader failed, or a check refused what it read (is_archive_fault:
// the archive is no archive, holds the wrong entries, or an entry is larger
// or other than it must be).  Else it failed here, on this machine:
// opening the archive file or the folder, making, writing, syncing or
// renaming what it unpacks to (a full disk, a quota, a read-only or missing
// folder, a file-size limit, an I/O error), and no copy would fare better.
// `in` is null when the archive could not be opened.
bool failed_in_archive(int err, const archive_reader* in);

// Logs that an allocation failed and answers ENOMEM.
int failed_allocation();

// Runs a step of reading or unpacking an archive.  What the readers and
// the destination allocate is held by the checks to what an honest archive
// needs (a name to a path's length, a block a reader), so an allocation
// that fails there is this machine's failure: it ends the unpacking with
// ENOMEM, logged, and never the program; nor does it take the main
// thread's reserve, which is for code that cannot fail (memory_reserve.h).
template <class Step>
int without_failed_allocations(Step&& step)
{
    own_allocation_failures answering;
    try {
        return step();
    } catch (const std::bad_alloc&) {
        return failed_allocation();
    }
}

// How a log line names an entry: whole up to a few hundred bytes, else by
// its first bytes, cut at a character, and its length.
std::string shown_name(const std::string& name);

// A link's target holds fewer bytes than this: PATH_MAX with its ending zero.
constexpr size_t kMaxLinkTarget = 4096;

// The target a link entry holds, read whole; a target longer than the
// system takes is a damaged entry (20002).
int read_link_text(archive_reader& from, const archive_item& item, std::string& target);

// The closing log line of a failed unpacking, with the failure location.
void log_unpack_failure(bool seven_zip, int err, const std::string& archive, const std::string& out_dir);

// `path` is full.  0, or the code an unpacking reports: 20001 for a file
// that is no archive of that kind (a missing zip included), errno when it
// cannot be opened here (no descriptor left, no memory to read it with;
// any 7z failure to open the file).
int open_zip_reader(const std::string& path, std::unique_ptr<archive_reader>& out);
// The same for the archive open at `fd` (the caller keeps it), named `path`.
int open_zip_reader(int fd, const std::string& path, std::unique_ptr<archive_reader>& out);
// `shown_as` names the unpacking in the log where it waits for memory, the
// file being installed; the archive's own path when empty.
int open_7z_reader(const std::string& path, std::unique_ptr<archive_reader>& out,
                   const std::string& shown_as = std::string());

// -- A test's seam ---
// The 7z reader hands libarchive the archive in pieces that end `bytes`
// apart, `phase` past each multiple of `bytes` in the archive (4096 and 0
// in the program), but where a pack stream's end asks otherwise: a test
// moves where they fall, for the readers opened after.
void p7z_set_pieces(size_t bytes, size_t phase);
