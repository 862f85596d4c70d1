// MACIBM_startwind and the window table.
#include "shell/window_stack.h"

#include <algorithm>
#include <cmath>

#include "core/text/translation.h"
#include "core/window_ids.h"
#include "gfx/draw/draw_2d.h"
#include "shell/menus.h"
#include "shell/mnw_state.h"
#include "shell/widget_hooks.h"

namespace {

struct window_row {
    int id;
    window_layout layout;
};

const window_row window_table[] = {
    {window_ids::about, {UTL_TEXT("Version and Updates"), 600, 300}},
    {window_ids::alert, {UTL_TEXT("BE ADVISED"), 420, 250}},
    {window_ids::save_changes, {UTL_TEXT("SAY INTENTIONS"), 300, 166}},
    {window_ids::file_question, {UTL_TEXT("SAY INTENTIONS"), 750, 146}},
    {window_ids::install_question, {UTL_TEXT("SAY INTENTIONS"), 700, 206}},
    {window_ids::open_file, {UTL_TEXT("Open"), 561, 474}},
    {window_ids::save_file, {UTL_TEXT("Save"), 330, 474}},
    {window_ids::livery, {UTL_TEXT("Livery"), 561, 474}},
    {window_ids::eula, {UTL_TEXT("EULA"), 500, 300}},
    {window_ids::prefs, {UTL_TEXT("Prefs"), 700, 380}},
};

// Halves away from zero, then truncated toward zero.
float round_half_away(float v) { return std::trunc(v < 0 ? v - 0.5f : v + 0.5f); }

}  // namespace

window_layout window_layout_for(int id)
{
    for (const window_row& row : window_table)
        if (row.id == id) return row.layout;
    return {nullptr, 0, 0};
}

void window_origin(float window_width, float window_height, int screen_width, int screen_height,
                   float ui_scale, float* x, float* y)
{
    float W = static_cast<float>(screen_width);
    const float H = static_cast<float>(screen_height);
    // Two monitors side by side: centre on the left one.
    if (2 * H < W && W < 3 * H) W /= 2;
    const float px = round_half_away((W - window_width * ui_scale) / 2);
    const float py = round_half_away((H - window_height * ui_scale) / 2);
    *x = std::max(0.0f, std::trunc(px / ui_scale));
    *y = std::max(0.0f, std::trunc(py / ui_scale));
}

void MACIBM_startwind(int id, int)
{
    shell_widgets().BTN_begin_focus_ring();
    plot_init_lights = 1;
    mouse_help_per_wind(id);
    OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.0f, 0);

    mnw.modal_flag = 0;
    mnw.window_width = static_cast<float>(mnw.screen_width);
    mnw.window_height = static_cast<float>(mnw.screen_height);
    const window_layout layout = window_layout_for(id);
    if (layout.title) {
        stls.window_title = UTL_translate_string(layout.title, 0);
        mnw.window_width = layout.width;
        mnw.window_height = layout.height;
        mnw.modal_flag = 1;
    }
    shell_widgets().BTN_unfocus_any();
    mnw.open_menu = -1;
    mnw.current_window = id;
    mnw.window_being_set_up = id;
    window_origin(mnw.window_width, mnw.window_height, mnw.screen_width, mnw.screen_height,
                  mnw.ui_scale > 0 ? mnw.ui_scale : 1.0f, &mnw.origin_x, &mnw.origin_y);
    mnw.button_held = 0;
    mnw.click = 0;
    mnw.wheel_clicks = 0;
    if (menu.size() > static_cast<size_t>(kPopupMenu)) {
        menu_struct& popup = menu[kPopupMenu];
        popup.left = popup.bottom = popup.right = popup.top = -1;
    }
}
