// The install DVDs themselves: the version file that names the release,
// the manifest on the disk, and which disk is in the drive.
//
// On a disk every release file lies below dvd_path + install_name + "/",
// as the file's manifest path plus ".zip" (".7z" for global scenery).
#pragma once

#include <string>

#include "core/files/xmap.h"

// Reads a DVD version file ("dvd_version.txt": text header, version 900,
// keyword "DVD"; then lines, of which "VERSION" names the release, the last
// one winning).  False when the file is missing or its header is not that
// one; else true, with `name` set when a VERSION line was found and
// `found_name` telling whether one was.
bool read_dvd_version_file(const std::string& path, std::string& name, bool& found_name);
// The same for a version file already loaded.
bool read_dvd_version(xmap_class& file, std::string& name, bool& found_name);

// Once a frame on the DVD road's first screen: finds the DVD when dvd_path
// is empty, reads its version file while the release is unknown (an
// install from DVD has no servers: stg.server_count becomes 0), then reads
// the release's manifest once into sim_info.  A manifest that cannot be
// unpacked, or whose archive holds none, one cut short, and one with no
// file to install on this system set stg.dir_status to 2 (as a manifest of
// another format does) until that disk leaves the drive.  A release name
// that is no folder on the disk (a path, "..", a link, nothing there)
// leaves the release unknown: the disk is no install DVD.
void UTIL_scan_dvd();

// True, with current_disk set to the file's disk, when a mounted DVD holds
// the archive of history want_file_disk; dvd_path then names that DVD.
// False, changing nothing, for any other disk or no disk at all.  The
// drive's folder, like every other, counts only while no other user can
// change it (UTIL_dvd_folder_usable).
bool UTIL_verify_disk();

// A folder that holds a version file but that other users may change, which
// the last look for a disk (the scan's while no disk is known, or the
// check for a wanted archive) refused when it found no disk to use; else
// "".  The screens that ask for a disk say why it is not used.
const std::string& UTIL_refused_dvd();

// With `eject`, lets go of the DVD in the drive (dvd_path becomes empty).
// Answers the disk that holds history want_file_disk, for the screens to
// ask for; -1 when there is no such history.
int UTIL_switch_disk(int eject);
