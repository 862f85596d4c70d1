// What no other user of the machine can change: folders that only this
// user and root may write, down from the root, and the opening of a file
// of the program's own by its fixed name in one of them.
//
// A fixed name in a folder another user may write is theirs to take first:
// a link the log would be written through, a pipe whose open waits for
// ever, a file of theirs that the log fills and they then read.  Guards
// the kernel may have (protected_symlinks and its kin) are not counted on.
#pragma once

#include <string>

// Whether `folder` and every folder above it can be changed by this user
// and root alone: each is owned by one of them, none is writable by its
// group or by others but a sticky one (as /tmp/) that a folder of this
// user's or root's lies in, and the last one is writable by neither.  The
// path is taken as given: a link on the way is followed only where it lies
// in a folder no one else may write (one elsewhere could be swapped
// between this walk and any later use), and what it reaches is checked in
// turn.  Once true it stays true, as no one else may change any folder on
// the way.  On true `resolved` is the folder's path without links, ending
// in "/"; on false `why` says what failed, for the log.
bool users_own_folder(const std::string& folder, std::string& resolved, std::string& why);
// The same, with an O_PATH descriptor of the folder reached (the caller
// closes it), or -1.
int open_users_own_folder(const std::string& folder, std::string& resolved, std::string& why);
// The same but for the folder's own owner and mode, which the caller
// judges: every folder above it passes, and no link on the way lies where
// others may write.
int open_folder_in_users_own(const std::string& folder, std::string& resolved, std::string& why);
// The same for a file: every folder above it passes, and the file is a
// regular one of this user's or root's that no one else may write.
bool users_own_file(const std::string& path, std::string& why);
// A folder of the user's own that they may also write: owned by this user
// (by root only when root runs the program), on a writable file system.
// The files a run keeps go only to such a folder.
bool users_writable_folder(const std::string& folder, std::string& resolved, std::string& why);

// The full target of the link `name` in the folder open at `folder`
// (AT_FDCWD: the working folder), however long; false with errno set.
bool read_link_at(int folder, const std::string& name, std::string& target);

// Opens a file of the program's own (the log, the memory log, the stack
// listing) for writing: created with mode 0600, never
// through a link, never waiting on a pipe, a regular file only, and one of
// this user's made readable by them alone.  `how` is O_TRUNC, O_APPEND or
// both.  The descriptor, or -1 with errno set.
int open_own_file(const std::string& path, int how);
