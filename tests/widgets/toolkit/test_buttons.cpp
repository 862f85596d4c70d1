#include "widget_test_state.h"
#include "gfx/fonts/text_drawing.h"
#include "widgets/buttons.h"

namespace {

using buttons = widget_test;

TEST_F(buttons, CheckBoxTogglesOnItsHitBox)
{
    int value = 5;
    click_at(100, 100);
    EXPECT_EQ(BTN_bool(100, 100, &value, "Left|Right{ help", 0), 1);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(BTN_bool(100, 100, &value, "Left|Right{ help", 0), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(stls.hover_help, "help");

    click_at(109, 100);
    EXPECT_EQ(BTN_bool(100, 100, &value, "x", 0), 0) << "drawn 9 wide, hit 8";
    click_at(100, 111);
    EXPECT_EQ(BTN_bool(100, 100, &value, "x", 0), 1) << "the hit box reaches 12 up";
    click_at(100, 95);
    EXPECT_EQ(BTN_bool(100, 100, &value, "x", 0), 0) << "and 4 down";
}

TEST_F(buttons, CheckBoxDrawsBoxTickAndBothLabels)
{
    int value = 1;
    BTN_bool(100, 100, &value, "Left|Right", 1);
    auto p = pieces();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0].s1, 83);
    EXPECT_EQ(p[1].t1, 142);
    EXPECT_EQ(p[0].y1, 94);
    EXPECT_EQ(p[0].y2, 112);
    auto t = texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].string, "Left");
    EXPECT_EQ(t[0].x1, 88);
    EXPECT_EQ(t[1].string, "Right");
    EXPECT_EQ(t[1].x1, 112);
}

TEST_F(buttons, NothingReactsUnderAnOpenMenu)
{
    int value = 0;
    mnw.open_menu = 3;
    click_at(100, 100);
    EXPECT_EQ(BTN_bool(100, 100, &value, "a{ help", 0), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(stls.hover_help, "");
    EXPECT_EQ(BTN_action(100, 100, 80, 0, 0, "Go", "-"), 0);
}

TEST_F(buttons, RadioButtonsSetTheirChoice)
{
    int value = 2;
    click_at(100, 100);
    EXPECT_EQ(BTN_is_int(100, 100, &value, 2, "two"), 1);
    EXPECT_EQ(value, 2) << "a chosen radio stays chosen";
    EXPECT_EQ(BTN_is_int(100, 150, &value, 3, "three"), 0);
    click_at(100, 150);
    EXPECT_EQ(BTN_is_int(100, 150, &value, 3, "three"), 1);
    EXPECT_EQ(value, 3);
}

TEST_F(buttons, OtherValueWidthsKeepTheirValueUnlessClicked)
{
    unsigned char byte = 200;
    char ch = -3;
    bool flag = false;
    EXPECT_EQ(BTN_xbyt(100, 100, &byte, "b"), 0);
    EXPECT_EQ(byte, 200);
    EXPECT_EQ(BTN_xchr(100, 100, &ch, "c"), 0);
    EXPECT_EQ(ch, -3);
    EXPECT_EQ(pieces().size(), 4u) << "both shown ticked";
    click_at(100, 100);
    BTN_xbyt(100, 100, &byte, "b");
    BTN_xchr(100, 100, &ch, "c");
    BTN_xbol(100, 100, &flag, "f");
    EXPECT_EQ(byte, 0);
    EXPECT_EQ(ch, 0);
    EXPECT_TRUE(flag);
}

TEST_F(buttons, PushButtonSizesItselfToItsWholeLabel)
{
    const std::string label = "OK|side{ help";
    click_at(100 + (str_dx(label) + 21) / 2, 110);
    EXPECT_EQ(BTN_action(100, 100, 0, 0, 0, label, "-"), 1) << "edges included";
    auto t = texts();
    ASSERT_EQ(t.size(), 1u) << "no note for \"-\"";
    EXPECT_EQ(t[0].string, "OK");
    EXPECT_EQ(t[0].y1, 97);
    click_at(100, 111);
    EXPECT_EQ(BTN_action(100, 100, 40, 0, 0, "OK", "-"), 0);
}

TEST_F(buttons, PushButtonShowsItsPressAndItsNote)
{
    BTN_action(100, 100, 40, 1, 2, "Lit", "a note");
    auto t = texts();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[0].colour, 85) << "mode 2 highlights the lit caption";
    EXPECT_EQ(t[1].string, "a note");
    EXPECT_EQ(t[1].x1, 130);
    EXPECT_EQ(t[1].y1, 107);
    ops.clear();
    BTN_action(100, 100, 40, 0, 0, "Plain", "-");
    const size_t plain = pieces().size();
    ops.clear();
    click_at(100, 100);
    EXPECT_EQ(BTN_action(100, 100, 40, 0, 1, "Pressed", "-"), 1);
    EXPECT_EQ(pieces().size(), 2 * plain) << "the pressed look drawn over it";
    EXPECT_EQ(pieces().back().t1, 459);
}

}  // namespace
