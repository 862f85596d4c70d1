// What no other user of the machine can change: folders that only this
// user and root may write, down from the root, and the opening of a file
// of the program's own by its fixed name in one of them.
//
// A fixed name in a folder another user may write is theirs to take first:
// a link the log would be written through, a pipe whose open waits for
// ever, a file of theirs that the log fills and they then read.  Guards
// the kernel may have (protected_symlinks and its kin) are not counted on.
//
// A place writable by its group is as good as its owner's where that group
// has no member but this user: Debian and Ubuntu give each user a group of
// their own, and under their umask of 002 every folder the user makes is
// writable by it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>

#include "core/files/account_lookup.h"

// Why a place is not the user's own: the log's English and the words the
// user reads are both made from it.
struct place_fault {
    enum kind_t {
        none,
        failed,          // a system call on `place` failed with `err`
        foreign_owner,   // `place` belongs to `owner`
        others_write,    // others may write `place`
        shared_link,     // `place` is a link in a folder others may write
        not_regular,     // `place` is no regular file
        other_names,     // `place` has another name too (a hard link)
        refused_mount,   // the mount `place` lies on is refused: `rule`
    };
    place_fault() = default;
    place_fault(kind_t kind, std::string place, int err = 0, uid_t owner = 0, std::string rule = {})
        : kind(kind), place(std::move(place)), err(err), owner(owner), rule(std::move(rule))
    {
    }

    kind_t kind = none;
    std::string place;
    int err = 0;
    uid_t owner = 0;
    std::string rule;

    explicit operator bool() const { return kind != none; }
    // In English, for the log (fault_in_users_words for an alert).
    std::string text() const;
};

// What a mount says of the places on it before their owners and modes do,
// for the walks below that are given one (the search for an install disk:
// a file system reports whatever owners it likes, so who made or brought
// the mount decides first).
class mount_judge {
public:
    enum class verdict {
        by_folders,   // owners and modes decide, as without a judge
        no_one_else,  // no one but this user and root can change it
        refused,      // someone else can, whatever it records
    };
    virtual ~mount_judge() = default;
    // Asked before anything at `path` (without links, ending in "/") is
    // looked at: false, with `rule` set, for a mount point whose file
    // system must not be touched at all (another user's daemon may never
    // answer).
    virtual bool may_enter(const std::string& path, std::string& rule) const = 0;
    // What the judge says of the mount with the kernel's ID `id` (0 where
    // the kernel cannot tell), reached at `path`: false when it has no
    // word there, and the place is then as the one above it where the two
    // share a mount, else judged by owners and modes.
    virtual bool judge(uint64_t id, const std::string& path, verdict& said, std::string& rule) const = 0;
};

// Whether `folder` and every folder above it can be changed by this user
// and root alone: each is owned by one of them, none is writable by its
// group or by others but a sticky one (as /tmp/) that a folder of this
// user's or root's lies in, and the last one is writable by neither.  The
// path is taken as given: a link on the way is followed only where it lies
// in a folder no one else may write (one elsewhere could be swapped
// between this walk and any later use), and what it reaches is checked in
// turn.  Once true it stays true, as no one else may change any folder on
// the way.  On true `resolved` is the folder's path without links, ending
// in "/"; on false `why` says what failed, for the log.  With `mounts`,
// places on a mount it judges are taken or refused as it says.
bool users_own_folder(const std::string& folder, std::string& resolved, std::string& why,
                      const mount_judge* mounts = nullptr);
// The same, with an O_PATH descriptor of the folder reached (the caller
// closes it), or -1.
int open_users_own_folder(const std::string& folder, std::string& resolved, place_fault& fault,
                          const mount_judge* mounts = nullptr);
int open_users_own_folder(const std::string& folder, std::string& resolved, std::string& why);
// The same but for the folder's own owner and mode, which the caller
// judges: every folder above it passes, and no link on the way lies where
// others may write.
int open_folder_in_users_own(const std::string& folder, std::string& resolved, place_fault& fault);
int open_folder_in_users_own(const std::string& folder, std::string& resolved, std::string& why);
// The same for a file: every folder above it passes, the file is a
// regular one of this user's or root's that no one else may write, and
// the link its name may be is never followed.  A descriptor open for
// reading the file so judged (the caller closes it), or -1.
int open_users_own_file(const std::string& path, place_fault& fault, const mount_judge* mounts = nullptr);
bool users_own_file(const std::string& path, std::string& why);
// A folder of the user's own that they may also write: owned by this user
// (by root only when root runs the program), on a writable file system.
// The files a run keeps go only to such a folder.  Judged on the folder
// the walk reached, however deep.
bool users_writable_folder(const std::string& folder, std::string& resolved, std::string& why);

// The full target of the link `name` in the folder open at `folder`
// (AT_FDCWD: the working folder), however long; false with errno set.
bool read_link_at(int folder, const std::string& name, std::string& target);

// Opens a file of the program's own (the log, the memory log, the stack
// listing, a screenshot, a download, the registry, a preference file) for
// writing: created with mode 0600 when missing, never through a link,
// never waiting on a pipe, and judged on the descriptor before a byte
// changes: a regular file of this user's with no other name (a second
// name of a file would have it written through that name too), made
// readable by them alone.  Only then is it emptied, where `how` holds
// O_TRUNC; `how` may also hold O_APPEND, O_EXCL and O_RDWR (for a file
// also read).  The descriptor, or -1 with errno set and `fault` saying
// why (own_files.h has the same, saying it in the log).  With
// `names_of_its_own`, a second name is taken for one the program gave the
// file itself: only in the run's private folder, where no one else can
// make one.
int open_own_file(const std::string& path, int how, place_fault& fault, bool names_of_its_own = false);

// What reading a file of the program's own back found.
enum class own_read {
    read,       // `text` holds it
    missing,    // nothing at the name
    refused,    // not the user's own file (`fault`): not read
    too_large,  // longer than the bound: not read
    failed,     // could not be read (`fault`)
};
// Reads the file of the program's own at `path` (the registry, a
// preference file) whole into `text` when it is a regular file of this
// user's, with no other name, that no one else may write (what others
// could have written is not taken for the program's), and at most
// `most_bytes` long.  Nothing but a regular file is opened, and a link is
// never followed.  A failed allocation is a failure to read, not the end
// of the run.
own_read read_own_file(const std::string& path, size_t most_bytes, std::string& text, place_fault& fault);
// Why the entry `name` in the folder open at `folder` (a descriptor or
// AT_FDCWD), shown as `shown`, is not the user's own: for a file, a
// regular file of this user's with no other name that no one else may
// write; with `want_folder`, a folder of this user's that no one else may
// write.  None when it is, or when nothing is there.
place_fault judge_own_entry(int folder, const std::string& name, const std::string& shown, bool want_folder);

// Takes the entry `name` in the folder open at `folder` (a descriptor or
// AT_FDCWD) out of the program's way: renamed to the first free name
// beside it ("NAME.set-aside", "NAME.set-aside-2", ...), so that nothing
// is lost and nothing it names is touched.  The new name (as `name` is
// given, a path or a name), or "" with errno set.
std::string set_aside(int folder, const std::string& name);
