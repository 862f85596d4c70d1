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
//   -- Focus ring ----------- focus_ring.cpp
//   -- Text fields ---------- text_field*.cpp, the OGLE editor's binding
//   -- Number and character fields
//   -- Lists ---------------- list_search*.cpp
//   -- Sliders, frames, folder picker and file chooser
#pragma once

#include <string>
#include <vector>

#include "widgets/file_chooser.h"
#include "widgets/focus_ring.h"
#include "widgets/key_queue.h"
#include "widgets/list_search.h"

struct OGLE_Rec;

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
