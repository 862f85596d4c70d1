// The key handling's entry points that the frame loop and shut-down call.
// The binding table, the key names and the dispatch to the focused widget
// come with the key bindings; until then a key reaches nothing beyond the
// frame loop's own modifier and key-down tracking.
#pragma once

union _XEvent;

class keys_class {
public:
    // A key press or release that the frame loop does not keep for itself.
    void handle_key_raw(_XEvent* event);
    // Held bound keys press their commands again, once per frame.
    void run_repeat_keys();
    // Key bindings live in memory only: neither mode touches a file.
    void keys_io(int mode);
};

extern keys_class keys;
