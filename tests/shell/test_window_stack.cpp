#include "shell_test_state.h"

namespace {

using window_stack = shell_test;

TEST_F(window_stack, ModalWindowsAreCentredByTheirTableSize)
{
    struct { int id, screen_w, screen_h; float x, y; } cases[] = {
        {994, 800, 600, 190, 175},
        {993, 2560, 1024, 340, 362},  // two monitors: centred on the left one
        {993, 1920, 600, 660, 150},   // 3.2:1 is not two monitors
        {997, 640, 200, 0, 0},        // larger than the screen
    };
    for (const auto& c : cases) {
        mnw.screen_width = c.screen_w;
        mnw.screen_height = c.screen_h;
        MACIBM_startwind(c.id, 0);
        EXPECT_EQ(mnw.origin_x, c.x) << "window " << c.id << " on " << c.screen_w << "x" << c.screen_h;
        EXPECT_EQ(mnw.origin_y, c.y) << "window " << c.id << " on " << c.screen_w << "x" << c.screen_h;
        EXPECT_EQ(mnw.modal_flag, 1);
    }
    mnw.screen_width = 800;
    mnw.screen_height = 600;
    MACIBM_startwind(994, 0);
    EXPECT_EQ(mnw.window_width, 420);
    EXPECT_EQ(mnw.window_height, 250);
    EXPECT_EQ(stls.window_title, "BE ADVISED");
}

TEST_F(window_stack, UnlistedIdsCoverTheScreenAndKeepTheTitle)
{
    MACIBM_startwind(2, 0);
    EXPECT_EQ(stls.window_title, "Prefs");
    for (int id : {0, -1, 5}) {
        MACIBM_startwind(id, 0);
        EXPECT_EQ(mnw.current_window, id);
        EXPECT_EQ(mnw.modal_flag, 0);
        EXPECT_EQ(mnw.window_width, 800);
        EXPECT_EQ(mnw.window_height, 600);
        EXPECT_EQ(mnw.origin_x, 0);
        EXPECT_EQ(mnw.origin_y, 0);
        EXPECT_EQ(stls.window_title, "Prefs");
    }
}

TEST_F(window_stack, SwitchingClearsTheMouseMenuAndPopupState)
{
    mnw.click = mnw.button_held = 1;
    mnw.wheel_clicks = 3;
    mnw.open_menu = 4;
    menu[kPopupMenu].left = 10;
    plot_init_lights = 0;
    MACIBM_startwind(998, 0);
    EXPECT_EQ(mnw.click, 0);
    EXPECT_EQ(mnw.button_held, 0);
    EXPECT_EQ(mnw.wheel_clicks, 0);
    EXPECT_EQ(mnw.open_menu, -1);
    EXPECT_EQ(mnw.window_being_set_up, 998);
    EXPECT_EQ(menu[kPopupMenu].left, -1);
    EXPECT_EQ(menu[kPopupMenu].top, -1);
    EXPECT_EQ(plot_init_lights, 1);
}

TEST_F(window_stack, MenuTableHoldsAllMenusClearedAndOnlyModeOneRebuildsIt)
{
    ASSERT_EQ(menu.size(), 1520u);
    menu[3].title = "File";
    MACIBM_clear_menus(0);
    EXPECT_EQ(menu[3].title, "File");
    MACIBM_clear_menus(1);
    EXPECT_EQ(menu.size(), 1520u);
    EXPECT_EQ(menu[3].title, "");
    EXPECT_EQ(menu[3].parent, -1);
}

}  // namespace
