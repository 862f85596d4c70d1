// The modal folder picker: browse folders, make a new one, pick one.
#pragma once

#include <string>
#include <vector>

#include "widgets/folder_levels.h"

// Runs window 998 until "Select" (1, `result` = the chosen folder, "/"
// last) or "Cancel" (0, `result` untouched); 0 also when another window
// takes over.  `mode`, `prompt`, `confirm` and `flag` are not shown.
// `start` ends in "/"; "" opens at the root.
int GetFilePathFromUser(int mode, const std::string& prompt, const std::string& confirm,
                        int flag, const std::string& start, std::string& result);

// -- Pieces of the above, for their tests ---------------------------------------

// The staircase of `folder`: the folder cut after each component (levels),
// each component with "-" shown as a blank (shown), and the pop-up items
// ("/" then the components, "-" between).  At most 300 levels.
struct picker_path_levels : folder_levels {
    std::string popup_items;
};
picker_path_levels picker_levels(const std::string& folder);

// The picked result: the folder with a leading run of "/" made one, and the
// selected row's name and "/" when a row is selected.
std::string picker_result(const std::string& folder, const std::vector<std::string>& names,
                          const std::vector<int>& types, int selected);
