// A folder that the kernel keeps every write inside.
//
// The folder is opened once; every later open, mkdir, unlink, rename and
// link is made relative to descriptors taken beneath it (openat2 with
// RESOLVE_BENEATH), so no link that is already there, or that appears while
// we work, and no folder swapped for a link between two calls, can carry a
// write out.  A path check before the write could never promise that: the
// disk may change between the check and the write.
//
//   confined_folder root;
//   if (int err = root.open(folder)) return err;
//   placed_name at;
//   if (int err = root.place("Resources/a.txt", at)) return err;  // EACCES: leads out
//   int fd = at.create_beside(&temp);  ...  at.commit(temp, 0);
//
// Names are relative and use '/'.  Links inside the folder are followed,
// absolute ones too when they point inside it; a name that would leave the
// folder by any route gives kErrLeadsOut.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/keyed_hash.h"

// What a refused name answers: the user's remedy is the one for a folder
// without access.
constexpr int kErrLeadsOut = EACCES;

class confined_folder;

// -- The moments a test may change the disk at ---
// Between a look at the disk and the change that relies on it, another
// process may swap a folder for a link or for a folder of its own.  Tests
// make that swap at each of these moments themselves, rather than hoping a
// second thread happens to hit the window.  No hook is set in the program,
// where each moment costs a load and a branch.
enum class disk_moment {
    resolving,          // a name below the root is about to be resolved
    creating,           // a file or link is about to be made beside its name
    renaming,           // a staged file or link is about to take its name
    making_folder,      // a folder is about to be made at its name
    removing,           // a name is about to be removed
    new_folder_made,    // a new copy's folder is made, not yet opened
    new_folder_opened,  // ... opened, not yet judged
    new_folder_taken,   // ... judged as this run's, not yet taken as the root
    root_checked,       // an open root was found still at its path, not yet used
    emptying_root,      // a root is about to be emptied
    removing_root,      // an emptied root is about to be removed by its path
};
using disk_moment_hook = void (*)(disk_moment);
extern std::atomic<disk_moment_hook> g_disk_moment_hook;
inline void at_disk_moment(disk_moment moment)
{
    if (disk_moment_hook hook = g_disk_moment_hook.load(std::memory_order_relaxed)) hook(moment);
}

// The components of a relative name, "" and "." dropped.
std::vector<std::string> name_components(const std::string& name);
// The first `count` components joined by '/'.
std::string joined_components(const std::vector<std::string>& parts, size_t count);
// ASCII letters in lower case: names compared as a case-blind disk would.
std::string ascii_folded(std::string name);

// The folder that holds a name, opened beneath the confined folder, and the
// name's last component: every change to the name is made through these.
class placed_name {
public:
    placed_name() = default;
    ~placed_name();
    placed_name(const placed_name&) = delete;
    placed_name& operator=(const placed_name&) = delete;

    int folder() const { return folder_; }
    const std::string& leaf() const { return leaf_; }
    // The name as placed (letter case corrected), relative to the root.
    const std::string& relative() const { return relative_; }

    // A new, empty file in the same folder, for contents that commit then
    // renames over the name: a write that fails half-way leaves the old
    // file.  The descriptor (write only), or -1 with errno set.
    int create_beside(std::string* temp, mode_t mode = 0666) const;
    // A link beside the name, for commit; 0 or errno.
    int link_beside(const std::string& target, std::string* temp) const;
    // Renames `temp` over the name when `err` is 0, else removes it; `err`,
    // or errno of a failed rename.
    int commit(const std::string& temp, int err) const;
    // 0 or errno; a folder that exists already gives EEXIST.
    int make_folder(mode_t mode = 0755) const;
    // Removes the file or link (or the empty folder with `folder`); 0 or errno.
    int remove(bool folder) const;

private:
    friend class confined_folder;
    const confined_folder* root_ = nullptr;
    int folder_ = -1;
    std::string leaf_;
    std::string relative_;
};

class confined_folder {
public:
    confined_folder() = default;
    ~confined_folder();
    confined_folder(const confined_folder&) = delete;
    confined_folder& operator=(const confined_folder&) = delete;

    // Opens `path` ("" is the working folder) as the root: 0 or errno.
    // With `correct_case` a name that is missing as written finds an
    // existing one that differs only in letter case.
    int open(const std::string& path, bool correct_case);
    // The same with the folder already open at `fd` (O_PATH or readable),
    // which this takes over (closed also on failure); `path` names it.
    int adopt(int fd, const std::string& path, bool correct_case);
    // The root's own descriptor (O_PATH), -1 while closed.
    int descriptor() const { return root_; }
    // As opened, ending in '/' (or "").
    const std::string& path() const { return path_; }

    // The folder of `name` and its last component.  kErrLeadsOut for a name
    // that is absolute, holds "..", a zero byte or an empty last component,
    // or whose folder lies outside; else 0 or errno (ENOENT: a folder on the
    // way is missing, ENOTDIR: one is a file).
    int place(const std::string& name, placed_name& out) const;

    // A descriptor of `name` (any kind, not followed when it is a link)
    // opened with O_PATH beneath the root, or -1 with errno set.
    int open_path(const std::string& name, bool follow_last) const;
    // The file `name` opened for reading beneath the root, following links
    // inside; -1 with errno set (kErrLeadsOut for a link out).
    int open_read(const std::string& name) const;
    // The names in folder `name` ("" the root), hidden ones included; 0 or errno.
    int list(const std::string& name, std::vector<std::string>& names) const;

    // How many folders the letter-case correction has listed since open:
    // the measure of its cost, for tests and benchmarks.
    int folders_listed() const { return folders_listed_; }
    // How many names finding each name of its index once compares, its
    // tables of folders and of names in each: the same measure.
    std::size_t index_comparisons_to_find_each() const;

private:
    friend class placed_name;
    // What placed names report of the changes they made.
    void note_made_folder(const std::string& relative) const;
    void note_removed(const std::string& relative) const;

    int open_beneath(const std::string& name, int flags, bool follow_last) const;
    int walk(const std::string& name, int flags, bool follow_last) const;
    std::string corrected(const std::string& name) const;

    int root_ = -1;
    std::string path_;
    std::string real_path_;  // to recognise absolute links that stay inside
    bool correct_case_ = false;

    // The letter-case index, for as long as the folder is open (one
    // extraction, one install): a name found as written is remembered after
    // one lookup; a folder is listed once, when a name is first missing in
    // it, and the names made and removed through placed names afterwards
    // are added and taken out, each alone; a folder made here is known
    // empty and never listed.  Each folder's index lies beneath its
    // parent's, so that placing a name asks each folder on its way for one
    // component, not for the path up to it.  Unpacking and updating stay
    // linear in what an archive, a manifest or a disk holds, whatever the
    // names and in whatever order files go and come: the tables hash with
    // the process's key.
    struct folder_names {
        bool listed = false;  // `folded` holds every name in the folder
        std::size_t misses = 0;  // folders on the way it lacked since listed
        // Each name's place in the system's order, as listed, then as made
        // (0: found by a lookup, not listed).
        std::uint64_t places = 0;
        std::unordered_map<std::string, std::uint64_t, keyed_hasher> exact;
        // Each folded form, and the first of its names in the system's
        // order, which answers for them all.
        std::unordered_map<std::string, std::string, keyed_hasher> folded;
        // The names of a folded form after its first, by folded form and
        // place: the next to answer when the first goes.  A tree, as twins
        // are few and a disk may hold thousands of one name.
        std::map<std::pair<std::string, std::uint64_t>, std::string> twins;
        // The index of each folder in it that names were placed beneath.
        std::unordered_map<std::string, std::shared_ptr<folder_names>, keyed_hasher> folders;
    };
    // The name in `folder`, whose index is `in`, that `name` stands for;
    // false for a folder on the way (not `last`) that is there in no
    // letter case.
    bool in_folder(folder_names& in, const std::string& folder, const std::string& name, bool last,
                   std::string& found) const;
    // The index of `folder` (as placed), made when missing with `make`,
    // else null; under the lock.
    folder_names* index_of(const std::string& folder, bool make) const;
    // The index's answer for `name` in a listed folder, adding it as made.
    static std::string listed_name(folder_names& in, const std::string& name);
    // Adds `name`, there or about to be, to the listed `in`: after its
    // twins, if it has any and is not known already.
    static void note_found(folder_names& in, const std::string& name);
    // Takes `leaf` out of `in`, and its next twin answers for it.
    static void forget(folder_names& in, const std::string& leaf);
    mutable std::mutex names_lock_;
    mutable std::shared_ptr<folder_names> names_ = std::make_shared<folder_names>();  // the root's
    mutable std::atomic<int> folders_listed_{0};
};
