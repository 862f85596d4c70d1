// The main-window record `mnw` and the shell's loose globals that go with
// it: the window, the screen, the current (possibly modal) window inside
// it, and this frame's mouse and key state.  Main thread only.
//
// Graphics reads and writes part of the record through its own view
// (gfx/window_link.h); the record derives from that view so both name one
// set of fields.
#pragma once

#include <string>
#include <vector>

#include "gfx/window_link.h"

struct __GLXcontextRec;
struct _XIM;
struct _XIC;

struct mnw_struct : ogl_window_fields {
    int antialias_request;   // multisample level asked for: 0 none, 1..4 = 2, 4, 8, 16 samples
    int antialias_level;     // the level the visual was found at
    // XVisualInfo*: opaque here so the record does not bring Xlib's macros
    // (None, Bool, Status) into every file that reads it.
    void* visual_info;
    __GLXcontextRec* main_context;
    __GLXcontextRec* second_context;
    _XIM* input_method;
    _XIC* input_context;
    int second_monitor_in_use;
    int second_window_open;  // nothing in this program opens one
    int window_being_set_up;
    int mouse_window;
    int modal_flag;          // a fixed-size window is current: no APP_update
    float window_width, window_height;
    int cursor_request;      // 0 system, 1 plug-in, 2 hidden, 3..24 drawn shapes
    int open_menu;           // -1 none, 1519 the pop-up list
    int set_res;
    int x_res_request, y_res_request, colour_res_request;
    int inset_window;
    float mouse_x, mouse_y;  // interface units from the window's origin, y up
    int click;
    int quick_release;
    int double_click;
    int button_released;
    int button_held;
    int held_long;
    int held_very_long;
    int wheel_clicks;
    int middle_button;
    int key_pressed;
    int typed_char;
    float last_move_time;
    float click_time;
    int key_down;
    int language;            // -1 none, 0 English .. 5 Spanish
    int keylist_up;
    int profile_on;
    int key_commands_off;
    int prefs_found;

    // Window 0 or 1 by index, as the swap and the event loop address them.
    unsigned long& x_window(int which) { return which == 1 ? second_window : main_window; }
    __GLXcontextRec*& context(int which) { return which == 1 ? second_context : main_context; }
};

extern mnw_struct mnw;

// -- Loose globals of the shell ---------------------------------------------

extern int return_hit, escape_hit, delete_hit;
extern int active_popup_code, select_popup_code, popup_menu_select;
extern int linkey_shft, linkey_ctrl, linkey_optn;
// Set by every MACIBM_startwind; the start-up progress screen waits for it.
extern int plot_init_lights;
// 1 once the first window, the GL context and the colour table exist;
// until then alerts print to standard output.
extern int ogl_inited;

// Pseudo-random numbers in [0, 1), the same on every run.
extern float randrat[10000];

class stls_class {
public:
    std::string window_title;  // of the current window, translated
    std::string hover_help;    // this frame's mouse help; emptied every frame
};
extern stls_class stls;

// Binds the record's fields to the core's window preference keys and to the
// frame clock, and points graphics at the record.  Start-up does it first.
void mnw_bind_fields();
