// The about box: the program's version and credits, and the check for a
// newer release on the maker's web server, which can download the newer
// installer, unpack it into the program's folder and hand over to it.
#pragma once

#include <cstdint>
#include <string>

// The modal window "Version and Updates" until the user closes it; never
// returns when the new installer starts.  What it found is kept for the
// rest of the run, so reopening it shows the result without asking again.
void MACIBM_about();

// -- Its pieces, for their tests ---

// The program's own version, against the list's version numbers.
constexpr int kAboutOwnVersion = 92102;

// What the box has found and where its update stands.
struct about_state {
    int version_str_found = 0;  // a list with a "FINAL" line was read
    std::string version_str_net, version_str_net_beta;
    int version_final = -1, version_beta = -1;  // -1: not read yet
    int is_beta = 0;
    std::string installer_server, installer_path;
    std::string installer_app_name;  // the archive's first entry
    std::string err_msg;
    // 0 nothing offered, 1 offered, 2 downloading, 3 unpacked and starting,
    // 4 showing err_msg.
    int ins_state = 0;
    // The user asked for the update: the list is not fetched or judged
    // again, whatever it held, so nothing can pull the download away.
    bool update_begun = false;
};

// The box's own record (tests start it afresh).
about_state& about_box_state();

// Reads the fetched list at `path` into `state` and decides what to offer,
// as the box does when a fetch completes.  A list without an acceptable
// header reads nothing and decides on what earlier reads left.
void about_read_list(const std::string& path, about_state& state);
// The same on a list in memory, from its start.
class xmap_class;
void about_read_list(xmap_class& list, about_state& state);

// The line about the version found.
std::string about_status_line(const about_state& state);
// The whole percent of the download, -1 while the length is unknown (-1)
// or 0; 64-bit, so large installers do not overflow.
int about_download_percent(int64_t received, int64_t length);
// The download's line, without a number for a percent of -1.
std::string about_progress_line(int percent);

// The most the newer installer may unpack to: many times this program.
constexpr unsigned long long kAboutInstallerMaxBytes = 256ull << 20;

// Unpacks the newer installer from `archive` into `folder` (full, ending in
// '/'): the archive must hold one regular, executable file at its top, no
// larger than `max_bytes`, and nothing else.  The file is written beside
// its name and takes the name only when whole.  0 and the name in `name`;
// 20001 for any other archive, with the reason logged; errno when the
// folder cannot take the file.
int about_unpack_installer(const std::string& archive, const std::string& folder, std::string& name,
                           unsigned long long max_bytes = kAboutInstallerMaxBytes);
