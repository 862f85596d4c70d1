// The one way the program lists a folder: names and type codes, filtered by
// a wanted file type and sorted by name regardless of letter case.
//
//   std::vector<std::string> names; std::vector<int> types;
//   opensave_getitems("Output/", 19, names, types);   // text files and folders
#pragma once

#include <string>
#include <vector>

// Type codes, both wanted and reported.  0 files with no known suffix (as
// wanted: everything), 1 folders, 2 images (.bmp, .png), 3 to 19 one suffix
// each (19 is .txt), 12 panel images (wanted only), 20 and 21 listings of
// the command registry instead of a folder.
enum {
    kFileTypeAny = 0,
    kFileTypeFolder = 1,
    kFileTypeImage = 2,
    kFileTypePanel = 12,
    kFileTypeText = 19,
    kFileTypeNoCommands = 20,
    kFileTypeCommands = 21,
};

// Lists `path` (a folder ending in '/'; a command path for 20 and 21) into
// the two parallel lists, which are emptied first.  Entries starting with
// '.' and entries that cannot be examined are left out; the empty path
// lists nothing.  Returns the number of entries.
int opensave_getitems(const std::string& path, int file_type, std::vector<std::string>& names,
                      std::vector<int>& types);

// Classifies `name` by its suffix into `type` (which comes in as 1 for a
// folder, else 0) and says whether a listing of `file_type` keeps it.
bool opensave_takeit(const std::string& path, const std::string& name, int file_type, int& type);

// The listing's sort: by name with ASCII letters lower-cased, byte by
// signed byte (so non-ASCII sorts first), shorter first on a common start.
// Names equal under it keep an order that callers see, fixed by this exact
// exchange procedure; `types` moves with `names`.
void opensave_sort(std::vector<std::string>& names, std::vector<int>& types);
