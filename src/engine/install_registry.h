// The registry of installed copies: "nimbrel_install.txt" in the per-user
// folder, one absolute folder path per line, so the run, repair, scenery
// and update roads can offer the copies this installer made.  Main thread.
#pragma once

#include <string>

// Rebuilds all_nsystems from the registry: the listed folders that exist,
// in file order.
void locate_all_nimbrels();

// Appends dest_dir_path to the registry unless it is listed already: 0, or
// the error that kept it out, after an alert naming the registry file and
// the error (a copy missing there is missing from every road that picks
// one).  Without a per-user folder there is no registry: 0, logged, when
// HOME is unset; EACCES when the folder is there but cannot be used (the
// user is told that once, per_user_folder_notice.h).
int register_new_nimbrel();

// Non-zero when dest_dir_path holds the simulator's four top folders.
int path_is_to_a_sim();

// The registry file's path, or "" when there is no per-user folder.
std::string registry_file_path();
