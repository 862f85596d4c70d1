// Where the entries of an archive land.
//
// Every file, link and folder that an extraction makes goes through one
// extract_dest, over a folder that the kernel confines (confined_folder.h):
// names that are absolute or climb with "..", link targets that leave the
// folder, and entries placed beneath a link that this same extraction made
// are refused with a log line; a link already on the disk that leads out is
// refused by the kernel at the moment of the write.  A file is written
// beside its name, from the archive in pieces, and renamed over whatever is
// there only once it is complete and has passed its checks.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "core/archives/archive_reader.h"
#include "core/diag/error_codes.h"
#include "core/files/confined_folder.h"
#include "core/keyed_hash.h"

// A refused entry reads as a damaged archive: the user's remedy is the same.
// A file whose contents differ from its signature is kErrWrongContent.
constexpr int kErrUnsafeEntry = kErrZipOpen;

// What a file must satisfy before it replaces anything.
struct entry_check {
    // Larger files are refused (kErrLargerThanExpected); 0 for no limit.  Files larger
    // than the free space of their disk are refused (ENOSPC) in any case.
    unsigned long long max_size = 0;
    // When not empty, the MD5 signature the file must have (kErrWrongContent).
    std::string md5;
};

// A file or link written beside its name and not yet in its place: commit
// puts it there, and without a commit it is removed when this goes.
class staged_entry {
public:
    staged_entry() = default;
    ~staged_entry();
    staged_entry(const staged_entry&) = delete;
    staged_entry& operator=(const staged_entry&) = delete;

    // 0, or errno of the rename.
    int commit();

private:
    friend class extract_dest;
    placed_name at_;
    std::string temp_;
    int held_ = -1;  // a file's descriptor, open while it is staged
};

class extract_dest {
public:
    // Entries land below `sub` ("" or ending in '/') of `root`, which must
    // stay open while this lives.  A write that fails answers `write_failed`
    // when that is not 0 (the system's reason is logged), else errno.
    explicit extract_dest(const confined_folder& root, const std::string& sub = std::string(),
                          int write_failed = 0);

    // Each answers 0 or an error code; a refused name is logged.
    // A folder that exists already is no failure.
    int make_folder(const std::string& name);
    // Replaces whatever is at `name` by a link to `target` (errno when the
    // system refuses the link).  With a signature in `check` the link must
    // lead, inside the root, to a file that has it.
    int make_link(const std::string& name, const std::string& target, const entry_check& check = {});
    // Replaces whatever is at `name` by a new file holding the rest of the
    // current entry of `from` (`item` as it described it), with the mode
    // and time of item.attrs.  A failing time is errno; a failing write see
    // the constructor.
    int write_file(const std::string& name, const archive_item& item, archive_reader& from,
                   const entry_check& check = {});

    // The same, leaving the file or link beside its name until `staged`
    // commits it: a caller that must see the rest of the archive first.
    int stage_link(const std::string& name, const std::string& target, const entry_check& check,
                   staged_entry& staged);
    int stage_file(const std::string& name, const archive_item& item, archive_reader& from,
                   const entry_check& check, staged_entry& staged);

    // The destination of the last entry placed: root path + sub + name.
    const std::string& path() const { return path_; }
    // The signature the last checked file had, when it was computed.
    const std::string& md5_found() const { return md5_found_; }

private:
    // Checks `name` and places it; `leaf` asks for a name that ends in a
    // file or link rather than a folder.
    int place(const std::string& name, bool leaf, placed_name& at);
    int refuse(const std::string& name, const char* why);
    bool is_link_made_here(const std::string& folded) const;
    // Whether a folder on the way to the folded `parts` is such a link.
    bool beneath_link_made_here(const std::vector<std::string>& parts) const;
    int fill(const placed_name& at, int fd, const archive_item& item, archive_reader& from,
             const entry_check& check);
    int check_link(const placed_name& at, const std::string& temp, const entry_check& check);
    int failed_write(int why);
    void remember_link(const std::string& name);
    // kErrWrongContent, logged, unless md5_found_ is the one asked for.
    int compare_signature(const entry_check& check);

    const confined_folder& root_;
    std::string sub_;
    int write_failed_;
    std::string path_;
    std::string md5_found_;
    // Links this extraction made, relative to the root, components joined by "/"
    // and ASCII letters folded: the case correction would otherwise steer
    // "data/x" through a link made as "Data".  Every entry looks for each
    // folder on its way here, and an archive names them.
    std::unordered_set<std::string, keyed_hasher> links_;
};
