#include "toolkit_stand_ins.h"

#include "shell/mnw_state.h"
#include "widgets/field_needs.h"

namespace stand_in {

std::vector<ring_entry> ring;
int focus_id = 0;
int wind_focus = 0;
int slider_calls = 0;

void begin_frame()
{
    ring.clear();
    wind_focus = 0;
    if (mnw.click) focus_id = 0;
}

bool press(int character, int vkey, int flags)
{
    for (const ring_entry& e : ring) {
        if (e.id != focus_id) continue;
        const int n = *e.count;
        if (n >= e.size) return false;
        e.char_queue[n] = character;
        e.vkey_queue[n] = vkey;
        e.flag_queue[n] = flags;
        e.id_queue[n] = e.id;
        *e.count = n + 1;
        return true;
    }
    return false;
}

}  // namespace stand_in

__attribute__((weak)) int BTN_register_focus(int id, int* char_queue, int* vkey_queue,
                                             int* flag_queue, int* id_queue, int* queue_count,
                                             int queue_size, int key_mask, int grab)
{
    stand_in::ring.push_back(
        {id, char_queue, vkey_queue, flag_queue, id_queue, queue_count, queue_size, key_mask});
    if (grab) stand_in::focus_id = id;
    return id == stand_in::focus_id;
}

__attribute__((weak)) int BTN_no_focus_yet()
{
    return stand_in::wind_focus == 0 && stand_in::focus_id == 0;
}

__attribute__((weak)) void BTN_expand_label(const std::string& label, std::string* left,
                                            std::string* right, std::string* help)
{
    const size_t bar = label.rfind('|');
    const size_t brace = label.rfind('{');
    const size_t brace_at = brace == std::string::npos ? label.size() : brace;
    const size_t cut = bar == std::string::npos ? brace_at : bar;
    *left = label.substr(0, cut);
    *right = bar == std::string::npos || bar > brace_at ? "" : label.substr(bar + 1, brace_at - bar - 1);
    *help = brace == std::string::npos || brace + 2 > label.size() ? "" : label.substr(brace + 2);
}

__attribute__((weak)) void BTN_util_draw_label(float, float, int, const std::string&, int) {}
__attribute__((weak)) void BTN_frame1(int, float, float, float, int) {}
__attribute__((weak)) void BTN_frame2(int, float, float, float, float, std::string, float) {}

__attribute__((weak)) int BTN_vert_slider(int, float, float, float, int, int, int*)
{
    ++stand_in::slider_calls;
    return 0;
}
