// The pull-down menu table as the frame loop and the window chrome read it:
// 1520 menus once start-up has cleared them, 1519 the pop-up list's.
// Rectangles are window pixels, y up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr int kMenuCount = 1520;
constexpr int kPopupMenu = 1519;

struct item_struct {
    std::string text;  // "" no item, '-' separator, '=' drawn but never chosen
    int command;
    int16_t left, bottom, right, top;
};

struct menu_struct {
    std::string title;
    int parent;  // -1 on the menu bar, else the menu it opens from
    int16_t left, bottom, right, top;
    std::vector<item_struct> items;
};

extern std::vector<menu_struct> menu;

// Mode 1 builds the table of 1520 empty menus; any other mode does nothing.
void MACIBM_clear_menus(int mode);
// Empties one menu: no title, on the bar, no rectangle, no items.
void MACIBM_clear_menu(int index);
