// A small program built from the installer's libraries whose main window
// holds one of every widget of the toolkit, so the display tests can drive
// them with xdotool.  Everything the widgets report goes to standard
// output, one line per event.
//
// Layout of the main window (interface units, y up from the bottom):
//   push button "Press" (100, 500), check box (100, 450), popup (300, 450)
//   "Warn" raises a level-1 alert (100, 400), "Ask" the save-changes
//   dialog (100, 350), two key sinks that join the focus ring (100, 250)
//   and (300, 250); path fields with their browse buttons at (500, 500)
//   (a std::string, every file), (500, 450) (a char array of 10, folders)
//   and (500, 400) (a folder and a name, text files).
// Menus come from menus/<language>/widget_menus.txt: "Test" with "First"
// and "Second" (101, 102); "Dialogs" with Open (201) and Save (202) of the
// file kind given by "--kind=N" (0 by default), and the key-binding editor
// in full (203) and as a list (204), shown instead of the widgets until
// chosen again, and the about box (205), which checks for a newer release
// through the proxy of the installer's preference file (or "--pref:").
// "--big" makes the main window 1024 by 768, as the editor
// needs.  Ctrl+Q is bound to the quit command, F1 and Shift+Ctrl+A to two
// commands of the program's own.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/shell_hooks.h"
#include "core/files/system_paths.h"
#include "core/text/preferences.h"
#include "engine/http_client.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/about_box.h"
#include "shell/command_registry.h"
#include "shell/frame_loop.h"
#include "shell/keys.h"
#include "shell/menu_files.h"
#include "shell/mnw_state.h"
#include "shell/save_changes_and_links.h"
#include "shell/startup.h"
#include "shell/window_stack.h"
#include "shell/x11_window.h"
#include "widgets/buttons.h"
#include "widgets/file_chooser.h"
#include "widgets/focus_ring.h"
#include "widgets/path_fields.h"
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
int file_kind = 0;
// A menu choice waiting for the next frame: dialogs run their own frames,
// which must not start inside the event handling that chose them.
int pending_command = 0;
// -1 the widgets, else the key-binding editor in that mode.
int editor_mode = -1;
std::string chosen_path, field_path = "Output/movies/take.smo", file_folder;
char short_path[10] = "", file_name[40] = "";

void run_menu_command(int command)
{
    if (command == 201 || command == 202) {
        say("opening " + std::to_string(command));
        const int result = BTN_opensave(command == 201 ? 998 : 999, file_kind, &chosen_path);
        say((command == 201 ? "open " : "save ") + std::to_string(result) + " " + chosen_path);
    } else if (command == 203 || command == 204) {
        const int mode = command - 203;
        editor_mode = editor_mode == mode ? -1 : mode;
        say("editor " + std::to_string(editor_mode));
    } else if (command == 205) {
        say("about");
        MACIBM_about();
        say("about closed");
    }
}

void say_bindings()
{
    std::string line = "bindings";
    for (const key_binding& row : keys.bindings)
        line += " " + std::to_string(row.modifiers) + ":" + std::to_string(row.vkey) + ":" +
                std::to_string(row.command);
    say(line);
}

void path_fields()
{
    if (BTN_select_path_stl(500, 500, 998, 0, &field_path, 60, "File{ Pick any file", 200, 0))
        say("field " + field_path);
    if (BTN_select_path_chr(500, 450, 998, 1, short_path, 10, "Folder", 200, 0))
        say("short " + std::string(short_path));
    if (BTN_select_file_chr(500, 400, 999, 19, file_name, &file_folder, 40, "Notes", 200))
        say("notes " + file_folder + " " + file_name);
}

void app_update()
{
    OGL_plot_back_col();
    if (pending_command) {
        const int command = pending_command;
        pending_command = 0;
        run_menu_command(command);
    }
    if (editor_mode >= 0) {
        const std::vector<key_binding> before = keys.bindings;
        keys.keys_wind(editor_mode);
        bool changed = before.size() != keys.bindings.size();
        for (size_t i = 0; !changed && i < before.size(); ++i)
            changed = std::memcmp(&before[i], &keys.bindings[i], sizeof before[i]) != 0;
        if (changed) say_bindings();
        return;
    }
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
    path_fields();
    if (return_hit) say("typed " + std::to_string(first_sink.typed + second_sink.typed));
}

void app_menu(int command)
{
    say("menu " + std::to_string(command));
    pending_command = command;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string folder;
    get_OS_abs_path(os_dir_this_app, folder);
    if (!folder.empty() && chdir(folder.c_str()) != 0) folder.clear();
    bool big = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--kind=", 7) == 0) file_kind = std::atoi(argv[i] + 7);
        big = big || std::strcmp(argv[i], "--big") == 0;
    }
    set_shell_app_hooks({app_update, app_menu});
    BTN_install_shell_hooks();
    MACIBM_init(argc, argv);
    http_bind_preferences();
    pref.IO_set(11, 0);
    if (big) {
        mnw.x_res_request = 1024;
        mnw.y_res_request = 768;
        mnw.set_res = 1;
        MACIBM_setres(1);
        OGL_pix_specs(0);
        MACIBM_startwind(0, 0);
    }
    MACIBM_read_menus("", "widget_menus.txt");
    keys.bindings.push_back({81, 4, cmnd.get_cmnd_by_name("sim/operation/quit"), 0});
    keys.bindings.push_back({112, 0, cmnd.add_cmd("sim/view/forward", "Look straight ahead."), 0});
    keys.bindings.push_back({65, 5, cmnd.add_cmd("sim/view/left", "Look to the left."), 0});
    cmnd.add_cmd("sim/radios/com1_up", "COM 1 up a step.");
    cmnd.add_cmd("sim/radios/com1_down", "COM 1 down a step.");
    say("ready");
    say("language " + std::to_string(mnw.language));
    while (!app_done) MACIBM_event_proc();
    MACIBM_finishup(1);
    return 0;
}
