// The per-user folder "~/.nimbrel/": the installer's preference file and the
// registry of installed copies, both by fixed names.
//
// It is used only in a home of this user's own that no one else can
// change, and only while it is this user's alone: a fixed name in a folder
// another user may write is theirs to take first.  An earlier version made
// it writable by the user's group; such a folder is made private again
// rather than lost with the copies it lists, and what others could have
// left in it at the names the program uses is set aside, never read or
// written: only the user's own files there are kept and used.
#pragma once

#include <string>

#include "core/files/users_own.h"

// HOME, or null (logged) when unset.  An empty HOME counts as unset: it
// would put the per-user folder at the root of the file system.
const char* home_folder();

// The folder, ending in "/" and without links, made (mode 0700) when
// missing; "" when there is none to use: HOME unset, a home that is not
// this user's own, or a folder there that is not theirs.  Nothing is made
// in a home of another user's, as root's run with that user's HOME would.
// Each entry at a name the program uses there that is not the user's own
// (another user's file, a second name of any file, a pipe, a folder or a
// link where a file belongs) is renamed aside, and the log told, once it
// opens (UTL_log_when_open).
std::string per_user_folder();

// Why the last look found no folder to use, where the user can mend that,
// and in `in_home` whether the home itself is at fault rather than the
// folder in it: none while there is one, or when HOME is not set (then
// there is simply none).
place_fault per_user_folder_fault(bool* in_home = nullptr);
// The same in English, for the log: "" for none.
std::string per_user_folder_trouble(bool* in_home = nullptr);

// -- A test's seam ---
// Forgets the trouble, as before the first look.
void per_user_folder_trouble_forget();
