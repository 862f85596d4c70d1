// Preference files: the common text header (version 92001), then one line
// per setting, a key, one blank and a value.
//
//   pref.IO_set(11, 0);   // read the installer's file into its settings
//   pref.IO_set(11, 1);   // write them back
//
// The core owns the files, their keys and the order of the keys; the
// settings themselves live in the records of the subsystems that use them,
// which bind their fields to the keys at start-up.  A key without a bound
// field is neither read nor written.  Any key can be overridden for one run
// with "--pref:KEY=value".
#pragma once

#include <climits>
#include <map>
#include <string>

#include "core/files/xmap.h"

class pref_class {
public:
    // mode 0 reads `file` (10 window, 11 installer, 12 calibration), mode 1
    // writes it.
    void IO_set(int file, int mode);
    int IO_sta(int, int, std::string) { return 0; }
};
extern pref_class pref;

// The path of preference file `file`; empty for an unknown number or, for
// the installer's file, when there is no home folder.
std::string pref_file_path(int file);

// Binds a key of `file` to the field that holds its value.  False (and a log
// line) when `file` has no such key, the key is of the other type, or it is
// one of the planned and world resolutions that file 10 keeps itself.
bool pref_bind_int(int file, const std::string& key, int* field);
bool pref_bind_text(int file, const std::string& key, std::string* field);
// Forgets every binding (tests).
void pref_unbind_all();

// One open preference file, for the length of one IO_set.
class scan_class {
public:
    scan_class(const std::string& path, int mode);
    ~scan_class();
    scan_class(const scan_class&) = delete;
    scan_class& operator=(const scan_class&) = delete;

    // Write mode: writes the line "key out_value".  Read mode: sets
    // `in_value` from "--pref:KEY" or else from the file; 0 when neither
    // holds the key.
    int fetch_or_get(const std::string& out_value, std::string& in_value, const std::string& key);
    // The same for an integer; true when a value was read.
    // A value outside lo..hi is logged and leaves *value alone.
    bool int_io(int* value, const std::string& key, int lo = INT_MIN, int hi = INT_MAX);

    int mode;
    std::map<std::string, std::string> values;

private:
    std::string path_;
    std::string target_;    // write mode: the full path the file replaces
    bool writing_ = false;  // write mode with the file open
};

// The settings of the preference lines from the read position of `file`
// (after the header) to its end; a later line for a key replaces an
// earlier one.
void pref_parse_lines(xmap_class& file, std::map<std::string, std::string>& values);
