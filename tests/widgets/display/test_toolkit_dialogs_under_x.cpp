// The file chooser, the path fields and the key-binding editor in the
// toolkit's test program, driven with xdotool over folder trees and files
// each test makes in the program's own folder.
#include <gtest/gtest.h>

#include <string>

#include "widget_screens_fixture.h"

using testing_support::write_file;

namespace {

// The Open window is 561 by 474 (Save is narrower).  The chooser's list is
// centred on y 180 with rows 10 apart; its folder pop-up sits at (150, 434).
constexpr float open_w = 561, dialog_h = 474;

class toolkit_dialogs : public widget_screens_test {
protected:
    // Item `index` of the "Dialogs" menu, the second on the bar.
    void dialogs_menu(int index, int screen_height = 600)
    {
        const float top = float(screen_height);
        EXPECT_TRUE(program.choose_from_menu({70, top - 9}, {80, top - 26 - 12.0f * index},
                                             "menu " + std::to_string(201 + index)))
            << program.output();
    }
    void open_dialog(int index)
    {
        const std::string line = "opening " + std::to_string(201 + index);
        const int seen = program.output_lines(line);
        dialogs_menu(index);
        EXPECT_TRUE(testing_support::wait_until([&] { return program.output_lines(line) != seen; }, 10, 50))
            << program.output();
        EXPECT_TRUE(window_shown());
    }
    // Keys for one frame's worth of work, then the frames they cause drawn:
    // a key landing in the frame that changes the folder would act in the
    // old one.
    void key(const std::string& keys)
    {
        const testing_support::window_pixels before = program.picture();
        program.keys(keys);
        EXPECT_TRUE(program.wait_for_screen(before, 5)) << keys << " changed nothing";
    }
    // Typed text drawn, as key() waits for keys.
    void type(const std::string& text)
    {
        const testing_support::window_pixels before = program.picture();
        program.type(text);
        EXPECT_TRUE(program.wait_for_screen(before, 5)) << text << " did not show";
    }
};

TEST_F(toolkit_dialogs, OpenAndSaveWalkAFolderTreeAndAPathFieldBrowses)
{
    const std::string app = program.app_dir();
    for (const char* f : {"Fleet/Alpha/a.txt", "Fleet/Charlie/c.txt", "Fleet/zulu.txt",
                          "Fleet/Bravo-One/1.txt", "Fleet/Bravo-One/2.txt", "Fleet/Bravo-One/3.txt",
                          "Output/movies/other.smo", "Output/movies/take.smo", "Output/movies/zoom.smo"})
        write_file(app + f, "");
    start({"--kind=19"});

    // The program's folder lists Fleet, menus, the log and Output: the
    // third is selected.  Tab gives the list the keys (a click so soon after
    // the menu's would be a double click).
    open_dialog(0);
    key("Tab");
    type("fl");
    key("Return");
    key("Up Return");
    program.shot("chooser_in_a_folder_with_a_dash");
    key("Delete");
    // Back in Fleet/; the pop-up offers the program's folder one row up.
    const testing_support::window_pixels closed = program.picture();
    program.click_in(open_w, dialog_h, 150, 437);
    EXPECT_TRUE(program.wait_for_screen(closed, 5)) << "the pop-up did not open";
    program.shot("chooser_folder_popup");
    program.click_in(open_w, dialog_h, 150, 446);
    key("Tab Up Up Return");
    key("Down Return");
    expect_line("open 1 Fleet/zulu.txt");

    open_dialog(0);
    program.shot("chooser_opens_in_the_folder_of_the_path");
    key("Escape");
    expect_line("open 0 Fleet/zulu.txt");

    open_dialog(1);
    type("flight notes.txt");
    program.shot("chooser_save");
    key("Return");
    expect_line("save 1 Fleet/flight notes.TXT");

    // The path field at (500, 500) holds "Output/movies/take.smo".
    program.click(483, 503);
    EXPECT_TRUE(window_shown());
    key("Tab Up Return");
    expect_line("field Output/movies/other.smo");
    program.shot("path_field_after_browsing");
    quit_with_control_q();
}

// An aircraft file as the preview reads it: "i", version 900, then the
// 2092-byte record with its texts at their offsets; cut short when asked.
std::string aircraft(size_t record_bytes = 2092)
{
    std::string record(2092, '\0');
    record.replace(1552, 13, "Bravo Trainer");
    record.replace(1052, 22, "Two seats, one engine.");
    record.replace(2052, 6, "Tested");
    record.replace(1012, 10, "Test pilot");
    return std::string("i\x84\x03\0\0", 5) + record.substr(0, record_bytes);
}

TEST_F(toolkit_dialogs, ThePreviewShowsAnAircraftsTextsAndIconAndSurvivesHostileEntries)
{
    const std::string app = program.app_dir();
    write_file(app + "Aircraft/bravo.acf", aircraft());
    write_file(app + "Aircraft/alpha.acf", aircraft(100));
    write_file(app + "Aircraft/Pod|A/x.acf", aircraft());
    testing_support::run_shell("convert -size 64x64 xc:'#ff0000' '" + app + "Aircraft/bravo_icon.png'");
    start({"--kind=3"});

    // The program's folder lists Aircraft and menus: the second is selected.
    open_dialog(0);
    key("Tab");
    type("ai");
    key("Return");
    // alpha.acf, bravo.acf, Pod|A: bravo is selected and previewed, its
    // red icon in the square from (341, 80) to (541, 280).
    int red = 0, green = 0, blue = 0;
    testing_support::wait_until([&] {
        const uint32_t icon = program.pixel_in(open_w, dialog_h, 441, 180);
        red = static_cast<int>(icon >> 16);
        green = static_cast<int>((icon >> 8) & 0xff);
        blue = static_cast<int>(icon & 0xff);
        return red > 150 && green < 100 && blue < 100;
    }, 10);
    program.shot("chooser_aircraft_preview");
    EXPECT_GT(red, 150) << "no red icon in the preview square: " << red << " " << green << " " << blue;
    EXPECT_LT(green, 100);
    EXPECT_LT(blue, 100);
    key("Down Return");
    program.shot("chooser_folder_with_a_bar");
    key("Delete");
    key("Up");
    program.shot("chooser_short_aircraft_file");
    key("Return");
    expect_line("open 1 Aircraft/alpha.acf");
    quit_with_control_q();
}

TEST_F(toolkit_dialogs, TheKeyBindingEditorCapturesDeletesAndBrowses)
{
    // Rows: Ctrl+Q quit (1), F1 sim/view/forward (2), Shift+Ctrl+A
    // sim/view/left (3); the program adds sim/radios/com1_up (4) and
    // com1_down (5).  Rows stand at y 689 - 20 r, x 78.
    start({"--big"});
    dialogs_menu(2, 768);
    expect_line("editor 0");
    program.click(78, 669);
    key("shift+ctrl+a");
    expect_line("bindings 4:81:1 5:65:2 0:0:3");
    program.shot("key_editor_captured");

    program.click(477, 160);  // "Delete Selected Key Assignment"
    expect_line("bindings 4:81:1 0:0:3");
    // The selection stays on row 1, now sim/view/left: the groups column
    // lists none/, operation/, view/, radios/ down from y 685.
    program.click(403, 643);
    expect_line("bindings 4:81:1 0:0:4");
    program.click(597, 673);  // the second item, com1_down
    expect_line("bindings 4:81:1 0:0:5");

    // The path field's browse button opens the chooser on "sim/radios/",
    // com1_down selected; the row above it is com1_up.
    const testing_support::window_pixels editor = program.picture();
    program.click(573, 733);
    EXPECT_TRUE(program.wait_for_screen(editor, 5)) << "no chooser";
    program.shot("key_editor_command_chooser");
    key("Tab Up Return");
    // Printed once before: the menu is clicked only once the chooser has
    // closed and the editor's key list is drawn again where the chooser
    // left the background, or its closing would pass for the menu opening.
    EXPECT_TRUE(testing_support::wait_until([&] { return program.output_lines("bindings 4:81:1 0:0:4") == 2; }, 10))
        << program.output();
    EXPECT_TRUE(program.wait_for_light(100, 368, 10));

    dialogs_menu(3, 768);
    expect_line("editor 1");
    // The list alone: the command's path field gone from the top.
    EXPECT_TRUE(program.wait_for([](const testing_support::window_pixels& p) {
        return !testing_support::light_at(p, 700, 733);
    }, 10));
    program.shot("key_editor_list_only");
    quit_with_control_q();
}

}  // namespace
