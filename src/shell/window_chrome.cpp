// The chrome over every window: menu bar and open menu, hover help, cursor.
//
//   -- Menu bar and open menu ---
//   -- Mouse help and cursor ---
#include <algorithm>
#include <cmath>

#include "core/diag/frame_clock.h"
#include "core/window_ids.h"
#include "gfx/textures/texture_refs.h"
#include "shell/menus.h"
#include "shell/mnw_state.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"
#include "shell/x11_window.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"

float m_x1 = 0, m_y1 = 0, m_x2 = 0, m_y2 = 0;
float wx1 = 0, wx2 = 0, wx3 = 0, wy1 = 0;

namespace {

bool choosable(const item_struct& item)
{
    return !item.text.empty() && item.text[0] != '-' && item.text[0] != '=';
}

}  // namespace

// -- Menu bar and open menu ---

void menu_panel_box(int menu_index, float* left, float* bottom, float* right, float* top)
{
    float l = 9999, b = 9999, r = 0, t = 0;
    bool any = false;
    for (const item_struct& item : menu[static_cast<size_t>(menu_index)].items) {
        if (item.text.empty()) continue;
        any = true;
        l = std::min(l, static_cast<float>(item.left));
        r = std::max(r, static_cast<float>(item.right));
        if (item.bottom < b) b = item.bottom - 2.0f;
        if (item.top > t) t = item.top + 2.0f;
    }
    if (!any) l = b = r = t = 0;
    *left = l;
    *bottom = b;
    *right = r;
    *top = t;
}

void standard_gui()
{
    if (mnw.open_menu < 0 || static_cast<size_t>(mnw.open_menu) >= menu.size()) return;
    const shell_widget_hooks& w = shell_widgets();
    const menu_struct& open = menu[static_cast<size_t>(mnw.open_menu)];
    const bool popup = mnw.open_menu == kPopupMenu;

    if (!popup) {
        w.BTN_frame1(0, mnw.screen_width / 2.0f, mnw.screen_height - 9.0f,
                     static_cast<float>(mnw.screen_width), 0);
        for (const menu_struct& m : menu)
            if (m.parent == -1 && !m.title.empty())
                OGL_string(41, m.left + 10.0f, m.bottom + 6.0f, m.title, 9999, charset_regular, 0);
    }

    menu_panel_box(mnw.open_menu, &m_x1, &m_y1, &m_x2, &m_y2);
    const item_struct* hovered = nullptr;
    for (const item_struct& item : open.items)
        if (choosable(item) && item.left <= mnw.mouse_x && mnw.mouse_x <= item.right &&
            item.bottom <= mnw.mouse_y && mnw.mouse_y <= item.top - 1)
            hovered = &item;

    w.BTN_frame2(20, m_x1, m_y1, m_x2 - m_x1, m_y2 - m_y1, "", 1.0f);
    if (open.parent == -1 && !popup)
        OGL_fillrect(39, 0.25f, open.left, open.bottom, open.right - open.left, open.top - open.bottom);
    if (hovered)
        OGL_fillrect(39, 0.25f, hovered->left, hovered->bottom, hovered->right - hovered->left,
                     hovered->top - hovered->bottom);

    const item_struct* previous = nullptr;
    for (const item_struct& item : open.items) {
        if (item.text.empty()) continue;
        if (previous && item.left != previous->left) {
            OGL_line(38, 1.0f, item.left - 1.0f, m_y1 - 1, item.left - 1.0f, m_y2);
            OGL_line(40, 1.0f, item.left, m_y2, item.left, m_y1 - 1);
        }
        previous = &item;
        if (item.text[0] == '-') {
            OGL_line(38, 1.0f, item.left, item.bottom + 1.0f, item.right - 1.0f, item.bottom + 1.0f);
            OGL_line(40, 1.0f, item.left, item.bottom, item.right - 1.0f, item.bottom);
        } else {
            OGL_string(41, item.left + (popup ? 3.0f : 18.0f), item.bottom + 3.0f, item.text, 9999,
                       charset_regular, 0);
        }
    }
    for (const menu_struct& sub : menu)
        if (sub.parent == mnw.open_menu)
            w.BTN_util_element(sub.right - 8.0f, sub.bottom + 6.0f, 167, 187, 9, 9, 0);
}

// -- Mouse help and cursor ---

float hover_help_height(size_t bytes)
{
    const float h = static_cast<float>(bytes / 50) * 10 + 20;
    return std::min(300.0f, std::max(60.0f, h));
}

namespace {

struct cursor_shape {
    float s0, s1, t0, t1, dx, dy;
};

cursor_shape shape_for(int request)
{
    static const cursor_shape shapes[] = {
        {199, 261, 328, 357, 0, 0},  {199, 230, 328, 357, 6, 1},   {230, 261, 328, 357, -4, 1},
        {199, 261, 291, 327, 0, 0},  {199, 230, 291, 327, 1, 1},   {230, 261, 291, 327, 0, 1},
        {262, 326, 310, 357, 0, 0},  {262, 294, 310, 357, -3, 1},  {294, 326, 310, 357, 5, 1},
        {487, 506, 309, 357, 0, 0},  {487, 506, 309, 333, 1, -5},  {487, 506, 333, 357, 1, 5},
        {262, 326, 291, 309, 0, 0},  {262, 294, 291, 309, 0, 0},   {294, 326, 291, 309, 0, 0},
        {328, 358, 325, 355, 0, 0},  {328, 358, 293, 323, 0, 0},   {168, 198, 325, 355, 0, 0},
        {168, 198, 293, 323, 0, 0},  {199, 239, 250, 290, 0, 0},   {456, 486, 325, 355, 0, 0},
        {424, 454, 325, 355, 0, 0},
    };
    if (request < 3 || request > 24) return shapes[20 - 3];
    cursor_shape s = shapes[request - 3];
    // The two hand cursors close while the button is held.
    if ((request == 18 || request == 19) && mnw.button_held) {
        s.s0 = 360;
        s.s1 = 390;
    }
    return s;
}

void draw_cursor(int request)
{
    const cursor_shape s = shape_for(request);
    const float w = s.s1 - s.s0, h = s.t1 - s.t0;
    const float x = mnw.mouse_x - s.dx - std::floor(w / 2), y = mnw.mouse_y - s.dy - std::floor(h / 2);
    const float k = 1.0f / 512;
    OGL_2dquad(tex_ref::widget_sheet, 52, 1.0f, x, y, s.s0 * k, s.t0 * k, x, y + h, s.s0 * k, s.t1 * k, x + w, y + h,
               s.s1 * k, s.t1 * k, x + w, y, s.s1 * k, s.t0 * k, 1, 5);
}

void show_system_cursor(int hide)
{
    x11_hide_cursor(mnw.main_window, 0, hide);
    if (mnw.second_window_open) x11_hide_cursor(mnw.second_window, 1, hide);
    x11_flush();
}

}  // namespace

void mouse_help_per_wind(int window_id)
{
    static int OS_mouse_showing = 1;
    static int mouse_was_plugin = 0;

    if (!stls.hover_help.empty() && xtim.real_time > mnw.last_move_time + 1.0f) {
        const float h = hover_help_height(stls.hover_help.size());
        const float x = std::min(std::max(mnw.mouse_x - 415, 10 - mnw.origin_x),
                                 mnw.screen_width - mnw.origin_x - 410);
        const float y = std::min(std::max(mnw.mouse_y + 15, 10 - mnw.origin_y),
                                 mnw.screen_height - mnw.origin_y - h - 20);
        shell_widgets().BTN_frame2(17, x - 10, y - 10, 420, h + 20, "", 1.0f);
        OGL_string(50, x + 3, y + h - 10, stls.hover_help, 394, charset_regular, 0);
    }
    stls.hover_help.clear();
    xtim.profile_chart("help", 0);

    if (xtim.real_time > mnw.last_move_time + 10.0f && mnw.current_window == 0) mnw.cursor_request = 2;
    if (window_id >= window_ids::livery && window_id <= window_ids::save_file) mnw.cursor_request = 0;

    if (mnw.cursor_request < 2) {
        if (!OS_mouse_showing) {
            show_system_cursor(0);
            OS_mouse_showing = 1;
        }
    } else if (OS_mouse_showing) {
        show_system_cursor(1);
        OS_mouse_showing = 0;
    }
    if (mouse_was_plugin && mnw.cursor_request != 1) {
        mouse_was_plugin = 0;
        show_system_cursor(0);
    }
    if (mnw.cursor_request == 1) mouse_was_plugin = 1;
    if (mnw.cursor_request >= 3) draw_cursor(mnw.cursor_request);
}
