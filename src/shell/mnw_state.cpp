#include "shell/mnw_state.h"

#include "core/diag/frame_clock.h"
#include "core/text/preferences.h"
#include "gfx/draw/colour_table.h"
#include "shell/widget_hooks.h"

namespace {

mnw_struct start_values()
{
    mnw_struct m{};
    m.keylist_up = 1;
    return m;
}

}  // namespace

mnw_struct mnw = start_values();

int return_hit = 0, escape_hit = 0, delete_hit = 0;
int active_popup_code = 0, select_popup_code = 0, popup_menu_select = 0;
int linkey_shft = 0, linkey_ctrl = 0, linkey_optn = 0;
int plot_init_lights = 0;
int ogl_inited = 0;
float randrat[10000];
stls_class stls;

void mnw_bind_fields()
{
    set_ogl_window(&mnw);

    static const struct { const char* key; int mnw_struct::*field; } window_prefs[] = {
        {"_x_res_req_ALL", &mnw_struct::x_res_request}, {"_y_res_req_ALL", &mnw_struct::y_res_request},
        {"_col_res_req", &mnw_struct::colour_res_request}, {"_use_vsync1", &mnw_struct::use_vsync1},
        {"_use_vsync2", &mnw_struct::use_vsync2},        {"_set_res", &mnw_struct::set_res},
        {"_lang", &mnw_struct::language},                {"_alias_req", &mnw_struct::antialias_request},
        {"_keylist_up", &mnw_struct::keylist_up},        {"_sec_mon_inuse", &mnw_struct::second_monitor_in_use},
        {"_prefs_found", &mnw_struct::prefs_found},
    };
    for (const auto& p : window_prefs) pref_bind_int(10, p.key, &(mnw.*p.field));

    xtim_window_fields clock_fields{};
    clock_fields.current_window = &mnw.current_window;
    clock_fields.second_monitor_in_use = &mnw.second_monitor_in_use;
    clock_fields.mouse_x = &mnw.mouse_x;
    clock_fields.mouse_y = &mnw.mouse_y;
    clock_fields.click = &mnw.click;
    clock_fields.button_released = &mnw.button_released;
    clock_fields.button_held = &mnw.button_held;
    clock_fields.quick_release = &mnw.quick_release;
    clock_fields.double_click = &mnw.double_click;
    clock_fields.held_long = &mnw.held_long;
    clock_fields.held_very_long = &mnw.held_very_long;
    clock_fields.last_move_time = &mnw.last_move_time;
    clock_fields.click_time = &mnw.click_time;
    clock_fields.profile_on = &mnw.profile_on;
    xtim_bind_window_fields(clock_fields);

    xtim_ui_hooks ui;
    ui.assign_colour = [](int index, float r, float g, float b) { colr.assign(index, r, g, b); };
    ui.set_colour_red = [](int index, float r) { colr.colours[index][0] = r; };
    ui.unfocus_widgets = [] { shell_widgets().BTN_unfocus_any(); };
    xtim_set_ui_hooks(ui);
}
