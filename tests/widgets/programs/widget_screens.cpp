// A small program built from the installer's libraries whose main window
// holds one of every widget of the toolkit's first share, so the display
// tests can drive them with xdotool.  Everything the widgets report goes
// to standard output, one line per event.
//
// Layout of the main window (interface units, y up from the bottom):
//   push button "Press" (100, 500), check box (100, 450), popup (300, 450)
//   "Warn" raises a level-1 alert (100, 400), "Ask" the save-changes
//   dialog (100, 350), two key sinks that join the focus ring (100, 250)
//   and (300, 250); menu 0 "Test" on the bar with items "First", "Second";
//   Ctrl+Q bound to the quit command.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "core/shell_hooks.h"
#include "core/files/system_paths.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/command_registry.h"
#include "shell/frame_loop.h"
#include "shell/keys.h"
#include "shell/menu_model.h"
#include "shell/mnw_state.h"
#include "shell/save_changes_and_links.h"
#include "shell/startup.h"
#include "widgets/buttons.h"
#include "widgets/focus_ring.h"
#include "widgets/popup_list.h"
#include "widgets/toolkit_hooks.h"
#include "widgets/widget_sheet.h"

namespace {

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// A widget that only takes keys: it counts the characters typed into it.
struct key_sink {
    int id;
    int chars[64] = {}, vkeys[64] = {}, flags[64] = {}, ids[64] = {};
    int count = 0;
    long typed = 0;
    bool had_focus = false;

    void draw(float x, float y)
    {
        const int focused = BTN_register_focus(id, chars, vkeys, flags, ids, &count, 64, 500,
                                               mnw.click && mnw.mouse_x >= x - 50 &&
                                                   mnw.mouse_x <= x + 50 && mnw.mouse_y >= y - 10 &&
                                                   mnw.mouse_y <= y + 10);
        for (int i = 0; i < count; ++i)
            if (ids[i] == id && (flags[i] & 8)) ++typed;
        count = 0;
        BTN_frame1(9, x, y, 100, 0);
        OGL_number(46, x - 20, y - 4, float(typed), 6, 0, charset_regular);
        if (focused && !had_focus) say("focus " + std::to_string(id));
        had_focus = focused;
    }
};

key_sink first_sink{1}, second_sink{2};
int check = 0, choice = 0;

void app_update()
{
    OGL_plot_back_col();
    if (BTN_action(100, 500, 0, 0, 1, "Press", "-")) say("pressed");
    if (BTN_bool(100, 450, &check, "|Check", 0)) say("check " + std::to_string(check));
    if (BTN_textlist(300, 450, &choice, "Red-Green-Blue", "Colour|"))
        say("chose " + std::to_string(choice));
    if (BTN_action(100, 400, 0, 0, 1, "Warn", "-")) {
        __MACIBM_alert(0, "A warning for the test.", "", "", "", 1, __FILE__, __LINE__);
        say("alert returned");
    }
    if (BTN_action(100, 350, 0, 0, 1, "Ask", "-"))
        say("nuke " + std::to_string(MACIBM_nuke_alert("plan", 1)));
    first_sink.draw(100, 250);
    second_sink.draw(300, 250);
    if (return_hit) say("typed " + std::to_string(first_sink.typed + second_sink.typed));
}

void app_menu(int command) { say("menu " + std::to_string(command)); }

}  // namespace

int main(int argc, char** argv)
{
    std::string folder;
    get_OS_abs_path(os_dir_this_app, folder);
    if (!folder.empty() && chdir(folder.c_str()) != 0) folder.clear();
    set_shell_app_hooks({app_update, app_menu});
    BTN_install_shell_hooks();
    MACIBM_init(argc, argv);
    MACIBM_create_menu(0, 0, "Test");
    MACIBM_append_menu(0, 0, 101, "First");
    MACIBM_append_menu(0, 1, 102, "Second");
    keys.bindings.push_back({81, 4, cmnd.get_cmnd_by_name("sim/operation/quit"), 0});
    say("ready");
    say("language " + std::to_string(mnw.language));
    while (!app_done) MACIBM_event_proc();
    MACIBM_finishup(1);
    return 0;
}
