#include "shell_test_state.h"

namespace {

using window_chrome = shell_test;

item_struct item(const char* text, int left, int bottom, int right, int top, int command = 0)
{
    return {text, command, static_cast<int16_t>(left), static_cast<int16_t>(bottom),
            static_cast<int16_t>(right), static_cast<int16_t>(top)};
}

TEST_F(window_chrome, HoverHelpBoxGrowsWithTheTextWithinItsLimits)
{
    EXPECT_EQ(hover_help_height(520), 120);
    EXPECT_EQ(hover_help_height(10), 60);
    EXPECT_EQ(hover_help_height(5000), 300);
}

TEST_F(window_chrome, HoverHelpShowsAfterOneStillSecondAndStaysOnScreen)
{
    mnw.mouse_x = 100;  // near the left edge: the box is pushed right
    mnw.mouse_y = 590;  // near the top: pushed down
    run_clock_to(0);
    mnw.last_move_time = 0;
    stls.hover_help = "Shows the help";
    run_clock_to(0.5f);
    mouse_help_per_wind(0);
    EXPECT_TRUE(drawn_frames().empty()) << "shown before the mouse was still for a second";
    EXPECT_TRUE(stls.hover_help.empty()) << "the text lives for one frame";

    stls.hover_help = "Shows the help";
    run_clock_to(1.5f);
    mouse_help_per_wind(0);
    ASSERT_EQ(drawn_frames().size(), 1u);
    const drawn_frame& box = drawn_frames()[0];
    EXPECT_EQ(box.type, 17);
    EXPECT_EQ(box.x, 0);            // x limited to 10, less the 10 of the frame
    EXPECT_EQ(box.y, 600 - 60 - 20 - 10);
    EXPECT_EQ(box.width, 420);
    EXPECT_EQ(box.height, 80);
}

TEST_F(window_chrome, IdleMouseHidesTheCursorOnlyOnTheMainWindow)
{
    run_clock_to(0);
    mnw.last_move_time = 0;
    run_clock_to(10.5f);
    mnw.cursor_request = 0;
    mouse_help_per_wind(0);
    EXPECT_EQ(mnw.cursor_request, 2);
    for (int id : {992, 994, 999}) {
        mnw.cursor_request = 5;
        mouse_help_per_wind(id);
        EXPECT_EQ(mnw.cursor_request, 0) << "window " << id;
    }
}

TEST_F(window_chrome, MenuPanelWrapsItsItemsWithAdjustedEdges)
{
    menu[7].items = {item("Open", 10, 100, 90, 112), item("Close", 10, 99, 90, 111), item("", 0, 0, 500, 500)};
    float l, b, r, t;
    menu_panel_box(7, &l, &b, &r, &t);
    EXPECT_EQ(l, 10);
    EXPECT_EQ(b, 98) << "99 is not below the already adjusted edge 98";
    EXPECT_EQ(r, 90);
    EXPECT_EQ(t, 114);
    menu_panel_box(8, &l, &b, &r, &t);
    EXPECT_EQ(l + b + r + t, 0) << "a menu without items has an empty panel";
}

TEST_F(window_chrome, NothingIsDrawnWhileNoMenuIsOpen)
{
    menu[0].items = {item("Open", 10, 100, 90, 112)};
    mnw.open_menu = -1;
    standard_gui();
    EXPECT_TRUE(drawn_frames().empty());
    mnw.open_menu = 0;
    standard_gui();
    ASSERT_EQ(drawn_frames().size(), 1u);
    EXPECT_EQ(drawn_frames()[0].type, 20);
    EXPECT_EQ(m_x1, 10);
}

}  // namespace
