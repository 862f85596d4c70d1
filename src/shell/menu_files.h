// Menus read from a plain-text file per interface language:
// FOLDER + "menus/" + the language's folder + NAME, e.g.
// "menus/French/main_menus.txt".  After the common text header (version
// 1), one block per menu in index order: a "PLACE TITLE" line, "COMMAND
// TEXT" item lines, and a line of "-" closing the block.
#pragma once

#include <string>

class xmap_class;

// Sets titles and items by index over what the table holds; a missing or
// refused file is fatal.
void MACIBM_read_menus(std::string folder, std::string name);

// -- Pieces of the above, for their tests ---

// One line split at its first blank: the number (str_to_int, -1 when not a
// whole signed decimal) and the text after the blanks that follow it.  A
// line without a blank is all number and no text.
struct menu_line {
    int number;
    std::string text;
};
menu_line split_menu_line(const std::string& line);
// The menu blocks from the map's read position to the end of its data.
void read_menu_blocks(xmap_class& map);
