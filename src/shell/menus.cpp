#include "shell/menus.h"

std::vector<menu_struct> menu;

void MACIBM_clear_menus(int mode)
{
    if (mode != 1) return;
    menu.clear();
    menu.resize(kMenuCount);
    for (int i = 0; i < kMenuCount; ++i) MACIBM_clear_menu(i);
}

void MACIBM_clear_menu(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= menu.size()) return;
    menu_struct& m = menu[static_cast<size_t>(index)];
    m.title.clear();
    m.parent = -1;
    m.left = m.bottom = m.right = m.top = 0;
    m.items.clear();
}
