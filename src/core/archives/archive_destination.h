// Where the entries of an archive land.
//
// Every file, link and folder that the zip and 7z readers make goes through
// one extract_dest, so an archive cannot write outside the folder it is
// unpacked into whatever it holds: names that are absolute or climb with
// "..", link targets that leave the folder, and entries placed beneath a
// link that this same extraction made are refused.  Links that were there
// before (a user's scenery folder on another disk) are followed as usual.
#pragma once

#include <sys/types.h>

#include <ctime>
#include <string>
#include <vector>

#include "core/diag/error_codes.h"

// A refused entry reads as a damaged archive: the user's remedy is the same.
constexpr int kErrUnsafeEntry = kErrZipOpen;

// What to restore on a file after its bytes are written.
struct extract_attrs {
    bool set_mode = false;
    mode_t mode = 0;  // permission bits only
    bool set_time = false;
    time_t mtime = 0;
};

class extract_dest {
public:
    // `out_dir` ends in "/" or is empty (the program's folder).  With
    // `correct_case` each destination goes through set_path_to_full whole,
    // so an entry lands in an existing folder that differs only in letter
    // case; otherwise `out_dir` must already be a full path.
    extract_dest(const std::string& out_dir, bool correct_case);

    // Each answers 0 or an error code; a refused name is logged.
    // A folder that exists already is no failure.
    int make_folder(const std::string& name);
    // Replaces whatever is at `name` by a link to `target` (-1 when the
    // system refuses the link).
    int make_link(const std::string& name, const std::string& target);
    // Replaces whatever is at `name` by a new file holding `size` bytes;
    // the mode and time of `attrs`, when asked, are set before it is closed.
    // A failing time is -1; a failing write is errno (ENOSPC for a full disk),
    // or `write_failed` when that is not 0 (the system's reason is logged).
    int write_file(const std::string& name, const char* data, size_t size,
                   const extract_attrs& attrs, int write_failed = 0);

    const std::string& out_dir() const { return out_dir_; }
    // The destination of the last entry placed.
    const std::string& path() const { return path_; }

private:
    // Checks `name` and sets path_; `leaf` asks for a name that ends in a
    // file or link rather than a folder.
    int place(const std::string& name, bool leaf);
    int refuse(const std::string& name, const char* why);
    bool is_link_made_here(const std::string& folded) const;

    std::string out_dir_;
    bool correct_case_;
    std::string path_;
    // Links this extraction made, relative to out_dir, components joined by
    // "/" and ASCII letters folded: the case correction would otherwise
    // steer "data/x" through a link made as "Data".
    std::vector<std::string> links_;
};
