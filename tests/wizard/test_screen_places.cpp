// Places on the screens that a user clicks, one row each, clicked at the
// very edge of where they must land: a place moved by a single unit misses.
#include <gtest/gtest.h>

#include <functional>

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

class screen_places : public main_window_test {
protected:
    // Whether a click at (x, y) chooses the server of `row`.
    static std::function<bool(float, float)> chooses_server(int row)
    {
        return [row](float x, float y) {
            stg.server_count = 4;
            stg.server_choice = -1;
            g_wizard = four_servers;
            click_at(x, y);
            APP_update();
            g_wizard = nullptr;
            return stg.server_choice == row;
        };
    }

    // Whether a click at (x, y) opens the folder picker; the question beside
    // "Find It" translated to one wider than its 400 units when `wide`.
    static std::function<bool(float, float)> opens_picker(bool wide, const std::string& table)
    {
        return [=](float x, float y) {
            if (wide) UTL_translate_load_table(2, table);
            all_nsystems.clear();
            g_window_seen = 0;
            click_at(x, y);
            UTIL_pick_install();
            UTL_translate_clear();
            app_done = 0;
            return g_window_seen == window_ids::open_file;
        };
    }

    // Whether choosing `entry` of the system pop-up at (x, y) in the options
    // window stores that system, counted from 1.
    static std::function<bool(float, float)> stores_system(int entry)
    {
        return [entry](float x, float y) {
            stg.target_os = 3;
            g_in_frame = [=] {
                select_popup_code = static_cast<int>(y * 1024 + x);
                popup_menu_select = entry;
                g_in_frame = [] {};
            };
            handle_prefs();
            app_done = 0;
            return stg.target_os == entry + 1;
        };
    }
};

TEST_F(screen_places, EachLandsExactlyWhereItIsSeen)
{
    shell_widget_hooks hooks{};
    hooks.BTN_begin_focus_ring = modal_frame;
    set_shell_widget_hooks(hooks);
    const std::string question = "Is the copy of Nimbrel 9 you're looking for missing from this list?";
    testing_support::scratch_dir dir;
    testing_support::write_file(dir / "wide.txt", "I\n900 version\nTRANSLATION\nSTRING " + question + "====" +
                                                      std::string(120, 'W') + "\n");
    const float find_it = str_dx(question) + 285;  // no copy listed: the question at y 400, the button at 403
    struct place {
        const char* what;
        float x, y;
        std::function<bool(float, float)> lands;
    } places[] = {
        {"the first of four server rows, its foot", 30, 194, chooses_server(0)},
        {"the first of four server rows, its head", 30, 210, chooses_server(0)},
        {"the last of four server rows, its foot", 22, 74, chooses_server(3)},
        {"the last of four server rows, its head", 38, 90, chooses_server(3)},
        {"Find It after a short question, its left foot", find_it - 50, 393, opens_picker(false, "")},
        {"Find It after a short question, its right head", find_it + 50, 413, opens_picker(false, "")},
        {"Find It after a wide question, its left foot", 635, 393, opens_picker(true, dir / "wide.txt")},
        {"Find It after a wide question, its right head", 735, 413, opens_picker(true, dir / "wide.txt")},
        {"the system pop-up, Macintosh", 250, 300, stores_system(0)},
        {"the system pop-up, Windows", 250, 300, stores_system(1)},
    };
    for (const place& p : places) EXPECT_TRUE(p.lands(p.x, p.y)) << p.what;
    reset_shell_widget_hooks();
}

}  // namespace
