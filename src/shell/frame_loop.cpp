// One frame, and the menus' mouse handling.
//
//   -- The frame ---
//   -- Mouse on menus ---
//   -- Mouse position and small queries ---
#include "shell/frame_loop.h"

#include <cerrno>

#include "core/threads/exce.h"
#include "core/diag/error_codes.h"
#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/diag/memory_reserve.h"
#include "core/text/translation.h"
#include "core/window_ids.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/textures/texture_manager.h"
#include "shell/keys.h"
#include "shell/menus.h"
#include "shell/mnw_state.h"
#include "shell/movie_hooks.h"
#include "shell/stop_signals.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"
#include "shell/x11_events.h"
#include "shell/x11_window.h"
#include "core/shell_hooks.h"

namespace {

shell_app_hooks app = {[] {}, [](int) {}};

bool inside(float left, float bottom, float right, float top)
{
    return left <= mnw.mouse_x && mnw.mouse_x <= right && bottom <= mnw.mouse_y && mnw.mouse_y <= top;
}

template <typename Rect>
bool inside(const Rect& r)
{
    return inside(r.left, r.bottom, r.right, r.top);
}

// Each kind of texture failure is told once, then muted until the texture
// manager has a new one to report.
void report_texture_failures()
{
    if (tman.has_scene_load_fail()) {
        __MACIBM_alert(0, "Some scenery textures could not be loaded.",
                       "This may be an installation problem or you may have a damaged add-on scenery package.",
                       "Please see the log.txt file for a detailed list of missing files.", "", 1,
                       __FILE__, __LINE__);
        tman.mute_scene_load_fail();
    }
    if (tman.has_plane_load_fail()) {
        __MACIBM_alert(0, "Some textures for the aircraft you selected could not be loaded.",
                       "This may be an installation problem or you may have a damaged add-on aircraft package.",
                       "Please see the log.txt file for a detailed list of missing files.", "", 1,
                       __FILE__, __LINE__);
        tman.mute_plane_load_fail();
    }
    if (tman.has_instl_load_fail()) {
        __MACIBM_alert(0, "Some textures could not be loaded.",
                       "This may be an installation problem.  Run the installer/updater again to get these missing textures.",
                       "Please see the log.txt file for a detailed list of missing files.", "", 1,
                       __FILE__, __LINE__);
        tman.mute_instl_load_fail();
    }
}

// An allocation of this frame found no memory and what it needed has not
// come back: the next frame could end the program without a word, in code
// that cannot take a failed allocation.  Told once, as a fatal alert, which
// the reserve's room lets the window draw.
void end_when_memory_ran_out()
{
    static bool told = false;
    if (told || memory_reserve_restored()) return;
    told = true;
    xer << "An allocation on the main thread found no memory, and none came back.\n";
    __MACIBM_alert(0, UTL_translate_string("The installer ran out of memory.", 0),
                   UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_text(ENOMEM)), "", "", 2,
                   __FILE__, __LINE__);
}

// The first item under the mouse that may be chosen, or -1.
int item_under_mouse(const menu_struct& m)
{
    for (size_t i = 0; i < m.items.size(); ++i) {
        const item_struct& item = m.items[i];
        if (item.text.empty() || item.text[0] == '-' || item.text[0] == '=') continue;
        if (inside(item)) return static_cast<int>(i);
    }
    return -1;
}

bool choose_item()
{
    if (mnw.open_menu < 0 || static_cast<size_t>(mnw.open_menu) >= menu.size()) return false;
    const menu_struct& open = menu[static_cast<size_t>(mnw.open_menu)];
    const int chosen = item_under_mouse(open);
    if (chosen < 0) return false;
    if (mnw.open_menu == kPopupMenu) {
        select_popup_code = active_popup_code;
        active_popup_code = 0;
        popup_menu_select = chosen;
    } else {
        app.APP_handlemenu(open.items[static_cast<size_t>(chosen)].command);
    }
    mnw.open_menu = -1;
    mnw.click = 0;
    return true;
}

// The first bar title, or title of the open menu's submenus, under the mouse.
int title_under_mouse()
{
    const int last = std::min<int>(static_cast<int>(menu.size()), kPopupMenu);
    for (int i = 0; i < last; ++i) {
        const menu_struct& m = menu[static_cast<size_t>(i)];
        if ((m.parent == -1 || m.parent == mnw.open_menu) && inside(m)) return i;
    }
    return -1;
}

}  // namespace

void set_shell_app_hooks(const shell_app_hooks& hooks)
{
    if (hooks.APP_update) app.APP_update = hooks.APP_update;
    if (hooks.APP_handlemenu) app.APP_handlemenu = hooks.APP_handlemenu;
}

// -- The frame ---

void MACIBM_event_proc()
{
    static int win_started = 0;
    // Modal windows run their own frames from inside the program's frame.
    // When one closes mid-frame the main window is current again, but the
    // program is still inside its own update: entering it a second time
    // would start the screen that opened the window anew.
    static int depth = 0;
    struct frame_depth {
        frame_depth() { ++depth; }
        ~frame_depth() { --depth; }
    } nesting;
    xtim.profile_chart("init", 0);
    act_on_stop_signal();
    return_hit = escape_hit = delete_hit = 0;
    mnw.click = mnw.button_released = mnw.key_pressed = 0;
    if (mnw.current_window == -1) mnw.current_window = 0;
    if (!win_started) {
        win_started = 1;
        MACIBM_startwind(mnw.current_window, 0);
    }
    xtim.profile_chart("startwin", 0);

    x11_wait_for_input(16000);
    x11_handle_pending_events(0);
    if (mnw.second_window_open) x11_handle_pending_events(1);
    xtim.profile_chart("event", 0);
    xtim.profile_chart("netlist", 0);

    if (mnw.current_window == 0) {
        THREAD_check_exception(1);
        if (mnw.current_window == 0) report_texture_failures();
    }
    xtim.xtim_update();
    keys.run_repeat_keys();
    mnw.cursor_request = 0;

    if (mnw.open_menu >= 0) {
        for (size_t i = 0; i < menu.size(); ++i)
            if (menu[i].parent == -1 && inside(menu[i]) && static_cast<int>(i) != mnw.open_menu)
                MACIBM_handleclick(0);
    }
    xtim.profile_chart("menu", 0);

    shell_widgets().BTN_begin_focus_ring();
    if (mnw.modal_flag == 0 && depth == 1) app.APP_update();
    mouse_help_per_wind(mnw.current_window);
    standard_gui();
    if (qtim.mov_per_frame() == 0) {
        OGL_sbuff();
        ++xtim.frame_count;
    }
    xtim.profile_chart("sbuff", 0);
    end_when_memory_ran_out();
    xtim.profile_chart("oglwork", 0);
    xtim.profile_chart("finish", 1);
}

// -- Mouse on menus ---

void MACIBM_handleclick(int default_action)
{
    if (mnw.current_window != 0) {
        const int id = mnw.current_window;
        const bool menus_only = id == window_ids::alert || id == window_ids::save_changes ||
                                id == window_ids::file_question || id == window_ids::open_file ||
                                id == window_ids::save_file;
        if (!menus_only) {
            const float band_bottom = mnw.window_height - 20, band_top = mnw.window_height;
            if (default_action || inside(0, band_bottom, 25, band_top) ||
                inside(mnw.window_width - 25, band_bottom, mnw.window_width, band_top)) {
                shell_widgets().BTN_zap_boxes(1);
                OGL_sbuff();
                return_hit = 0;
                MACIBM_startwind(0, default_action);
                return;
            }
        }
    } else {
        const int title = title_under_mouse();
        if (title >= 0) {
            mnw.open_menu = title == mnw.open_menu ? -1 : title;
            mnw.click = 0;
            mnw.click_time = xtim.real_time;
            return;
        }
    }
    if (!choose_item()) mnw.open_menu = -1;
}

void MACIBM_handlerelease()
{
    // A quick press and release leaves an opened menu open (click, then
    // click again to choose); a press held for a second lets the user drag
    // to an item and release on it.
    if (xtim.real_time < mnw.click_time + 1.0f) return;
    if (mnw.current_window == 0) {
        const int title = title_under_mouse();
        if (title >= 0) {
            if (title == mnw.open_menu) mnw.open_menu = -1;
            return;
        }
    }
    choose_item();
}

// -- Mouse position and small queries ---

void MACIBM_load_mxy(unsigned long window, int x, int y)
{
    const float scale = mnw.ui_scale > 0 ? mnw.ui_scale : 1.0f;
    mnw.mouse_x = static_cast<float>(x) / scale;
    mnw.mouse_y = static_cast<float>(mnw.screen_height - y) / scale;
    if (mnw.second_window_open && mnw.second_monitor_in_use && mnw.second_window &&
        window == mnw.second_window) {
        mnw.mouse_x += static_cast<float>(mnw.screen_width) / scale;
        mnw.mouse_window = 0;
        return;
    }
    mnw.mouse_x -= mnw.origin_x;
    mnw.mouse_y -= mnw.origin_y;
    mnw.mouse_window = mnw.window_being_set_up;
}

void MACIBM_movemouse(int x, int y, int window_index)
{
    mnw.mouse_x = static_cast<float>(x + (mnw.second_monitor_in_use ? mnw.screen_width : 0));
    mnw.mouse_y = static_cast<float>(y);
    x11_warp_pointer(mnw.x_window(window_index), x, mnw.screen_height - y);
}

int has_shiftkey() { return linkey_shft; }
int has_controlkey() { return linkey_ctrl; }
int has_optionkey() { return linkey_optn; }
int has_capslock() { return 0; }
int accept_item(int) { return 1; }
void get_check_cmnd(int, int, int*, std::string*) {}
