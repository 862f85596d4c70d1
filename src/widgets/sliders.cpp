#include "widgets/sliders.h"

#include <algorithm>

#include "core/diag/frame_clock.h"
#include "core/shell_hooks.h"
#include "shell/mnw_state.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_context.h"
#include "widgets/widget_sheet.h"

using namespace sheet_layout;

namespace {

auto& slider_grabbed = BTN_context.slider_grabbed;
constexpr int slot_count = sizeof BTN_context.slider_grabbed / sizeof BTN_context.slider_grabbed[0];

// act_tick index of the 0.2-second tick that paces a held arrow.
constexpr int repeat_tick = 5;

std::string slider_left, slider_right, slider_help;

}  // namespace

void BTN_release_sliders() { std::fill(slider_grabbed, slider_grabbed + slot_count, 0); }

// -- Horizontal slider ---

int BTN_horz_slider(float x, float y, float width, int colour, float lo, float hi, float* value,
                    int editable, std::string label, std::string caption)
{
    BTN_expand_label(label, &slider_left, &slider_right, &slider_help);
    if (hi >= lo - 0.01f && hi <= lo + 0.01f) {
        if (hi > lo)
            hi = lo + 0.01f;
        else
            lo = hi + 0.01f;
    }
    const float min = std::min(lo, hi), max = std::max(lo, hi);

    BTN_frame1(7, x + width / 2, y, width, 0);
    BTN_util_draw_label(x - 8, y, 0, slider_left, 0);
    BTN_util_draw_label(x + width + 8, y, 2, slider_right, 0);
    if (BTN_mouse_in(x, x + width, y - 7, y + 7)) stls.hover_help = slider_help;
    BTN_text(46, x + width / 2, y + 10, caption, 9999, charset_regular, 1);

    const float fill = std::clamp((*value - lo) * width / (hi - lo), 0.0f, std::max(width, 0.0f));
    int result = 0;
    if (editable && mnw.button_held && BTN_mouse_in(x - 20, x + width + 20, y - 20, y + 20)) {
        *value = width == 0 ? (min + max) / 2
                            : std::clamp(min + (mnw.mouse_x - x) * (max - min) / width, min, max);
        result = 1;
    }
    if (colour != 12 && fill > 0) {
        const float fw = 2.0f * int(int(fill) / 2.0f + 0.5f);
        BTN_frame1(8, x + fw / 2, y + 4, fw, colour);
    }
    if (editable) {
        const float kx = std::clamp(x + (*value - min) * width / (max - min), x, x + width);
        BTN_sheet_quad(0, kx - 10, y + 2 - 11, kx + 10, y + 2 + 11, slider_knob);
    }
    return result;
}

// -- Scroll bar ---

int BTN_vert_slider(int slot, float x, float y_bottom, float y_top, int lo, int hi, int* value)
{
    BTN_frame0(6, x, (y_bottom + y_top) / 2, y_top - y_bottom);
    if (hi <= lo) return 0;
    if (slot < 0 || slot >= slot_count) {
        __MACIBM_alert(0, "Too many sliders!", "", "", "", 2, "butn", __LINE__);
        return 0;
    }
    const float top_y = y_top - 10, bottom_y = y_bottom + 9;
    const float ky = std::clamp(top_y + (*value - lo) * (bottom_y - top_y) / float(hi - lo),
                                bottom_y, top_y);
    int v = *value;
    int& grabbed = slider_grabbed[slot];
    if (mnw.button_held) {
        if (BTN_mouse_in(x - 11, x + 11, ky - 11, ky + 11)) grabbed = 1;
    } else {
        grabbed = 0;
    }
    if (grabbed) {
        const float reach = (y_bottom + 11) - (y_top - 11);
        v = int(lo + (mnw.mouse_y - (y_top - 11)) * (hi - lo) / reach);
    } else if ((mnw.click || (mnw.held_long && xtim.act_tick[repeat_tick])) &&
               x - 11 <= mnw.mouse_x && mnw.mouse_x <= x + 11) {
        const float my = mnw.mouse_y;
        if (y_top <= my && my <= y_top + 20) v -= 1;
        if (y_bottom - 20 <= my && my <= y_bottom) v += 1;
        if (y_bottom <= my && my <= y_top) v += my < ky ? 10 : -10;
    }
    *value = std::clamp(v, lo, hi);

    const int colour = grabbed ? 50 : 0;
    BTN_sheet_quad(colour, x - 9, y_top - 3, x + 9, y_top + 19, scroll_up_arrow);
    BTN_sheet_quad(colour, x - 9, ky - 12, x + 9, ky + 12, scroll_knob);
    BTN_sheet_quad(colour, x - 9, y_bottom - 21, x + 9, y_bottom + 1, scroll_down_arrow);
    return grabbed;
}
