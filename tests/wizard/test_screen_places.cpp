// Places on the screens that a user clicks, each clicked at two opposite
// corners of where it must land: a place moved by a single unit misses.
// (The disk-space readout, which is only seen: the translated walk.)
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/window_ids.h"
#include "engine/installer_state.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/mnw_state.h"
#include "shell/widget_hooks.h"
#include "wizard/app_update.h"
#include "wizard/options_window.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_screen.h"

#include "main_window_test.h"

namespace {

// Each frame of a modal window's loop ends in the focus-ring hook: it
// notes the window and runs `g_in_frame`, and unless that asks for another
// frame the loop ends there.
int g_window_seen = 0;
std::function<void()> g_in_frame;
void modal_frame()
{
    g_window_seen = mnw.current_window;
    const std::function<void()> now = std::move(g_in_frame);
    g_in_frame = nullptr;
    if (now) now();  // it may ask for another frame by setting g_in_frame
    if (!g_in_frame) app_done = 1;
}

int four_servers(int, wizard_screen& r)
{
    r.show_servers = 1;
    return 0;
}

using screen_places = main_window_test;
using click = std::tuple<float, float, int>;

TEST_F(screen_places, EachLandsExactlyWhereItIsSeen)
{
    shell_widget_hooks hooks{};
    hooks.BTN_begin_focus_ring = modal_frame;
    set_shell_widget_hooks(hooks);

    // The first and the last of four server rows on the wizard's left panel.
    g_wizard = four_servers;
    stg.server_count = 4;
    for (const auto& [x, y, row] : std::vector<click>{{30, 194, 0}, {30, 210, 0}, {22, 74, 3}, {38, 90, 3}}) {
        stg.server_choice = -1;
        click_at(x, y);
        APP_update();
        EXPECT_EQ(stg.server_choice, row) << "a click at " << x << ", " << y;
    }
    g_wizard = nullptr;

    // "Find It" after the question (no copy listed: the question at y 400,
    // the button at 403), then after a question translated to one wider
    // than its 400 units.
    const std::string question = "Is the copy of Nimbrel 9 you're looking for missing from this list?";
    testing_support::scratch_dir dir;
    testing_support::write_file(dir / "wide.txt", "I\n900 version\nTRANSLATION\nSTRING " + question + "====" +
                                                      std::string(120, 'W') + "\n");
    const float find_it = str_dx(question) + 285;
    for (const auto& [x, y, wide] :
         std::vector<click>{{find_it - 50, 393, 0}, {find_it + 50, 413, 0}, {635, 393, 1}, {735, 413, 1}}) {
        if (wide) UTL_translate_load_table(2, dir / "wide.txt");
        all_nsystems.clear();
        g_window_seen = 0;
        click_at(x, y);
        UTIL_pick_install();
        UTL_translate_clear();
        app_done = 0;
        EXPECT_EQ(g_window_seen, window_ids::open_file) << "a click at " << x << ", " << y;
    }

    // The options window's system pop-up at (250, 300): the entry chosen
    // is the system stored, counted from 1.
    for (const int entry : {0, 1}) {
        stg.target_os = 3;
        g_in_frame = [entry] {
            select_popup_code = 300 * 1024 + 250;
            popup_menu_select = entry;
            g_in_frame = [] {};
        };
        handle_prefs();
        app_done = 0;
        EXPECT_EQ(stg.target_os, entry + 1) << "entry " << entry;
    }
    reset_shell_widget_hooks();
}

}  // namespace
