#include "shell/menu_model.h"

#include <algorithm>

#include "core/shell_hooks.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/mnw_state.h"

namespace {

constexpr size_t title_limit = 40;
constexpr int bar_height = 18;

bool known_menu(int n) { return n >= 0 && static_cast<size_t>(n) < menu.size(); }

int16_t to_i16(float v) { return static_cast<int16_t>(v); }

}  // namespace

void MACIBM_clear_items(int n)
{
    if (known_menu(n)) menu[static_cast<size_t>(n)].items.clear();
}

void MACIBM_create_menu(int n, int place, std::string title)
{
    static float x = 0;
    if (n > kPopupMenu) {
        __MACIBM_alert(0, "Menu index out of range in create_menu!", "", "", title, 2, "hl_mnw",
                       __LINE__);
        return;
    }
    if (!known_menu(n)) return;
    menu_struct& m = menu[static_cast<size_t>(n)];
    if (title.size() > title_limit) title.resize(title_limit);
    m.title = title;
    const float w = str_dx(m.title);
    if (place == 0) {
        if (n == 0) x = 0;
        const float before = x;
        m.parent = -1;
        m.left = to_i16(x);
        x = x + w + 30;
        m.right = to_i16(x);
        m.bottom = to_i16(mnw.screen_height - bar_height);
        m.top = to_i16(mnw.screen_height);
        // The plug-ins' menu shares its cell with the menu after it.
        x = m.title == "Plugins" ? before : m.right;
        return;
    }
    // A submenu takes the rectangle of the item that opens it; a place
    // naming no such item leaves the menu where it was.
    const int parent = place / kMenuItemCount, item = place % kMenuItemCount;
    if (place < 0 || !known_menu(parent) || static_cast<size_t>(item) >= menu[parent].items.size())
        return;
    const item_struct& opener = menu[static_cast<size_t>(parent)].items[static_cast<size_t>(item)];
    m.parent = parent;
    m.left = opener.left;
    m.bottom = opener.bottom;
    m.right = opener.right;
    m.top = opener.top;
}

void MACIBM_append_menu(int n, int i, int command, std::string text)
{
    if (i < 0 || n < 0) return;
    if (n > kPopupMenu) {
        __MACIBM_alert(0, "Menu index out of range in append_menu!", "", "", text, 2, "hl_mnw",
                       __LINE__);
        return;
    }
    if (i >= kMenuItemCount) {
        __MACIBM_alert(0, "Item index out of range in append_menu!", "", "", text, 2, "hl_mnw",
                       __LINE__);
        return;
    }
    if (!known_menu(n)) return;
    menu_struct& m = menu[static_cast<size_t>(n)];
    const size_t at = static_cast<size_t>(i);
    if (m.items.size() <= at) m.items.resize(at + 1, item_struct{std::string(), 0, 0, 0, 0, 0});
    item_struct& item = m.items[at];
    item.text = std::move(text);
    item.command = command;
    const float h = !item.text.empty() && item.text[0] == '-' ? 2 : 12;
    if (i == 0 && m.parent == -1) {
        item.bottom = to_i16(m.bottom - h - 2);
        item.top = to_i16(m.bottom - 2);
    } else if (i == 0) {
        item.bottom = to_i16(m.bottom - 2);
        item.top = to_i16(m.top - 2);
    } else {
        item.top = m.items[at - 1].bottom;
        item.bottom = to_i16(m.items[at - 1].bottom - h);
    }
    float w = 40;
    for (size_t j = 0; j <= at; ++j) w = std::max(w, str_dx(m.items[j].text) + 40);
    for (size_t j = 0; j <= at; ++j) {
        m.items[j].left = m.left;
        m.items[j].right = to_i16(m.left + w);
    }
}

void MACIBM_remove_menu_item(int n, int i)
{
    if (i < 0 || n < 0) return;
    if (n > kPopupMenu || i >= kMenuItemCount) {
        __MACIBM_alert(0, "Menu or item index out of range in remove_menu_item!", "", "", "", 2,
                       "hl_mnw", __LINE__);
        return;
    }
    if (!known_menu(n)) return;
    std::vector<item_struct>& items = menu[static_cast<size_t>(n)].items;
    const size_t at = static_cast<size_t>(i);
    if (at >= items.size()) return;
    const int16_t h = static_cast<int16_t>(items[at].top - items[at].bottom);
    items.erase(items.begin() + i);
    for (size_t j = at; j < items.size(); ++j) {
        items[j].bottom = static_cast<int16_t>(items[j].bottom + h);
        items[j].top = static_cast<int16_t>(items[j].top + h);
    }
}
