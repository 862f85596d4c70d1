// The modal Open and Save dialog: one folder at a time as a list with
// type-ahead, sub-folders entered with Return or a double click, parents
// reached with Delete or the folder pop-up, and in the Open dialog a
// preview of aircraft and flight-data files.  Paths are relative to the
// program's folder, '/' only; folder paths end in '/' and the empty path is
// the program's folder.
#pragma once

#include <string>
#include <vector>

#include "core/window_ids.h"
#include "widgets/widget_context.h"

class xmap_class;

constexpr int BTN_dialog_open = window_ids::open_file;
constexpr int BTN_dialog_save = window_ids::save_file;

// open_save 998 or 999, file_type 0 to 21 (the listing's type codes, see
// core/files/folder_listing.h).  A non-empty *path gives the start folder.
// 1 when a file was chosen (then in *path); 0 on Cancel, Escape, or when
// another window took over, *path unchanged.
int BTN_opensave(int open_save, int file_type, std::string* path);

// The dialog's background, panes and, in the Open dialog, the preview of
// `path` ("-" when the folder lists nothing), for one frame.
void stand_io_dialog(int open_save, int file_type, std::string path);

// What the dialog keeps for the whole run (widget_context.h).
extern file_chooser_state& file_chooser;

// -- Pieces of the above, for their tests ---

// A bad kind of dialog or file is a fatal alert naming `caller`; false then.
bool opensave_args_ok(int open_save, int file_type, const std::string& caller);
// The folder part of a path: it less its last part, a trailing '/' of a
// path longer than two characters skipped ("Output/movies/" gives
// "Output/", a file in "Output/movies/" gives "Output/movies/", "a/" and a
// path without '/' give "a/" and "").
std::string opensave_folder_part(const std::string& path);
// Where the dialog opens for the caller's path.
std::string opensave_start_folder(const std::string& path, int file_type);
// The Save dialog's name with a three-letter extension replaced by the
// kind's own.
std::string opensave_save_name(std::string name, int file_type);

// The dialog's listing of `folder` (the listing's type codes); "" is the
// program's folder.
int opensave_list(const std::string& folder, int file_type, std::vector<std::string>& names,
                  std::vector<int>& types);

// The folder pop-up: entry 0 the program's folder, then one per level.
struct chooser_levels {
    std::vector<std::string> entries;
    std::vector<std::string> shown;  // the levels' names, for the staircase
    std::string items;
};
chooser_levels opensave_levels(const std::string& folder);

// The record after an accepted aircraft header, when the file holds all of
// it; false leaves `record` alone.
bool read_aircraft_record(xmap_class& map, unsigned char* record);
// The four texts of a record, in the order the preview shows them.
std::vector<std::string> aircraft_texts(const unsigned char* record);
// The icon beside an aircraft file: "<path less extension>_icon.png".
std::string aircraft_icon_path(const std::string& path);
// The comment of a flight-data file after its text header; "" when the
// header is refused or no COMM line comes.
std::string read_flight_comment(xmap_class& map);
