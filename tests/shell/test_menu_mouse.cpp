// The mouse on the menu bar, pull-down menus and the pop-up list, and the
// close boxes of modal windows.
#include "core/shell_hooks.h"
#include "shell/frame_loop.h"
#include "shell/x11_events.h"
#include "shell_test_state.h"

// After the test framework: Xlib's macros (None, Bool) would break it.
#include <X11/Xlib.h>

namespace {

std::vector<int>& chosen_commands()
{
    static std::vector<int> commands;
    return commands;
}

class menu_mouse : public shell_test {
protected:
    void SetUp() override
    {
        shell_test::SetUp();
        chosen_commands().clear();
        set_shell_app_hooks({nullptr, [](int command) { chosen_commands().push_back(command); }});
        run_clock_to(0);
        // "File" on the bar with Open, a separator, a greyed item and Quit.
        menu[0].title = "File";
        menu[0].left = 0, menu[0].bottom = 582, menu[0].right = 50, menu[0].top = 600;
        menu[0].items = {
            {"Open", 11, 0, 568, 80, 580},
            {"-", 0, 0, 566, 80, 568},
            {"=Greyed", 12, 0, 554, 80, 566},
            {"Quit", 13, 0, 542, 80, 554},
        };
        menu[1].title = "Edit";
        menu[1].left = 50, menu[1].bottom = 582, menu[1].right = 100, menu[1].top = 600;
    }
    void press_at(float x, float y)
    {
        mnw.mouse_x = x;
        mnw.mouse_y = y;
        mnw.click = 1;
        MACIBM_handleclick(0);
    }
    void release_at(float x, float y, float seconds)
    {
        mnw.mouse_x = x;
        mnw.mouse_y = y;
        run_clock_to(seconds);
        MACIBM_handlerelease();
    }
};

TEST_F(menu_mouse, PressOnATitleOpensItAndAgainClosesIt)
{
    press_at(20, 590);
    EXPECT_EQ(mnw.open_menu, 0);
    EXPECT_EQ(mnw.click, 0) << "the click that opens a menu must not reach the widgets";
    press_at(20, 590);
    EXPECT_EQ(mnw.open_menu, -1);
}

TEST_F(menu_mouse, PressOnAnItemChoosesItsCommand)
{
    press_at(20, 590);
    press_at(40, 548);
    EXPECT_EQ(chosen_commands(), std::vector<int>{13});
    EXPECT_EQ(mnw.open_menu, -1);
    EXPECT_EQ(mnw.click, 0);
}

TEST_F(menu_mouse, SeparatorsAndGreyedItemsCloseWithoutChoosing)
{
    for (float y : {567.0f, 560.0f, 300.0f}) {
        press_at(20, 590);
        press_at(40, y);
        EXPECT_EQ(mnw.open_menu, -1) << "at y " << y;
        EXPECT_EQ(mnw.click, 1) << "a click outside any item stays the widgets'";
    }
    EXPECT_TRUE(chosen_commands().empty());
}

TEST_F(menu_mouse, DragAndReleaseChoosesOnlyAfterASecond)
{
    press_at(20, 590);
    release_at(40, 574, 0.5f);
    EXPECT_EQ(mnw.open_menu, 0) << "a quick release leaves the menu open";
    EXPECT_TRUE(chosen_commands().empty());
    release_at(40, 574, 1.2f);
    EXPECT_EQ(chosen_commands(), std::vector<int>{11});
    EXPECT_EQ(mnw.open_menu, -1);
}

TEST_F(menu_mouse, PopupItemsComeBackThroughThePopupCodes)
{
    menu[kPopupMenu].items = {{"One", 0, 200, 100, 300, 112}, {"Two", 0, 200, 88, 300, 100}};
    mnw.open_menu = kPopupMenu;
    active_popup_code = 77;
    press_at(250, 95);
    EXPECT_EQ(select_popup_code, 77);
    EXPECT_EQ(active_popup_code, 0);
    EXPECT_EQ(popup_menu_select, 1);
    EXPECT_TRUE(chosen_commands().empty());
}

TEST_F(menu_mouse, ReturnClosesOrdinaryModalWindowsButNotTheAlert)
{
    MACIBM_startwind(993, 0);
    return_hit = 1;
    MACIBM_handleclick(1);
    EXPECT_EQ(mnw.current_window, 0);
    EXPECT_EQ(return_hit, 0);

    MACIBM_startwind(994, 0);
    MACIBM_handleclick(1);
    EXPECT_EQ(mnw.current_window, 994);
}

TEST_F(menu_mouse, CloseBoxesInTheTitleBarReturnToTheMainWindow)
{
    MACIBM_startwind(2, 0);
    press_at(700 - 10, 380 - 5);
    EXPECT_EQ(mnw.current_window, 0);
    MACIBM_startwind(2, 0);
    press_at(350, 200);
    EXPECT_EQ(mnw.current_window, 2);
}

TEST_F(menu_mouse, WheelStepsAddUpInOneFrame)
{
    mnw.wheel_clicks = 0;
    XEvent event{};
    event.type = ButtonPress;
    for (unsigned button : {4u, 4u, 5u, 4u}) {
        event.xbutton.button = button;
        LIN_handleevt(&event, 0);
    }
    EXPECT_EQ(mnw.wheel_clicks, 2);
    EXPECT_EQ(mnw.click, 0);
}

TEST_F(menu_mouse, PointerPositionsBecomeInterfaceUnitsFromTheWindowOrigin)
{
    MACIBM_load_mxy(mnw.main_window, 100, 50);
    EXPECT_EQ(mnw.mouse_x, 100);
    EXPECT_EQ(mnw.mouse_y, 550);
    MACIBM_startwind(994, 0);
    MACIBM_load_mxy(mnw.main_window, 200, 400);
    EXPECT_EQ(mnw.mouse_x, 10);
    EXPECT_EQ(mnw.mouse_y, 25);
    EXPECT_EQ(mnw.mouse_window, 994);
}

}  // namespace
