// The widget toolkit's calls that the shell makes: the focus ring, frames
// and sheet elements of the window chrome and the progress screen, the
// pieces of the alert window, and the widgets of the key-binding editor.
//
// The toolkit sits above the shell, so the shell owns this table and the
// toolkit fills it at start-up (the program's entry installs it before
// MACIBM_init).  Until then the focus calls do nothing and the frames are
// not drawn; `alert_window_available` tells the alert whether it can show
// its window at all.
#pragma once

#include <string>

struct shell_widget_hooks {
    void (*BTN_begin_focus_ring)();
    void (*BTN_unfocus_any)();
    void (*BTN_frame1)(int type, float x, float y, float width, int colour_row);
    void (*BTN_frame2)(int type, float left, float bottom, float width, float height,
                       const std::string& title, float alpha);
    void (*BTN_util_element)(float x, float y, float s, float t, float ds, float dt, int colour_row);
    void (*BTN_zap_boxes)(int pressed);
    void (*BTN_fillwin)(int with_title, int kind);
    void (*BTN_subwin)(float top_margin, int type, float left, float bottom, float width,
                       float height, const std::string& title, float* right_out, float* top_out);
    int (*BTN_is_int)(float x, float y, int* value, int mine, const std::string& label);
    int (*BTN_action)(float x, float y, float width, int lit, int mode, const std::string& label,
                      const std::string& side_text);
    int (*BTN_bool)(float x, float y, int* value, const std::string& label, int look);
    int (*BTN_vert_slider)(int slot, float x, float y_bottom, float y_top, int lo, int hi,
                           int* value);
    int (*BTN_select_path_stl)(float x, float y, int open_save, int file_type, std::string* path,
                               int max_len, const std::string& label, float width,
                               int auto_focus);
};

// Null entries keep what is there; the defaults do nothing (and answer 0).
void set_shell_widget_hooks(const shell_widget_hooks& hooks);
// Back to the defaults (tests).
void reset_shell_widget_hooks();
const shell_widget_hooks& shell_widgets();
// True once the toolkit gave the buttons and panels an alert window needs.
bool alert_window_available();
