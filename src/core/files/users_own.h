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
// walk takes no link, so what it checked is what the path reaches; once
// true it stays true, as no one else may change any folder on the way.
// On true `resolved` is the folder's path without links, ending in "/";
// on false `why` says what failed, for the log.
bool users_own_folder(const std::string& folder, std::string& resolved, std::string& why);

// Opens a file of the program's own (the log, the memory log, the stack
// listing) for writing: created with mode 0600, never
// through a link, never waiting on a pipe, a regular file only, and one of
// this user's made readable by them alone.  `how` is O_TRUNC, O_APPEND or
// both.  The descriptor, or -1 with errno set.
int open_own_file(const std::string& path, int how);
