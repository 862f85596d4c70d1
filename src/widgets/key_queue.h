// The key queue of one kind of key-taking widget (text fields, number
// fields, character fields, lists).  The focus ring's dispatcher appends
// the keys of the focused widget; each widget of the kind takes the
// entries meant for it the next time it is drawn.
#pragma once

#include "widgets/widget_context.h"  // BTN_key_queue

// Key flags as the key bindings make them.
enum : int { BTN_key_shift = 1, BTN_key_up = 16 };

// Virtual keys the widgets act on.
enum : int {
    BTN_vk_backspace = 8,
    BTN_vk_page_up = 33,
    BTN_vk_page_down = 34,
    BTN_vk_end = 35,
    BTN_vk_home = 36,
    BTN_vk_left = 37,
    BTN_vk_up = 38,
    BTN_vk_right = 39,
    BTN_vk_down = 40,
    BTN_vk_delete = 46,
};

// Keys whose character is only the low bits of their key symbol (Home
// comes as 'P', F1 as '>'): they type nothing into a field or a search.
inline bool BTN_vkey_types_nothing(int vkey)
{
    switch (vkey) {
    case 9: case 13: case 19: case 27: case 187:  // Tab, Return, Pause, Escape, Enter
    case BTN_vk_page_up: case BTN_vk_page_down: case BTN_vk_end: case BTN_vk_home:
    case 41: case 42: case 43: case 44: case 45: case BTN_vk_delete: case 47:
        return true;
    default:
        return vkey >= 112 && vkey <= 135;  // F1 to F24
    }
}

// Joins the focus ring with this queue and asks for the focus when `grab`;
// 1 when the widget holds the focus.
int BTN_register_queue(BTN_key_queue& queue, int id, int key_mask, int grab);

// Hands every key queued for `id` to take(character, vkey, flags) in the
// order typed, dropping releases unseen, and empties their entries.  The
// entries of other widgets keep their order at the front of the queue.
template <typename Take>
void BTN_take_keys(BTN_key_queue& queue, int id, Take take)
{
    const int count = queue.ctr_slot < 0 ? 0
                      : queue.ctr_slot > BTN_key_queue::queue_size ? BTN_key_queue::queue_size
                                                                    : queue.ctr_slot;
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        const int target = queue.id_slot[i];
        if (target == 0) continue;
        if (target == id) {
            if (queue.char_slot[i] == 0 && queue.vkey_slot[i] == 0) continue;
            if (!(queue.flag_slot[i] & BTN_key_up))
                take(queue.char_slot[i], queue.vkey_slot[i], queue.flag_slot[i]);
            continue;
        }
        queue.char_slot[kept] = queue.char_slot[i];
        queue.vkey_slot[kept] = queue.vkey_slot[i];
        queue.flag_slot[kept] = queue.flag_slot[i];
        queue.id_slot[kept] = target;
        ++kept;
    }
    for (int i = kept; i < count; ++i)
        queue.char_slot[i] = queue.vkey_slot[i] = queue.flag_slot[i] = queue.id_slot[i] = 0;
    queue.ctr_slot = kept;
}

// A widget's focus id from its position: both coordinates truncated.
inline int BTN_widget_id(float x, float y)
{
    return static_cast<int>(x) * 8192 + static_cast<int>(y);
}
