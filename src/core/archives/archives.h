// Zip and 7z archives: every file of the simulator reaches the disk packed.
//
// Results are the error codes of error_codes.h: 0, errno values, our own
// 20001 and up, and minizip's negative results (-105 for a bad CRC).  No
// entry is ever written outside `out_dir`; see archive_destination.h.
#pragma once

#include <string>

// Unpacks every entry of a zip archive into `out_dir` ("" or ending in "/"),
// restoring folders, links, Unix modes and times; "__MACOSX" entries are
// skipped.  `name`, when given, receives the first entry's name as stored;
// with `rename` the first entry (a file or link) is written as out_dir +
// the text `name` held on entry.  The first failing entry stops it all.
int zip_to_file(const std::string& archive, const std::string& out_dir, std::string* name,
                int rename);

// Unpacks every file of a 7z archive into `out_dir`, whose folders must
// exist; folders are not made and modes and times are not restored.
// `name`, when given, receives the full path of each file written (so it
// ends holding the last); with `rename` the first file is written as the
// full out_dir + the text `name` held on entry.
int p7z_to_file(const std::string& archive, const std::string& out_dir, std::string* name,
                int rename);

// Packs one file into a new zip archive, deflated, with its mode and time.
int file_to_zip(const std::string& source, const std::string& zip);
