#include "widgets/focus_ring.h"

#include <algorithm>
#include <cctype>

#include "core/window_ids.h"
#include "shell/mnw_state.h"
#include "widgets/widget_context.h"

std::vector<focus_info_t>& focus_ring = BTN_context.focus_ring;
int& focus_id = BTN_context.focus_id;
int& wind_focus = BTN_context.wind_focus;

namespace {

constexpr int alert_window_id = window_ids::alert;

using pending_key = widget_context::pending_key;
constexpr int pending_capacity = widget_context::pending_capacity;
auto& pending = BTN_context.pending;
int& pending_count = BTN_context.pending_count;
int& pending_first = BTN_context.pending_first;
int& pending_id = BTN_context.pending_id;
int*& pending_queue = BTN_context.pending_queue;

void drop_pending()
{
    pending_count = pending_first = 0;
    pending_id = 0;
    pending_queue = nullptr;
}

// Moves waiting keys into the widget's queue while it has room.
void flush_pending(const focus_info_t& e)
{
    while (pending_first < pending_count && *e.queue_count >= 0 && *e.queue_count < e.queue_size) {
        const pending_key& k = pending[pending_first++];
        const int n = *e.queue_count;
        e.char_queue[n] = k.character;
        e.vkey_queue[n] = k.vkey;
        e.flag_queue[n] = k.flags;
        e.id_queue[n] = e.id;
        *e.queue_count = n + 1;
    }
    if (pending_first == pending_count) drop_pending();
}

// A full queue may hold keys of a widget of the kind that is no longer
// drawn (the screen changed under it); those will never be read, so they
// make room rather than the keyboard going dead.
void drop_keys_of_undrawn_widgets(const focus_info_t& e)
{
    int kept = 0;
    const int n = std::min(*e.queue_count, e.queue_size);
    for (int i = 0; i < n; ++i) {
        bool drawn = false;
        for (const focus_info_t& other : focus_ring)
            if (other.id == e.id_queue[i] && other.queue_count == e.queue_count) drawn = true;
        if (!drawn) continue;
        e.char_queue[kept] = e.char_queue[i];
        e.vkey_queue[kept] = e.vkey_queue[i];
        e.flag_queue[kept] = e.flag_queue[i];
        e.id_queue[kept] = e.id_queue[i];
        ++kept;
    }
    *e.queue_count = kept;
}

int focus_first_on_tab(bool tab_press)
{
    if (tab_press && !focus_ring.empty()) {
        focus_id = focus_ring.front().id;
        return 1;
    }
    return 0;
}

}  // namespace

void BTN_begin_focus_ring()
{
    focus_ring.clear();
    wind_focus = 0;
}

int BTN_register_focus(int id, int* char_queue, int* vkey_queue, int* flag_queue, int* id_queue,
                       int* queue_count, int queue_size, int key_mask, int grab)
{
    focus_ring.push_back(
        {id, char_queue, vkey_queue, flag_queue, id_queue, queue_count, queue_size, key_mask});
    if (grab) focus_id = id;
    if (pending_count > 0 && id == pending_id && queue_count == pending_queue) {
        if (id == focus_id)
            flush_pending(focus_ring.back());
        else
            drop_pending();
    }
    return id == focus_id ? 1 : 0;
}

int BTN_key_class_of(int character, int vkey)
{
    switch (vkey) {
    case 9: return BTN_class_tab;
    case 13: case 187: return BTN_class_return;
    case 8: case 46: return BTN_class_delete;
    case 27: return BTN_class_escape;
    default: break;
    }
    if (vkey >= 33 && vkey <= 40) return BTN_class_navigation;
    if (character == '+' || character == '-') return BTN_class_sign;
    if (character >= '0' && character <= '9') return BTN_class_digit;
    if ((character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z'))
        return BTN_class_letter;
    if (character > 127 || (character >= 0 && std::isprint(character))) return BTN_class_printable;
    return BTN_class_other;
}

int BTN_dispatch_to_focus(int character, int vkey, int flags)
{
    if (mnw.current_window == alert_window_id) return 0;
    const bool tab_press = vkey == 9 && !(flags & 16);
    if (focus_id == 0) return focus_first_on_tab(tab_press);

    size_t index = 0;
    while (index < focus_ring.size() && focus_ring[index].id != focus_id) ++index;
    if (index == focus_ring.size()) {
        focus_id = 0;
        drop_pending();
        return focus_first_on_tab(tab_press);
    }
    const focus_info_t& e = focus_ring[index];
    if (tab_press && !(e.key_mask & BTN_class_tab)) {
        const size_t count = focus_ring.size();
        const size_t next = (flags & 1) ? (index + count - 1) % count : (index + 1) % count;
        focus_id = focus_ring[next].id;
        return 1;
    }
    if (!(e.key_mask & BTN_key_class_of(character, vkey))) return 0;

    if (pending_count > 0 && (pending_id != focus_id || pending_queue != e.queue_count)) drop_pending();
    if (*e.queue_count >= e.queue_size) drop_keys_of_undrawn_widgets(e);
    const int n = *e.queue_count;
    if (pending_count > 0 || n < 0 || n >= e.queue_size) {
        // Still full: the key waits for the widget to read its queue.  Past
        // the waiting room it is lost rather than written beyond the arrays
        // or handed to a key binding.
        if (pending_count == pending_capacity && pending_first > 0) {
            std::copy(pending + pending_first, pending + pending_count, pending);
            pending_count -= pending_first;
            pending_first = 0;
        }
        if (pending_count < pending_capacity) {
            pending[pending_count++] = {character, vkey, flags};
            pending_id = focus_id;
            pending_queue = e.queue_count;
        }
        return 1;
    }
    e.char_queue[n] = character;
    e.vkey_queue[n] = vkey;
    e.flag_queue[n] = flags;
    e.id_queue[n] = focus_id;
    *e.queue_count = n + 1;
    return 1;
}

void BTN_unfocus_any()
{
    focus_id = 0;
    drop_pending();
}

void BTN_focus_any() { focus_id = focus_ring.empty() ? 0 : focus_ring.front().id; }

void BTN_window_has_focus() { wind_focus = 1; }

int BTN_no_focus_yet() { return wind_focus == 0 && focus_id == 0 ? 1 : 0; }

void BTN_text_to_clipboard(const std::string&) {}
int BTN_is_text_on_clipboard() { return 0; }
int BTN_text_from_clipboard(std::string&) { return 0; }
