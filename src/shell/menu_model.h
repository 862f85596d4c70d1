// Filling the pull-down menu table: bar menus laid out left to right,
// submenus opening from an item of another menu, and items stacked below.
// Every rectangle is worked out here, so drawing and the mouse only read it.
#pragma once

#include <string>

#include "shell/menus.h"

constexpr int kMenuItemCount = 300;

void MACIBM_clear_items(int menu_index);
// place 0 puts the menu on the bar; parent * 300 + item opens it from that
// item of menu parent.
void MACIBM_create_menu(int menu_index, int place, std::string title);
void MACIBM_append_menu(int menu_index, int item_index, int command, std::string text);
void MACIBM_remove_menu_item(int menu_index, int item_index);
