// BTN_list_and_search: a scrolling list of the indices first .. last with
// names (and optionally a second column and icons) from the caller's
// callbacks; selection by click, Up and Down and type-ahead; double clicks
// reported; optionally a search field under it.
#pragma once

#include <string>

#include "widgets/widget_context.h"

using BTN_name_fn = std::string (*)(int index, void* ref);
using BTN_icon_fn = int (*)(int index, void* ref);

// 1 when the list was double-clicked this frame.
int BTN_list_and_search(int slider_id, float x, float y, float width, float height, int* centre,
                        int* selection, int first, int last, std::string* search_text,
                        const std::string& search_label, BTN_name_fn name_fn, void* name_ref,
                        BTN_name_fn type_fn, void* type_ref, BTN_icon_fn icon_fn, void* icon_ref);

// Element `index` of the std::vector<std::string> at ref.
std::string BTN_name_from_vector(int index, void* ref);
// Element `index` of the std::vector<int> at ref.
int BTN_type_from_vector(int index, void* ref);

// -- The list's arithmetic and type-ahead, for its tests ---

// Rows shown above and below the centre row.
int list_page(float height);
// Moves *centre just enough that *selection lies within page rows of it.
void list_reveal(int* centre, int selection, int page);
// Up (-1) or Down (+1): the selection moves and the view follows.
void list_step(int* centre, int* selection, int step, int page);
// The index of the row at mouse_y in a list centred at y.
int list_row_at(int centre, float y, float mouse_y);

extern list_type_ahead_state& list_type_ahead;  // in widget_context.h
// Adds the character typed at `now` and selects the first name that begins
// with the letters so far, ignoring case; no match leaves the selection.
void list_type_ahead_key(int character, float now, int first, int last, BTN_name_fn name_fn,
                         void* name_ref, int* centre, int* selection, int page);
