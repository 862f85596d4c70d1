// The installer's state between the wizard's screens and the install engine,
// and the wizard's globals that hold the engine's data.
//
// Everything here is a plain global record, zero before main and alive until
// exit; the main thread writes it (the checksum workers only read
// `target_os` through the install filter while nothing changes it).
#pragma once

#include <string>
#include <vector>

// Global scenery is cut into 10-by-10-degree sectors: longitude bands 0..35
// from -180, latitude bands 0..17 from -90.  Grids are [lon][lat].
constexpr int kLonBands = 36;
constexpr int kLatBands = 18;
constexpr int kMaxServers = 10;

struct stg_struct {
    int dir_status;        // 0 no manifest, 1 unpacked, 2 unreadable, 3 read
    int target_os;         // 1 Macintosh, 2 Windows, 3 Linux
    int log_actions;       // log every file action of the install
    int format_error;      // 2 once a server file of a newer format was met
    int download_failed;   // the last file download failed
    int extract_failed;    // a downloaded archive failed to unpack
    int delete_failed;     // a file the plan removes is still there
    int server_count;      // servers in the server list; -1 not read yet
    int server_choice;     // server in use, 0 .. server_count - 1
    int want_sectors[kLonBands][kLatBands];   // sectors the user wants
    int avail_sectors[kLonBands][kLatBands];  // sectors the manifest holds
    int file_action;       // 0 deleting, 1 installing, 2 current, 3 not wanted
    float file_progress;   // downloaded fraction of the file shown
    int stream_count;      // download streams by hand, 1..4; 0 automatic
    int get_beta;          // install the beta release
    float download_total;  // kilobytes to download
    float install_total;   // kilobytes the install adds to the disk
    int files_to_install;
    int files_to_delete;
    int has_scenery;       // the manifest holds a global-scenery tile
    int has_sim_files;     // the manifest holds any other file
    // Server rows whose manifest archive did not unpack or whose manifest
    // cannot serve (1), or could not be held here (2): warned about once
    // and not asked again; all of them leave the manifest unreadable.
    int damaged_manifest[kMaxServers];
};

extern stg_struct stg;

// The start values main gives the record (and install_name) once the
// temporary folder is known, before the installer preference file is read.
void stg_set_start_values();
// Every road's install set-up calls this before its pump starts: a failure
// of an earlier install in the same run belongs to that install, and left
// set it would end the new one at once and be reported as its own.
void stg_clear_failures();

// -- The wizard's globals that the engine fills and reads --------------------

extern std::string temp_path;      // this run's private folder, ending in "/"
extern std::string dest_dir_path;  // install, repair or update folder, "/" last
extern std::string install_name;   // release name; no_install_name until read
extern std::string server_name[kMaxServers];  // host of each download server
extern std::string server_path[kMaxServers];  // path prefix on that host
extern std::string server_desc[kMaxServers];  // what the user reads
extern std::vector<std::string> all_nsystems;  // registered copies that exist
extern int current_disk;    // the install DVD in the drive (0 the first)
extern int want_file_disk;  // sim_info index whose disk is needed next

// The program's strict decimal: an optional sign, then 1 to 9 digits.
// Anything else, and the empty text, is -1.
int str_to_int(const std::string& text);
