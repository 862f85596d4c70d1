#include <gtest/gtest.h>

#include "alert_recorder.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/menu_model.h"
#include "shell/mnw_state.h"

namespace {

class menu_model : public ::testing::Test {
protected:
    void SetUp() override
    {
        mnw.screen_height = 600;
        MACIBM_clear_menus(1);
    }
    testing_support::alert_recorder recorder_;
    static const menu_struct& m(int n) { return menu[static_cast<size_t>(n)]; }
};

int16_t i16(float v) { return static_cast<int16_t>(v); }

TEST_F(menu_model, BarMenusFollowOneAnotherAndRestartAtMenuZero)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_create_menu(1, 0, "Settings");
    MACIBM_create_menu(2, 0, "X");
    const float a = str_dx("File"), b = str_dx("Settings"), c = str_dx("X");
    EXPECT_EQ(m(0).left, 0);
    EXPECT_EQ(m(0).right, i16(a + 30));
    EXPECT_EQ(m(1).left, m(0).right);
    EXPECT_EQ(m(1).right, i16(m(0).right + b + 30));
    EXPECT_EQ(m(2).right, i16(m(1).right + c + 30));
    EXPECT_EQ(m(2).bottom, 582);
    EXPECT_EQ(m(2).top, 600);
    MACIBM_create_menu(0, 0, "File");
    MACIBM_create_menu(3, 0, "Y");
    EXPECT_EQ(m(3).left, m(0).right) << "menu 0 starts the bar again";
}

TEST_F(menu_model, PluginsShareTheirCellWithTheNextMenu)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_create_menu(1, 0, "Plugins");
    MACIBM_create_menu(2, 0, "Help");
    EXPECT_EQ(m(1).left, m(0).right);
    EXPECT_EQ(m(1).right, i16(m(0).right + str_dx("Plugins") + 30));
    EXPECT_EQ(m(2).left, m(0).right);
}

TEST_F(menu_model, TitlesKeepTheirFirstFortyBytes)
{
    MACIBM_create_menu(0, 0, std::string(45, 'm'));
    EXPECT_EQ(m(0).title, std::string(40, 'm'));
    EXPECT_EQ(m(0).right, i16(str_dx(std::string(40, 'm')) + 30));
}

TEST_F(menu_model, ItemsStackBelowTheBarCell)
{
    MACIBM_create_menu(0, 0, "File");
    MACIBM_append_menu(0, 0, 10, "Open");
    MACIBM_append_menu(0, 1, 0, "-");
    MACIBM_append_menu(0, 2, 11, "Close");
    const auto& items = m(0).items;
    EXPECT_EQ(items[0].bottom, 568);
    EXPECT_EQ(items[0].top, 580);
    EXPECT_EQ(items[1].bottom, 566);
    EXPECT_EQ(items[1].top, 568);
    EXPECT_EQ(items[2].bottom, 554);
    EXPECT_EQ(items[2].top, 566);
    const float w = std::max({40.0f, str_dx("Open") + 40, str_dx("-") + 40, str_dx("Close") + 40});
    for (const item_struct& item : items) {
        EXPECT_EQ(item.left, 0);
        EXPECT_EQ(item.right, i16(w));
    }
    MACIBM_append_menu(0, 2, 12, "Quit");
    EXPECT_EQ(items[2].command, 12);
    EXPECT_EQ(items[2].text, "Quit");
}

TEST_F(menu_model, GapsFillWithEmptyItemsAndEmptyMenusAreFortyWide)
{
    MACIBM_create_menu(4, 0, "");
    MACIBM_append_menu(4, 5, 3, "");
    ASSERT_EQ(m(4).items.size(), 6u);
    for (const item_struct& item : m(4).items) {
        EXPECT_EQ(item.left, m(4).left);
        EXPECT_EQ(item.right, m(4).left + 40);
    }
    EXPECT_EQ(m(4).items[0].text, "");
}

TEST_F(menu_model, SubmenusOpenFromTheirItem)
{
    MACIBM_create_menu(2, 0, "Edit");
    for (int i = 0; i <= 5; ++i) MACIBM_append_menu(2, i, i, "Item");
    MACIBM_create_menu(7, 605, "More");
    const item_struct& opener = m(2).items[5];
    EXPECT_EQ(m(7).parent, 2);
    EXPECT_EQ(m(7).bottom, opener.bottom);
    EXPECT_EQ(m(7).left, opener.left);
    MACIBM_append_menu(7, 0, 1, "-");
    MACIBM_append_menu(7, 1, 2, "B");
    EXPECT_EQ(m(7).items[0].bottom, opener.bottom - 2);
    EXPECT_EQ(m(7).items[0].top, opener.top - 2);
    EXPECT_EQ(m(7).items[1].top, m(7).items[0].bottom);
}

TEST_F(menu_model, RemovingAnItemClosesTheGap)
{
    MACIBM_create_menu(0, 0, "File");
    for (int i = 0; i < 3; ++i) MACIBM_append_menu(0, i, i, "Item " + std::to_string(i));
    const int16_t second_bottom = m(0).items[1].bottom;
    MACIBM_remove_menu_item(0, 1);
    ASSERT_EQ(m(0).items.size(), 2u);
    EXPECT_EQ(m(0).items[1].text, "Item 2");
    EXPECT_EQ(m(0).items[1].bottom, second_bottom);
}

TEST_F(menu_model, OutOfRangeCallsAreIgnoredOrFatal)
{
    MACIBM_clear_menus(0);
    MACIBM_clear_menus(2);
    EXPECT_EQ(menu.size(), 1520u);
    MACIBM_append_menu(0, -1, 1, "x");
    MACIBM_append_menu(-1, 0, 1, "x");
    MACIBM_remove_menu_item(0, -1);
    MACIBM_remove_menu_item(0, 7);  // past the end of an empty menu
    MACIBM_create_menu(3, 999 * 300 + 1, "no parent");
    MACIBM_create_menu(3, 300 + 4, "no such item");
    MACIBM_clear_menu(-2);
    MACIBM_clear_items(5000);
    EXPECT_TRUE(recorder_.alerts().empty());
    EXPECT_TRUE(m(0).items.empty());
    EXPECT_EQ(m(3).parent, -1);

    MACIBM_create_menu(1520, 0, "t");
    MACIBM_append_menu(1520, 0, 1, "x");
    MACIBM_append_menu(0, 300, 1, "x");
    MACIBM_remove_menu_item(0, 300);
    const std::vector<std::string> alerts = recorder_.first_lines();
    ASSERT_EQ(alerts.size(), 4u);
    EXPECT_EQ(alerts[0], "Menu index out of range in create_menu!");
    EXPECT_EQ(alerts[1], "Menu index out of range in append_menu!");
    EXPECT_EQ(alerts[2], "Item index out of range in append_menu!");
}

}  // namespace
