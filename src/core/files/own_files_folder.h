// The folder the program keeps its own files in: the log, the memory log,
// the stack listing, screenshots, the about box's download, and the
// pictures the texture loader looks for by name.  It is the working
// folder once started.
#pragma once

#include <string>


// That folder, ending in "/": the program's folder when it is the user's
// own and theirs to write (users_writable_folder), else the per-user
// folder (get_OS_abs_path's os_dir_prefs, itself the user's own or
// nothing), else "", where the program writes none of those files.  A
// program that copied itself off a disk runs from a file with no name,
// whose folder is never its own.  Chosen at the first call.
const std::string& own_files_folder();
// Why it is that one, for the log once the log is open.
const std::string& own_files_folder_reason();

// Whether the program file at `program_file` (as /proc/self/exe names it)
// has no name: the copy a program made of itself off a disk.
bool program_file_has_no_name(const std::string& program_file);

// -- A test's seam ---
// The next call of own_files_folder chooses again.
void own_files_folder_forget();
