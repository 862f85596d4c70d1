// The logical windows inside the one X window: the main window (0) and the
// modal windows with fixed titles and sizes, centred on the screen; and the
// chrome drawn over them every frame (menu bar, open menu, mouse help,
// cursor).
#pragma once

#include <cstddef>

// Makes window `id` current: title, size, origin, a clean mouse, focus and
// menu state.  The second argument is not used.
void MACIBM_startwind(int id, int);
// The menu bar and the open pull-down menu or pop-up list; nothing while no
// menu is open.
void standard_gui();
// The hover-help box and the cursor for the window.
void mouse_help_per_wind(int window_id);

// Edges of the open menu's panel, recomputed every frame a menu is open.
extern float m_x1, m_y1, m_x2, m_y2;

// The right and top edges (plus the gap) that BTN_subwin hands back, where
// the shell's own windows lay out their next panels.
extern float wx1, wx2, wx3, wy1;

// -- Pieces of the above, for their tests ---------------------------------------

struct window_layout {
    const char* title;  // null: not a modal window
    float width, height;
};
// The table entry of a modal window id; title null for any other id.
window_layout window_layout_for(int id);
// The origin of a window of that size on that screen, interface units.
void window_origin(float window_width, float window_height, int screen_width,
                   int screen_height, float ui_scale, float* x, float* y);
// Height of the hover-help box for a text of that many bytes.
float hover_help_height(size_t bytes);
// The open menu's panel edges from its items (0, 0, 0, 0 when none has text).
void menu_panel_box(int menu_index, float* left, float* bottom, float* right, float* top);
