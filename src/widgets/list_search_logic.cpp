// The list's scrolling arithmetic and its type-ahead search.
#include <strings.h>

#include <cmath>
#include <vector>

#include "widgets/list_search.h"
#include "widgets/utf8_edit.h"
#include "widgets/widget_context.h"

list_type_ahead_state& list_type_ahead = BTN_context.list_type_ahead;

int list_page(float height) { return static_cast<int>(height * 0.05f) - 1; }

void list_reveal(int* centre, int selection, int page)
{
    if (selection > *centre + page) *centre = selection - page;
    if (selection < *centre - page) *centre = selection + page;
}

void list_step(int* centre, int* selection, int step, int page)
{
    *selection += step;
    list_reveal(centre, *selection, page);
}

int list_row_at(int centre, float y, float mouse_y)
{
    const float rows = (mouse_y - y) * 0.1f;
    const int rounded = static_cast<int>(rows < 0 ? rows - 0.5f : rows + 0.5f);
    return centre - rounded;
}

void list_type_ahead_key(int character, float now, int first, int last, BTN_name_fn name_fn,
                         void* name_ref, int* centre, int* selection, int page)
{
    list_type_ahead_state& state = list_type_ahead;
    if (now - state.last_type_ahead > 1.0f) state.type_ahead.clear();
    state.last_type_ahead = now;
    // A letter beyond ASCII goes in whole, as the names hold it.
    char utf8[4];
    const int count = utf8_encode(static_cast<unsigned int>(character), utf8);
    state.type_ahead.append(utf8, static_cast<size_t>(count));
    for (int i = first; i <= last; ++i) {
        if (strncasecmp(name_fn(i, name_ref).c_str(), state.type_ahead.c_str(), state.type_ahead.size()) == 0) {
            *selection = i;
            list_reveal(centre, i, page);
            return;
        }
    }
}

std::string BTN_name_from_vector(int index, void* ref)
{
    const auto& names = *static_cast<const std::vector<std::string>*>(ref);
    return index >= 0 && static_cast<size_t>(index) < names.size() ? names[static_cast<size_t>(index)]
                                                                    : std::string();
}

int BTN_type_from_vector(int index, void* ref)
{
    const auto& types = *static_cast<const std::vector<int>*>(ref);
    return index >= 0 && static_cast<size_t>(index) < types.size() ? types[static_cast<size_t>(index)] : 0;
}
