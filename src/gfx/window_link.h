// What drawing needs of the window it draws into, and the one call it makes
// up into the shell.
//
// The window record belongs to the shell, which sits above graphics.  So
// graphics names the fields it reads and writes here, under the names the
// shell's record gives them; the shell's record derives from this one and
// points `ogl_win` at itself at start-up, so both read one set of fields.
// Until then (and in tests and tools) `ogl_win` points at a record of its
// own, zero like the shell's before start-up.
#pragma once

#include <string>

struct _XDisplay;

struct ogl_window_fields {
    // X handles: the display, and the two windows that `swap_window`
    // (always 0) picks from for the buffer swap.
    _XDisplay* x_display;
    unsigned long main_window;
    unsigned long second_window;
    int swap_window;

    // The current window: -1 before the first frame, 0 the main window.
    int current_window;
    // Drawing origin of the current window, interface units.
    float origin_x, origin_y;

    int screen_width, screen_height;  // pixels
    int colour_depth;                 // bits
    int texture_res_setting;          // 0 to 5, 5 = full resolution
    int use_vsync1, use_vsync2;       // logged only

    // Written by OGL_pix_specs.
    float layout_centre_x, layout_centre_y;
    float layout_offset_x, layout_offset_y;
    float view_left, view_bottom, view_right, view_top;
    float pixel_scale;
    float ui_scale;  // window pixels per interface unit
};

extern ogl_window_fields* ogl_win;
// Null restores graphics' own record.
void set_ogl_window(ogl_window_fields* fields);

// The start-up progress screen ("Loading bitmap ..."); the shell draws it.
// The default shows nothing.
using show_init_hook_fn = void (*)(const std::string& text, float* fraction);
void set_show_init_hook(show_init_hook_fn fn);
void MACIBM_show_init(const std::string& text, float* fraction);
