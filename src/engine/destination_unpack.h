// Unpacking one archive into the folder of a file of the install.
#pragma once

#include <string>

// Unpacks `archive` (".7z" by the 7z reader, anything else as zip) into the
// folder that holds `destination` (a path below dest_dir_path), which
// `folder` receives.  EACCES without unpacking when that folder is not
// safely inside the destination; else the extractor's result.
int unpack_to_destination(const std::string& archive, const std::string& destination,
                          std::string& folder);
