// The keyboard focus ring: the key-taking widgets join it every frame in
// drawing order (so Tab order is drawing order); the key pipeline offers
// every key to the focused one before it looks at key bindings.
#pragma once

#include <string>
#include <vector>

#include "widgets/widget_context.h"

// Key classes, the bits of a widget's key mask.
enum BTN_key_class : int {
    BTN_class_tab = 1,
    BTN_class_return = 2,
    BTN_class_delete = 4,
    BTN_class_escape = 8,
    BTN_class_navigation = 16,
    BTN_class_letter = 32,
    BTN_class_digit = 64,
    BTN_class_sign = 128,
    BTN_class_printable = 256,
    BTN_class_other = 512,
};

// Fields of the widgets' context (widget_context.h).
extern std::vector<focus_info_t>& focus_ring;
extern int& focus_id;
extern int& wind_focus;

void BTN_begin_focus_ring();
int BTN_register_focus(int id, int* char_queue, int* vkey_queue, int* flag_queue, int* id_queue,
                       int* queue_count, int queue_size, int key_mask, int grab);
// 1 when the focus system took the key (moved the focus or queued it).
int BTN_dispatch_to_focus(int character, int vkey, int flags);
void BTN_unfocus_any();
void BTN_focus_any();
void BTN_window_has_focus();
int BTN_no_focus_yet();

// The class bit of one key event, by its virtual key first.
int BTN_key_class_of(int character, int vkey);

// The system has no clipboard.
void BTN_text_to_clipboard(const std::string& text);
int BTN_is_text_on_clipboard();
int BTN_text_from_clipboard(std::string& text);
