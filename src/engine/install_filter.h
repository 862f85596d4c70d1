// Which manifest files matter for the road in progress (simulator files,
// scenery tiles or both, for one target system, in the wanted sectors), and
// what installing them costs.
#pragma once

#include <string>

struct file_version_struct;

// Whether the filter takes simulator files and global-scenery tiles.  Each
// road sets them on its scan or destination screen; they keep their values.
extern int g_want_sim;
extern int g_want_global;

void set_install_filter(int want_sim, int want_global);

// 1 when the version of that history suits the filter and stg.target_os.
// Also called on the checksum workers: it only reads.
int want_this_f(int history, int version);
// Whether the version is for stg.target_os, whatever the filter: no road
// reads or installs a file that is not.
bool suits_target_system(const file_version_struct& v);

// Whether the manifest in sim_info gives a simulator file, current and
// signed, for stg.target_os: every web road installs or updates a copy of
// the simulator, so a release without one is damaged.
bool release_offers_simulator();
// Whether it gives any file so, a scenery tile included: an install DVD
// without one has nothing any road could install from it.
bool release_offers_files();

// A tile of a sector the user does not want: an installed copy leaves the
// disk even when it is current.
bool tile_unwanted(const file_version_struct& v);
// The plan takes the file away if it is there: gone from the release, or
// an unwanted tile.
bool plan_removes(const file_version_struct& v);
// The scan found the file on disk: it has a signature other than "NONE".
// An empty one has not been looked at and says nothing.
bool file_present(const file_version_struct& v);

// The wanted-sector grid: nothing, everything the manifest has, or what the
// checksum pass found installed.
void scenery_take_none();
void scenery_take_all();
void scenery_from_install();

// Recomputes the download and install totals (kilobytes) and the counts of
// files to install and delete from the current versions in sim_info.
void recalc_disk_sizes();

// Drops the path's top folder, which the install replaces by the
// destination: "top/Resources/x.txt" becomes "Resources/x.txt".
void trim_dest_folder(std::string& path);

// 1 when the path names a folder (ends in "/").
int path_has_no_file(std::string path);
