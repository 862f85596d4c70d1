// The file chooser, the path fields and the key-binding editor in the
// toolkit's test program, driven with xdotool over folder trees and files
// each test makes in the program's own folder.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

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
        program.click(70, top - 9);
        program.click(80, top - 26 - 12.0f * index);
    }
    void open_dialog(int index)
    {
        const std::string line = "opening " + std::to_string(201 + index);
        const size_t seen = count(line);
        dialogs_menu(index);
        for (int i = 0; i < 200 && count(line) == seen; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    size_t count(const std::string& line) const
    {
        const std::string out = "\n" + program.output();
        size_t n = 0;
        for (size_t at = out.find("\n" + line + "\n"); at != std::string::npos;
             at = out.find("\n" + line + "\n", at + 1))
            ++n;
        return n;
    }
    // What nothing printed marks: the frames after an input have drawn.
    static void let_frames_draw() { std::this_thread::sleep_for(std::chrono::milliseconds(400)); }
    // Keys for one frame's worth of work, then time for frames to run: a key
    // landing in the frame that changes the folder would act in the old one.
    void key(const std::string& keys)
    {
        program.keys("key " + keys);
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
};

TEST_F(toolkit_dialogs, OpenAndSaveWalkAFolderTreeAndAPathFieldBrowses)
{
    const std::string app = program.app_dir();
    for (const char* f : {"Fleet/Alpha/a.txt", "Fleet/Charlie/c.txt", "Fleet/zulu.txt",
                          "Fleet/Bravo-One/1.txt", "Fleet/Bravo-One/2.txt", "Fleet/Bravo-One/3.txt",
                          "Output/movies/other.smo", "Output/movies/take.smo", "Output/movies/zoom.smo"})
        write_file(app + f, "");
    start({"--lang=en", "--kind=19"});

    // The program's folder lists Fleet, menus, the log and Output: the
    // third is selected.  Tab gives the list the keys (a click so soon after
    // the menu's would be a double click).
    open_dialog(0);
    key("Tab");
    program.keys("type fl");
    key("Return");
    key("Up Return");
    let_frames_draw();
    program.screenshot("chooser_in_a_folder_with_a_dash");
    key("Delete");
    // Back in Fleet/; the pop-up offers the program's folder one row up.
    program.click(150, 437, open_w, dialog_h);
    let_frames_draw();
    program.screenshot("chooser_folder_popup");
    program.click(150, 446, open_w, dialog_h);
    key("Tab Up Up Return");
    key("Down Return");
    expect_line("open 1 Fleet/zulu.txt");

    open_dialog(0);
    let_frames_draw();
    program.screenshot("chooser_opens_in_the_folder_of_the_path");
    key("Escape");
    expect_line("open 0 Fleet/zulu.txt");

    open_dialog(1);
    program.keys("type 'flight notes.txt'");
    let_frames_draw();
    program.screenshot("chooser_save");
    key("Return");
    expect_line("save 1 Fleet/flight notes.TXT");

    // The path field at (500, 500) holds "Output/movies/take.smo".
    program.click(483, 503);
    let_frames_draw();
    key("Tab Up Return");
    expect_line("field Output/movies/other.smo");
    let_frames_draw();
    program.screenshot("path_field_after_browsing");
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
    start({"--lang=en", "--kind=3"});

    // The program's folder lists Aircraft and menus: the second is selected.
    open_dialog(0);
    key("Tab");
    program.keys("type ai");
    key("Return");
    // alpha.acf, bravo.acf, Pod|A: bravo is selected and previewed, its
    // red icon in the square from (341, 80) to (541, 280).
    std::vector<int> icon;
    for (int i = 0; i < 40; ++i) {
        const std::string shot = program.screenshot("chooser_aircraft_preview");
        icon = program.pixel(shot, 441, 180, open_w, dialog_h);
        if (icon[0] > 150 && icon[1] < 100 && icon[2] < 100) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    }
    EXPECT_GT(icon[0], 150) << "no red icon in the preview square: " << icon[0] << " " << icon[1]
                            << " " << icon[2];
    EXPECT_LT(icon[1], 100);
    EXPECT_LT(icon[2], 100);
    key("Down Return");
    let_frames_draw();
    program.screenshot("chooser_folder_with_a_bar");
    key("Delete");
    key("Up");
    let_frames_draw();
    program.screenshot("chooser_short_aircraft_file");
    key("Return");
    expect_line("open 1 Aircraft/alpha.acf");
    quit_with_control_q();
}

TEST_F(toolkit_dialogs, TheKeyBindingEditorCapturesDeletesAndBrowses)
{
    // Rows: Ctrl+Q quit (1), F1 sim/view/forward (2), Shift+Ctrl+A
    // sim/view/left (3); the program adds sim/radios/com1_up (4) and
    // com1_down (5).  Rows stand at y 689 - 20 r, x 78.
    program.set_screen(1024, 768);
    start({"--lang=en", "--big"});
    dialogs_menu(2, 768);
    expect_line("editor 0");
    program.click(78, 669);
    key("shift+ctrl+a");
    expect_line("bindings 4:81:1 5:65:2 0:0:3");
    let_frames_draw();
    program.screenshot("key_editor_captured");

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
    program.click(573, 733);
    let_frames_draw();
    program.screenshot("key_editor_command_chooser");
    key("Tab Up Return");
    expect_line("bindings 4:81:1 0:0:4");

    dialogs_menu(3, 768);
    expect_line("editor 1");
    let_frames_draw();
    program.screenshot("key_editor_list_only");
    quit_with_control_q();
}

}  // namespace
