// The one gate for every path that the install engine creates, writes or
// deletes in the user's copy: folder creation, unpacking, deletion and the
// clean-up of emptied folders all ask it first.
//
// A manifest comes from a server, and a copy may hold symbolic links; no
// combination of the two may touch anything outside the destination.
#pragma once

#include <set>
#include <string>

#include "engine/manifest.h"

// dest_dir_path followed by the version's path less its top folder.
std::string dest_path_of(const file_version_struct& version);

// True when `path` lies below dest_dir_path, none of its components is
// empty, "." or "..", and no folder on the way is a symbolic link that
// leads outside the destination.  The last component may be a link: it is
// replaced or removed, never followed.
bool inside_destination(const std::string& path);

// Records every folder of `file` below dest_dir_path, each ending in '/';
// the destination itself never.
void record_emptied_folders(const std::string& file, std::set<std::string>& folders);

// Removes, deepest first, every recorded folder that lists empty (names
// beginning with '.' are not listed, so a folder holding only hidden files
// is tried and stays).  `log_label` begins each log line.
void remove_emptied_folders(const std::set<std::string>& folders, const char* log_label);

// The engine's per-file log line, written while stg.log_actions is set:
// label, path, ", with result=", result, ".".
void log_file_action(const char* label, const std::string& path, int result);
