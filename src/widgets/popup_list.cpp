#include "widgets/popup_list.h"

#include <algorithm>

#include "core/shell_hooks.h"
#include "shell/menus.h"
#include "shell/mnw_state.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"

namespace {

constexpr int max_entries = 300;
constexpr int row = 12;

// Rebuilt on every call; kept so a frame with a pop-up button allocates
// nothing once the strings have grown.
std::string entry[max_entries];
std::string left_part, right_part, help_part;

float language_scale(int language)
{
    switch (language) {
    case 1: case 4: case 5: return 0.95f;
    case 2: case 3: return 0.9f;
    default: return 1.0f;
    }
}

// Splits at '-'; -1 after a fatal alert.
int split_entries(const std::string& entries, const std::string& label)
{
    int n = 0;
    entry[0].clear();
    for (char c : entries) {
        if (c == '|') {
            __MACIBM_alert(0, "Found | char in text string!", entries, "", label, 2,
                           "HLutils/OOPS_cpp/butn", 933);
            return -1;
        }
        if (c == '-') {
            if (++n >= max_entries) {
                __MACIBM_alert(0, "BTN_text_list overflow!", entries, "", label, 2,
                               "HLutils/OOPS_cpp/butn", 937);
                return -1;
            }
            entry[n].clear();
        } else {
            entry[n] += c;
        }
    }
    return n;
}

void open_popup(float x, float y, float w, int n, int* value)
{
    menu_struct& popup = menu[kPopupMenu];
    mnw.open_menu = kPopupMenu;
    popup.parent = -1;
    popup.left = static_cast<int16_t>(int(x - w / 2) - 2);
    popup.right = static_cast<int16_t>(int(x + w / 2) + 4);
    popup.bottom = static_cast<int16_t>(y - row * (n - *value));
    popup.top = static_cast<int16_t>(popup.bottom + row + row * n);
    popup.items.resize(static_cast<size_t>(n) + 1);
    float lowest = 384, highest = 384;
    for (int i = 0; i <= n; ++i) {
        item_struct& item = popup.items[static_cast<size_t>(i)];
        item.text = entry[i];
        item.command = 0;
        item.left = popup.left;
        item.right = popup.right;
        item.bottom = static_cast<int16_t>(y - row * (i - *value) - 3);
        item.top = static_cast<int16_t>(y + 9 - row * (i - *value));
        lowest = std::min<float>(lowest, item.bottom);
        highest = std::max<float>(highest, item.top);
    }
    // Slide the list a row per frame until it fits.  A slide that would
    // push the other end off the screen is not taken: a list taller than
    // the screen would otherwise move up and down on alternate frames.
    const float height = float(mnw.screen_height);
    if (lowest < 0 && highest + row <= height)
        ++*value;
    else if (highest > height && lowest - row >= 0)
        --*value;
    *value = std::clamp(*value, 0, n);
}

}  // namespace

int BTN_textlist(float x, float y, int* value, std::string entries, std::string label)
{
    BTN_expand_label(label, &left_part, &right_part, &help_part);
    const int n = split_entries(entries, label);
    if (n < 0) return 0;
    *value = std::clamp(*value, 0, n);

    float w = 0;
    for (int i = 0; i <= n; ++i) w = std::max(w, str_dx(entry[i]));
    w = std::max(float(int(w)), 20.0f);
    float scaled = w * language_scale(mnw.language);
    if (scaled <= 20) scaled = 20;

    // The frame spans x - scaled/2 - 4 to x + scaled/2 + 24; the labels stand
    // one unit off it.
    BTN_frame1(10, x + 10, y + 5, scaled + 28, 0);
    BTN_util_draw_label(x - scaled / 2 - 5, y, 0, left_part, 0);
    BTN_util_draw_label(x + scaled / 2 + 25, y, 2, right_part, 0);

    const int id = static_cast<int>(y * 1024 + x);
    if (mnw.click && id != active_popup_code &&
        BTN_mouse_in(x + 10 - scaled / 2 - 15, x + 10 + scaled / 2 + 15, y - 2, y + 8))
        active_popup_code = id;
    int result = 0;
    if (id == select_popup_code) {
        *value = std::clamp(popup_menu_select, 0, n);
        select_popup_code = 0;
        result = 1;
    }
    if (id != active_popup_code) {
        BTN_text(41, x, y, entry[*value], 9999, charset_regular, 1);
        if (BTN_mouse_in(x + 10 - w / 2 - 15, x + 10 + w / 2 + 15, y - 2, y + 8))
            stls.hover_help = help_part;
        return result;
    }
    if (menu.size() > static_cast<size_t>(kPopupMenu)) open_popup(x, y, w, n, value);
    return result;
}
