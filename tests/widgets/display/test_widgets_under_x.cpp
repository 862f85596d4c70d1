// The widgets in a real window on the shared Xvfb, driven with xdotool.
// The program (programs/widget_screens.cpp) prints one line per event.
#include <gtest/gtest.h>

#include "widget_screens_fixture.h"

namespace {

class widgets_under_x : public widget_screens_test {};

// Alert window 994 is 420 by 250; its button sits at (210, 18).
constexpr float alert_w = 420, alert_h = 250;

TEST_F(widgets_under_x, ClicksReachButtonsAndCheckBoxes)
{
    start();
    program.click(100, 500);
    expect_line("pressed");
    program.click(100, 452);
    expect_line("check 1");
    program.click(100, 452);
    expect_line("check 0");
    program.shot("buttons_and_check_box");
    quit_with_control_q();
}

TEST_F(widgets_under_x, WarningShowsItsWindowAndReturnsOnItsButton)
{
    start();
    program.click(100, 400);
    // The alert runs frames of its own: nothing to wait on but the screen.
    ASSERT_TRUE(window_shown());
    program.shot("alert_window");
    EXPECT_EQ(program.output().find("alert returned"), std::string::npos)
        << "the alert returned before it was answered";
    program.click_in(alert_w, alert_h, 210, 18);
    expect_line("alert returned");
    quit_with_control_q();
}

TEST_F(widgets_under_x, SaveChangesDialogAnswersOneTwoAndThree)
{
    start();
    // Window 995 is 300 by 166: "Save" near the left at y 60, "Don't Save"
    // at y 25, "Cancel" near the right at y 25.
    program.click(100, 350);
    ASSERT_TRUE(window_shown());
    program.shot("save_changes_dialog");
    program.click_in(300, 166, 34, 60);
    expect_line("nuke 1");
    program.click(100, 350);
    program.click_in(300, 166, 40, 25);
    expect_line("nuke 2");
    program.click(100, 350);
    program.click_in(300, 166, 260, 25);
    expect_line("nuke 3");
    quit_with_control_q();
}

TEST_F(widgets_under_x, TabMovesTheFocusAroundTheRing)
{
    start();
    program.keys("Tab");
    expect_line("focus 1");
    program.keys("Tab");
    expect_line("focus 2");
    program.keys("shift+Tab");
    EXPECT_TRUE(testing_support::wait_until([&] { return program.output_lines("focus 1") == 2; }, 10))
        << "Shift+Tab did not go back to the first\n" << program.output();
    quit_with_control_q();
}

TEST_F(widgets_under_x, MenuOpensAndChooses)
{
    start();
    // Bar menu "Test" at the top left; its items 12 units high below it.
    program.click(15, 591);
    program.shot("menu_open");
    program.click(20, 562);
    expect_line("menu 102");
    quit_with_control_q();
}

TEST_F(widgets_under_x, PopupListChoosesAnEntry)
{
    start();
    program.click(310, 453);
    program.shot("popup_open");
    program.click(300, 450 - 24);  // "Blue", two rows below the choice shown
    expect_line("chose 2");
    quit_with_control_q();
}

TEST_F(widgets_under_x, AFloodOfAThousandKeysLosesNothing)
{
    start();
    program.keys("Tab");
    expect_line("focus 1");
    std::string text;
    for (int i = 0; i < 100; ++i) text += "abcdefghij";
    program.type(text, 1);
    program.keys("Return");
    expect_line("typed 1000");
    program.shot("after_key_flood");
    quit_with_control_q();
}

TEST_F(widgets_under_x, LanguageChooserSetsTheLanguageByAClick)
{
    // No "--lang" and a C locale: start-up cannot pick a language.
    program.in_language("").with_environment({"LANG=C", "LC_ALL=", "LC_MESSAGES=", "LANGUAGE="});
    ASSERT_TRUE(program.start(30)) << program.output();
    ASSERT_TRUE(window_shown());
    program.shot("language_chooser");
    // Radio buttons at (185, 180 - 20 i); Deutsch is the third.
    const testing_support::window_pixels english = program.picture();
    program.click_in(alert_w, alert_h, 185, 143);
    EXPECT_TRUE(program.wait_for_screen(english, 5)) << "the radio button did not move";
    program.shot("language_chooser_deutsch");
    program.click_in(alert_w, alert_h, 210, 18);
    ASSERT_TRUE(program.wait_for_output_line("ready", 30)) << program.output();
    expect_line("language 2");
    quit_with_control_q();
}

}  // namespace
