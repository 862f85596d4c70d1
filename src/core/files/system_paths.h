// System folders and the one form every path takes before it reaches the
// system: '/' only, `app_path` in front, letter case corrected against the
// disk where the path does not exist as written.
#pragma once

#include <atomic>
#include <string>

enum os_dir_type {
    os_dir_this_app = 0,       // the program's folder, ending in '/'
    os_dir_this_app_file = 1,  // the program file's own path
    os_dir_desktop = 2,        // $HOME + "/"
    os_dir_default_apps = 3,   // $HOME + "/"
    os_dir_temp = 4,           // "/tmp/"
    os_dir_prefs = 5,          // $HOME + "/.nimbrel/", created on every request
                               // (mode 0700), given only when it is the
                               // user's own (per_user_folder.h)
};

// Non-zero: set_path_to_full corrects letter case.  Set again wherever the
// program's path is found, which any thread may ask while workers build
// paths.
extern std::atomic<int> g_case_sensitive;

// Stores the folder in `out`; leaves `out` as passed when it cannot serve
// (an unknown value, HOME unset for the home-based folders, a per-user
// folder that is not the user's own).
void get_OS_abs_path(os_dir_type which, std::string& out);

// `app_path` + path, then letter case corrected against the disk.
void set_path_to_full(std::string& path);

// Corrects the letter case of a zero-terminated path in place, component by
// component, as far as the components exist on the disk.  The length never
// changes.
void findPath(char* path);
// The same on a string of any length.
void find_path_case(std::string& path);

// '\\' and ':' become '/'; nothing else changes.
void set_path_to_right_dirchars(std::string& path);

// The program's own path read from /proc (keep_file_name 1) or its folder
// with the trailing '/' (keep_file_name 0); "./" when /proc cannot tell.
// Also sets g_case_sensitive to 1.
void MACIBM_set_app_path(std::string* out, int keep_file_name);

// The full target of a symbolic link, however long; false (and errno set)
// when it cannot be read.
bool read_link_target(const std::string& link, std::string& target);
