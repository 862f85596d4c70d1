// The registry of installed copies: "nimbrel_install.txt" in the per-user
// folder, one absolute folder path per line, so the run, repair, scenery
// and update roads can offer the copies this installer made.  Main thread.
#pragma once

#include <string>

// Rebuilds all_nsystems from the registry: the listed folders that exist,
// in file order.
void locate_all_nimbrels();

// Appends dest_dir_path to the registry unless it is listed already.
void register_new_nimbrel();

// Non-zero when dest_dir_path holds the simulator's four top folders.
int path_is_to_a_sim();

// The registry file's path, or "" when there is no per-user folder.
std::string registry_file_path();
