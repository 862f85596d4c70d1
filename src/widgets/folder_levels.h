// The levels of a folder path as the folder pop-ups of the file chooser
// and the folder picker offer them, and the staircase of level names both
// draw beneath their pop-up.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The folder cut after each of its components (levels) and each component
// as a pop-up can show it (shown): '-' separates the pop-up's items and
// '|' is refused by it, so they show as a blank and a broken bar.  Deeper
// than max_levels, the last level stands for the rest.
struct folder_levels {
    std::vector<std::string> levels;
    std::vector<std::string> shown;
};
folder_levels split_folder_levels(const std::string& folder, std::size_t max_levels);

// The shown names as pop-up items: "-" between them.
std::string join_popup_items(const std::vector<std::string>& shown);

// The level names stepping down and right from under the pop-up.
void draw_level_staircase(const std::vector<std::string>& shown);
