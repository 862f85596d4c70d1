// Key bindings: X key events become the system's own key description (a
// virtual key, a Unicode character and flag bits), go to the focused widget
// first and otherwise run the commands bound to the key.
//
// Flag bits: 1 Shift, 2 Alt, 4 Control (the modifier set a binding
// stores), 8 the key went down, 16 it went up.
#pragma once

#include <string>
#include <vector>

union _XEvent;

struct key_binding {
    int vkey;
    int modifiers;  // bits 1, 2, 4 that must be held
    int command;    // an id of the command registry
    int held;       // 1 while the key is down and its command pressed
};

// What the X side learns of one key event: the pipeline's only input, so
// tests can make any event without a display.
struct key_event_facts {
    enum kind_t { press, release, other } kind;
    unsigned state;         // the event's modifier mask (ShiftMask, ...)
    unsigned keycode;
    unsigned long sym0;     // the keycode's keysym at level 0
    unsigned long sym1;     // and at level 1 (shifted)
    enum lookup_t { lookup_none, lookup_chars, lookup_keysym, lookup_both } lookup;
    int lookup_char;        // the first wide character the input method gave
    unsigned long lookup_sym;
};

class keys_class {
public:
    keys_class();

    int cur_vkey;
    int cur_modifiers;
    // The last key press that reached the binding stage (no widget took
    // it), and how many have: the editor binds a row to a press, never to a
    // release that follows it within the frame after a modifier came up.
    int pressed_vkey = 0, pressed_modifiers = 0, presses_reached = 0;
    std::vector<key_binding> bindings;
    std::vector<int> free_vkeys;  // codes 1..max_vkey that no key name uses
    int max_vkey;

    // A key press or release that the frame loop does not keep for itself.
    void handle_key_raw(_XEvent* event);
    // The pipeline from the facts of one event.
    void handle_key_facts(const key_event_facts& facts);
    void execute_key_cmnd(int vkey, int flags);
    void handle_key(int vkey, int flags);
    // Held bound keys press their commands again, once per frame.
    void run_repeat_keys();
    int key_bound_to(int vkey, int modifiers);
    std::string get_key_for_cmnd(int command);
    int ascii_to_vkey(int character, int& vkey, int& flags);
    std::string vkey_to_str(int vkey);
    std::string vkey_to_code(int vkey);
    int str_to_vkey(std::string name);
    int str_to_flag(std::string text);
    std::string flag_to_str(int flags);
    std::string flag_to_code(int flags);
    // Mode 0 resets to the default bindings; key bindings live in memory
    // only, so no mode reads or writes a file.
    void keys_io(int mode);
    void debug();
    // The key-binding editor, drawn into the current window once per frame:
    // mode 0 the full editor, any other mode the list of bindings only.
    void keys_wind(int mode);
};

extern keys_class keys;

// What the editor keeps between frames and between openings.
struct key_editor_state {
    int key_edit = -1;  // the selected row of `bindings`, -1 none
    int k_cen = 0;      // the first row shown
    // The command path typed into the editor's path field, and the row and
    // command it was typed over: another row or command starts it afresh.
    std::string typed_path, typed_over;
    int typed_row = -1;
    // keys.presses_reached when the editor last looked: a key a focused
    // widget took (a path typed into the field) is no key for the row.
    int presses_seen = 0;
};
extern key_editor_state key_editor;

// The widget toolkit offers keys to its focused widget through this; 1
// when the widget took the key.  The default takes nothing.
using key_focus_fn = int (*)(int character, int vkey, int flags);
void set_key_focus_hook(key_focus_fn fn);

// The character an X keysym stands for (Latin-1, Unicode keysyms, the
// legacy table); 0 when none.
int keysym_to_character(unsigned long keysym);
