#include "shell/menus.h"
#include "widget_test_state.h"
#include "widgets/popup_list.h"

namespace {

class popup_list : public widget_test {
protected:
    void SetUp() override
    {
        widget_test::SetUp();
        MACIBM_clear_menus(1);
        active_popup_code = select_popup_code = popup_menu_select = 0;
        mnw.language = 0;
    }
    void TearDown() override
    {
        active_popup_code = select_popup_code = 0;
        mnw.open_menu = -1;
        widget_test::TearDown();
    }
    static const menu_struct& popup() { return menu[kPopupMenu]; }
};

TEST_F(popup_list, ShowsTheCurrentEntry)
{
    int value = 1;
    EXPECT_EQ(BTN_textlist(200, 100, &value, "Macintosh-Windows-Linux", "OS"), 0);
    EXPECT_EQ(texts().back().string, "Windows");
    value = 7;
    ops.clear();
    BTN_textlist(200, 100, &value, "Macintosh-Windows-Linux", "OS");
    EXPECT_EQ(value, 2);
    EXPECT_EQ(texts().back().string, "Linux");
    value = 3;
    ops.clear();
    BTN_textlist(200, 100, &value, "a-b-c-", "");
    EXPECT_EQ(value, 3) << "a trailing '-' makes an empty last entry";
    EXPECT_EQ(texts().back().string, "");
}

TEST_F(popup_list, ClickOpensTheListWithTheChoiceOnTheButton)
{
    int value = 1;
    click_at(210, 103);
    BTN_textlist(200, 100, &value, "Macintosh-Windows-Linux", "");
    EXPECT_EQ(active_popup_code, int(100 * 1024 + 200));
    EXPECT_EQ(mnw.open_menu, kPopupMenu);
    ASSERT_EQ(popup().items.size(), 3u);
    EXPECT_EQ(popup().items[1].bottom, 97);
    EXPECT_EQ(popup().items[1].top, 109);
    EXPECT_EQ(popup().items[0].bottom, 109);
    EXPECT_EQ(popup().items[2].top, 97);
    EXPECT_EQ(popup().bottom, 88);
    EXPECT_EQ(popup().top, 88 + 36);
}

TEST_F(popup_list, ChoiceIsDeliveredOnceEvenWhenUnchanged)
{
    int value = 2;
    const int id = int(100 * 1024 + 200);
    select_popup_code = id;
    popup_menu_select = 2;
    EXPECT_EQ(BTN_textlist(200, 100, &value, "a-b-c", ""), 1);
    EXPECT_EQ(value, 2);
    EXPECT_EQ(select_popup_code, 0);
    EXPECT_EQ(BTN_textlist(200, 100, &value, "a-b-c", ""), 0);
    select_popup_code = id;
    popup_menu_select = 40;
    BTN_textlist(200, 100, &value, "a-b-c", "");
    EXPECT_EQ(value, 2) << "a choice past the list stays in range";
}

TEST_F(popup_list, ListBelowTheScreenSlidesUpARowPerFrame)
{
    std::string entries = "e0";
    for (int i = 1; i < 20; ++i) entries += "-e" + std::to_string(i);
    int value = 0;
    active_popup_code = int(20 * 1024 + 200);
    std::vector<int> values;
    for (int frame = 0; frame < 30; ++frame) {
        BTN_textlist(200, 20, &value, entries, "");
        values.push_back(value);
    }
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 2);
    int lowest = 1000;
    for (const item_struct& item : popup().items) lowest = std::min<int>(lowest, item.bottom);
    EXPECT_GE(lowest, 0);
    EXPECT_EQ(values.back(), values[values.size() - 2]) << "settled";
}

TEST_F(popup_list, ListTallerThanTheScreenHoldsStill)
{
    std::string entries = "e0";
    for (int i = 1; i < 60; ++i) entries += "-e" + std::to_string(i);  // 720 units
    int value = 0;
    active_popup_code = int(300 * 1024 + 200);
    std::vector<int> values;
    for (int frame = 0; frame < 80; ++frame) {
        BTN_textlist(200, 300, &value, entries, "");
        values.push_back(value);
        ASSERT_GE(value, 0);
        ASSERT_LE(value, 59);
    }
    for (size_t i = 60; i < values.size(); ++i) EXPECT_EQ(values[i], values[59]) << "frame " << i;
}

TEST_F(popup_list, SecondButtonTakesOverAndBadListsAreMistakes)
{
    int a = 0, b = 0;
    click_at(210, 103);
    BTN_textlist(200, 100, &a, "x-y", "");
    BTN_textlist(200, 200, &b, "x-y", "");
    click_at(210, 203);
    BTN_textlist(200, 100, &a, "x-y", "");
    BTN_textlist(200, 200, &b, "x-y", "");
    EXPECT_EQ(active_popup_code, int(200 * 1024 + 200));
    mnw.click = 0;
    ops.clear();
    BTN_textlist(200, 100, &a, "x-y", "");
    EXPECT_FALSE(texts().empty()) << "the first draws itself closed";

    EXPECT_EQ(BTN_textlist(0, 0, &a, "a|b", "L"), 0);
    std::string many(300, '-');
    EXPECT_EQ(BTN_textlist(0, 0, &a, many, "L"), 0);
    ASSERT_EQ(alerts.first_lines().size(), 2u);
    EXPECT_EQ(alerts.first_lines()[0], "Found | char in text string!");
    EXPECT_EQ(alerts.first_lines()[1], "BTN_text_list overflow!");
}

}  // namespace
