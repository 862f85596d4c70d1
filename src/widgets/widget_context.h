// Everything the widgets remember from one frame to the next, in one
// struct, as an immediate-mode toolkit keeps it: which widget has the keys
// and the keys on their way to it, the text editor and the field it is
// bound to, the digit lit in a number field, the knob held, the folder
// shown.  The widgets' own names for these (`focus_id`, `OGLE_input`,
// `slider_grabbed`, ...) refer into it.  A test that drives widgets frame by
// frame calls BTN_reset_context() first, so no test inherits another's
// focus or half-typed keys.
//
// Index:
//   -- What the context is made of
//   -- Focus ring ----------- focus_ring.cpp
//   -- Text fields ---------- text_field*.cpp, the OGLE editor's binding
//   -- Number and character fields
//   -- Lists ---------------- list_search*.cpp
//   -- Sliders, frames, folder picker and file chooser
#pragma once

#include <string>
#include <vector>

struct OGLE_Rec;

// -- What the context is made of ------------------------------------------------

// One widget in this frame's focus ring (focus_ring.h).
struct focus_info_t {
    int id;           // the widget's focus id, non-zero, stable between frames
    int* char_queue;  // the widget kind's queues; the ring only points to them
    int* vkey_queue;
    int* flag_queue;
    int* id_queue;    // which widget of the kind each key was meant for
    int* queue_count;
    int queue_size;
    int key_mask;     // the key classes the widget accepts (BTN_key_class)
};

// The key queue of one kind of key-taking widget (key_queue.h).
struct BTN_key_queue {
    static constexpr int queue_size = 64;
    int char_slot[queue_size] = {};  // Unicode code point
    int vkey_slot[queue_size] = {};  // virtual-key code
    int flag_slot[queue_size] = {};  // 1 Shift, 2 Alt, 4 Control, 8 down, 16 up
    int id_slot[queue_size] = {};    // the widget the key was meant for; 0 empty
    int ctr_slot = 0;                // entries in use
};

// The letters typed so far, shared by all lists (list_search.h).  A pause
// of more than a second on the frame clock starts a new search.
struct list_type_ahead_state {
    std::string type_ahead;
    float last_type_ahead = -1.0f;  // clock time of the last letter
};

constexpr int BTN_aircraft_record_size = 2092;

// What the file chooser keeps for the whole run (file_chooser.h).
struct file_chooser_state {
    int level = 0;  // the folder pop-up's value
    // The preview: the last previewed path, the aircraft record read from
    // it, whether its icon loaded, the flight-data comment.
    std::string old_path;
    unsigned char top_of_veh[BTN_aircraft_record_size] = {};
    int has_tex = 0;
    std::string comment;
};

struct widget_context {
    // -- Focus ring -------------------------------------------------------------
    std::vector<focus_info_t> focus_ring;
    int focus_id = 0;
    int wind_focus = 0;
    // Keys typed faster than the focused widget reads them (its queue holds
    // 64, a fast typist or a paste can bring more within one frame) wait
    // here and move into the queue as it empties.  They belong to one
    // widget; a focus change or a widget no longer drawn drops them.
    struct pending_key {
        int character, vkey, flags;
    };
    static constexpr int pending_capacity = 4096;
    pending_key pending[pending_capacity] = {};
    int pending_count = 0;
    int pending_first = 0;
    int pending_id = 0;
    int* pending_queue = nullptr;

    // -- Text fields ------------------------------------------------------------
    OGLE_Rec* text_editor = nullptr;  // one editor for every field, made on first use
    std::string* OGLE_input = nullptr;
    int OGLE_x = 0, OGLE_y = 0;
    int OGLE_entry_dx = 0;
    float OGLE_dx = 0.0f, OGLE_dy = 0.0f;
    int OGLE_edit = 0;
    int focused_field_id = 0;
    BTN_key_queue text_keys;

    // -- Number and character fields ---------------------------------------------
    int number_hot_digit = 0;
    BTN_key_queue number_keys;
    int char_hot_digit = 0;
    BTN_key_queue char_keys;

    // -- Lists --------------------------------------------------------------------
    int current_list_id = 0;
    BTN_key_queue list_keys;
    list_type_ahead_state list_type_ahead;

    // -- Sliders, frames, folder picker and file chooser ----------------------------
    int slider_grabbed[4] = {};
    float wx = 0.0f, wy = 0.0f;  // the last panel's right and top edges
    int plevel = 0;              // the folder picker's pop-up
    file_chooser_state file_chooser;
};

extern widget_context BTN_context;

// The widgets as at the program's start: no focus, no keys waiting, the
// editor bound to nothing and fresh.
void BTN_reset_context();
