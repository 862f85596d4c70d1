// The download pump of the web roads: the install plan carried out over up
// to four HTTP streams, one step per stream and call, on the main thread.
//
// Stream k downloads into temp_path + k + ".zip" over HTTP slot k + 2 from
// the chosen server and unpacks each archive into the destination; files
// marked for deletion are deleted, and folders this empties are removed at
// the end.  A transfer that fails on the way moves to another server and
// retries, without end; a server that answers with something other than
// the file is asked for it no more, and a file no server delivers fails.
// A file that cannot be saved or unpacked here (the disk, the run's
// temporary folder, this system's limits) ends the install at once: no
// server can mend that.
#pragma once

#include <string>

#include "engine/manifest.h"

// The download path of the file stream's pump last took up, and its name.
extern std::string crnt_file_path;
extern std::string crnt_file_name;

// One step of every active stream.  1 when the run is through (after the
// clean-up of emptied folders), or as soon as a file failed to install
// (from every server, or for a reason of this system's) or could not be
// saved here (stg.extract_failed); 0 while work remains.
int grab_files();

// For a caller that runs the pump again and again for a slice of its frame:
// when the last grab_files moved nothing (no byte sent or received, no file
// finished, skipped or deleted, no transfer failed), sleeps until a socket
// of the streams' transfers is ready or `seconds` pass, so the slice's rest
// goes to the kernel and not to calls that would find nothing.  True at once
// when the last call moved something, or when a socket became ready.
//
//   do {
//       if (grab_files()) break;
//       grab_files_wait(slice_end - now());
//   } while (now() < slice_end);
bool grab_files_wait(double seconds);

// Whether the last transfer of HTTP `slot` failed here rather than at its
// server: its file could not be made or written (a full disk, the run's
// temporary folder gone, no descriptor left).  Then the user is warned,
// with `file_line` naming the file and the reason: asking this or another
// server again would fail the same way for ever, so the caller ends its
// work instead.
bool saving_failed_here(int slot, const std::string& file_line);

// Installs the file `version` names from `archive` through the copy's gate
// (copy_gate.h), then deletes the archive.  A failure sets
// stg.extract_failed and raises a warning naming the archive, the
// destination and the reason; its result.
int extract_and_delete_file(const std::string& archive, const file_version_struct& version);
