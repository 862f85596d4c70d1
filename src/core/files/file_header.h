// The common header of the program's data files, written by ouf_open and
// checked by xmap_class::check_file (see xmap.h).
//
// Text:   "I" line, "<version> version<copyright>" line, then the caller's
//         own keyword line if its format has one.
// Binary: "i" and the version as 4 little-endian bytes ("a" and big-endian
//         when read from a file of the other byte order).
#pragma once

#include <string>

#include "core/files/xmap.h"

// Opens `path` for writing through `ouf`, as a file of the program's own
// (open_own_file: never through a link or a second name, emptied only
// once judged), and writes the header of `kind` (kHeaderBinary or
// kHeaderText).  The last three characters of the path are lower-cased,
// so extensions are always written in lower case.  A missing folder (one
// level) is created and the open tried again; a second failure is a
// warning alert and false, and the log says why.
bool ouf_open(const std::string& path, int kind, int version, const std::string& copyright);
// The path ouf_open writes for `path`: full, with its extension lower-cased.
std::string ouf_path(const std::string& path);
