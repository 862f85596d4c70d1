// The manifest "directory.txt" in memory: one history per file path, each
// the file's versions in manifest order with the current version last.
//
// `sim_info` is global, refilled by every read_directory and written in
// place by the checksum pass and the file plan; main thread only, except
// that checksum workers read it while nothing else writes it.
#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/manifest_text.h"

// Packed (72 bytes, the texts pooled: manifest_text.h), as a manifest of a
// million lines is held whole; the flags and bands are small numbers.
struct file_version_struct {
    pooled_path path;         // top folder first; the install replaces it
    packed_sig sig_want;      // 32 hex digits, "GONE" when removed, or ""
    packed_sig sig_have;      // installed file's signature, "NONE" if absent
    signed char platform = 0;   // 0 every system, 1..3 that target, 4..6 special
    signed char is_current = 0; // the installed file is this version
    signed char is_global = 0;  // a global-scenery tile with a valid sector
    signed char lat_band = 0;   // 0..17, when is_global
    signed char lon_band = 0;   // 0..35, when is_global
    signed char do_install = 0; // set by the file plan
    signed char do_delete = 0;  // set by the file plan
    int aux_number = 0;         // the line's second integer, kept as read
    float download_size = 0;    // kilobytes
    float installed_size = 0;   // kilobytes
    int disk = 0;               // install DVD that carries the version
    float progress = 0;         // set by the file plan
};
static_assert(sizeof(file_version_struct) <= 72, "a manifest line in memory grew");

using file_history_struct = std::vector<file_version_struct>;

// The histories and the pool their paths point into, one thing: whatever
// drops or replaces the manifest (a refused reading, a server or a disk
// whose manifest offers nothing here, a reading of another) drops its
// texts with its histories and gives the heap they freed back to the
// system, so that the next manifest finds the room this one took.
class manifest_histories {
public:
    using iterator = std::vector<file_history_struct>::iterator;
    using const_iterator = std::vector<file_history_struct>::const_iterator;

    manifest_histories();
    manifest_histories(const manifest_histories&) = delete;
    manifest_histories& operator=(const manifest_histories&) = delete;

    std::size_t size() const { return histories_.size(); }
    bool empty() const { return histories_.empty(); }
    file_history_struct& operator[](std::size_t i) { return histories_[i]; }
    const file_history_struct& operator[](std::size_t i) const { return histories_[i]; }
    file_history_struct& front() { return histories_.front(); }
    file_history_struct& back() { return histories_.back(); }
    iterator begin() { return histories_.begin(); }
    iterator end() { return histories_.end(); }
    const_iterator begin() const { return histories_.begin(); }
    const_iterator end() const { return histories_.end(); }

    // A history whose paths were pooled here (texts()), as a path made
    // from a string is.
    void push_back(file_history_struct history) { histories_.push_back(std::move(history)); }
    // Drops every history and every text.  Never throws: refusals and
    // failed readings call it.
    void clear();
    // Makes `histories`, whose paths point into `texts`, the manifest, in
    // place of the one before.  Never throws.
    void replace(std::vector<file_history_struct>&& histories, std::unique_ptr<text_pool> texts);
    text_pool& texts() { return *texts_; }

private:
    std::vector<file_history_struct> histories_;
    std::unique_ptr<text_pool> texts_;  // never null
};

extern manifest_histories& sim_info;
// Folders that held files the install engine deleted; emptied by each read.
extern std::set<std::string> deleted_files;

// The most an unpacked manifest may hold: room for many millions of lines.
constexpr unsigned long long kManifestMaxBytes = 256ull << 20;
// And its most lines: the reader keeps about a hundred bytes for each, so a
// file of millions of tiny lines would cost gigabytes however small it is.
// A release's manifest has a line for each of its files, far fewer.
constexpr long long kManifestMaxLines = 4ll << 20;

// Unpacks the entry "directory.txt" of the zipped manifest `archive` into
// `folder` (ending in '/'), in place of any manifest there, and nothing
// else of the archive.  0, or the error: kErrLargerThanExpected for a
// manifest larger than kManifestMaxBytes or of more lines than
// kManifestMaxLines, however they end (nothing is left),
// 20001 for an archive without one, the zip reader's code for a damaged
// one, errno for a folder that cannot be written.  `in_archive`, when
// given, tells whether a failure arose in the archive (failed_in_archive):
// another server's copy may do, where a failure here would fail again.
int unpack_manifest(const std::string& archive, const std::string& folder, bool* in_archive = nullptr);
// The same for the archive open at `fd` (the caller keeps it), named
// `archive`: what was judged on a descriptor is what is read.
int unpack_manifest_from(int fd, const std::string& archive, const std::string& folder, bool* in_archive = nullptr);

// Results of read_directory; its callers store the first two in
// stg.dir_status.  Out of memory may be the manifest's (one that costs far
// more than its bytes) or this machine's: the server check asks every
// other server before it takes it for this machine's.
constexpr int kDirectoryNewerFormat = 2;
constexpr int kDirectoryRead = 3;
constexpr int kDirectoryDamaged = 4;
constexpr int kDirectoryOutOfMemory = 5;

// A manifest path holds fewer bytes than this, as every path the system
// takes does (PATH_MAX with its ending zero).
constexpr std::size_t kManifestMaxPath = 4096;
// Reading a manifest holds its bytes, mapped, and what it keeps of them:
// at most three times its bytes and this.  An honest manifest keeps less
// than twice its bytes.
constexpr std::size_t kManifestReadingSlack = 60u << 20;
// Under a limit on the address space, a reading (its mapping first) takes
// no more than the limit leaves less this, kept for the rest of the
// program: the driver's threads still draw the frame before, and a reading
// that took the last of the room would leave them to fail, which they do
// not survive.  At the lowest limits the programs walk their roads under,
// the driver draws with a little more than this to spare.  A manifest that
// needs more cannot be held here.
constexpr std::size_t kManifestRoomForTheRest = 1u << 20;

// Under a limit on the address space, what the work that follows a reading
// needs beside the manifest it leaves (the scans, copies and unpacking of
// the roads after it, whose workers start then): `bytes` at once, in
// address space a new mapping can take (their stacks), `per_file` for each
// file the manifest holds for this system (the scan's stamps), and
// `per_history` for each of its histories.  Every reading from now on
// keeps that room free, so that a manifest which would take it cannot be
// held here, rather than leave that work without room.  None, as at
// start-up, keeps nothing.
struct room_after_manifest {
    std::size_t bytes = 0;
    std::size_t per_file = 0;
    std::size_t per_history = 0;
};
void keep_room_after_manifest_reading(const room_after_manifest& room);

// Reads the unpacked manifest at `path` into sim_info and refills the
// available-sector grid and content flags of stg.  A header naming a
// version newer than this installer reads raises the newer-format notice
// and answers 2; any other header it does not accept (an empty file, one
// cut off in its header, another kind of file) answers 4, a damaged
// manifest that another copy may mend, as does a body that
// read_directory_body refuses.  A file that cannot be loaded is a fatal
// alert, unless it is there and this process has no room to map it, or a
// limit on the address space leaves less room than its bytes, or than the
// work after it needs (5).
// `status` is not used.
int read_directory(const std::string& path, std::string status);

// The warning that this machine has no memory to read the manifest at
// `path`: the disk scan ends on it, and the server check when no server's
// manifest could be read and one could not be held.
void manifest_out_of_memory_alert(const std::string& path);

// The body of a manifest (the bytes after its header) read into sim_info,
// which it empties first, with the available-sector grid and content flags.
// read_directory's work once the header is accepted.  kDirectoryRead;
// kDirectoryDamaged, logged and with sim_info empty, for a path of
// kManifestMaxPath bytes or more (found before it is put together) or a
// body whose reading would hold more than its bound; kDirectoryOutOfMemory
// when an allocation failed, or the reading would hold more than the room a
// limit on the address space left it, sim_info empty.  A path that names a
// folder ends the reading with a fatal alert, once the reading gave back
// what it took (kDirectoryDamaged where a test's alert returns).  Whatever
// it refuses, or fails to read, gives back all it took; what it accepts
// becomes the manifest, histories and texts.
int read_directory_body(const char* pos, const char* end);

// 1 when the path is a global-scenery tile: under a scenery folder and
// ending in ".dsf" in any letter case.
int is_global_scenery_f(const char* path);

// The sector of a tile from its file name ("+40-074.dsf": bands 13 and 10).
// Both bands are written when the name has three characters or more; the
// result is 1 only when they lie on the grid.
int find_sector(int* lon_band, int* lat_band, std::string path);

// ".7z" for a history whose current path lies in global scenery, else ".zip":
// the archive suffix of the file on the install DVD.
std::string suffix_for_file(int history);
