// Where install DVDs are mounted.
//
// The desktop mounts a disk where it likes (/media/cdrom, /run/media/USER/
// LABEL, ...) and a user may mount an image anywhere; a folder is an
// install DVD when "dvd_version.txt" lies at its top.  The environment
// variable NIMBREL_DVD names folders to try first, separated by ':', for
// images mounted off the usual places.
#pragma once

#include <string>
#include <vector>

// Every install DVD found, each ending in "/", in this order and without
// repeats: NIMBREL_DVD, the mount table, then the usual mount roots.
void UTIL_list_dvd_folders(std::vector<std::string>& folders);
// The first of them, or "".
std::string UTIL_find_dvd_path();

// Where the search looks besides NIMBREL_DVD: a mount table in the format
// of /proc/self/mounts, and roots whose sub-folders and their sub-folders
// are tried (/media/cdrom, /media/USER/LABEL).  Tests point it at fixtures.
struct dvd_search_places {
    std::string mount_table = "/proc/self/mounts";
    std::vector<std::string> roots = {"/media/", "/run/media/", "/mnt/"};
};
void UTIL_set_dvd_search_places(const dvd_search_places& places);
