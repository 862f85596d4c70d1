// The download pump of the web roads: the install plan carried out over up
// to four HTTP streams, one step per stream and call, on the main thread.
//
// Stream k downloads into temp_path + k + ".zip" over HTTP slot k + 2 from
// the chosen server and unpacks each archive into the destination; files
// marked for deletion are deleted, and folders this empties are removed at
// the end.  A transfer that fails on the way moves to another server and
// retries, without end; a server that answers with something other than
// the file is asked for it no more, and a file no server delivers fails.
#pragma once

#include <string>

#include "engine/manifest.h"

// The download path of the file stream's pump last took up, and its name.
extern std::string crnt_file_path;
extern std::string crnt_file_name;

// One step of every active stream.  1 when the run is through (after the
// clean-up of emptied folders), or as soon as a file failed to install
// (from every server, or for want of room) or a disk filled up
// (stg.extract_failed); 0 while work remains.
int grab_files();

// Installs the file `version` names from `archive` through the copy's gate
// (copy_gate.h), then deletes the archive.  A failure sets
// stg.extract_failed and raises a warning naming the archive, the
// destination and the reason; its result.
int extract_and_delete_file(const std::string& archive, const file_version_struct& version);
