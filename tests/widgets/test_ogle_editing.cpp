// Selection, replacing, keys, clicks, drags and scrolling into view.
#include <gtest/gtest.h>

#include "ogle_test_client.h"

using sel_t = std::pair<int, int>;

namespace {

void key(ogle_test_client& c, char code, int extend = 0) { OGLE_Key(c.rec, code, extend); }

// The toolkit's one-line field: a box 50 wide and 11 high, its logical
// bounds 1024 units wider so nothing wraps.
void make_field(ogle_test_client& c)
{
    c.visible[0] = 0.0f;
    c.visible[1] = -2.0f;
    c.visible[2] = 50.0f;
    c.visible[3] = 9.0f;
    c.extra_width = 1024.0f;
    OGLE_Repaginate(c.rec);
}

}  // namespace

TEST(OgleSelection, SetSelectionOrdersClampsAndInvertsTheFlag)
{
    ogle_test_client c("abcdefgh");
    c.select(5, 2);
    EXPECT_EQ(c.selection(), sel_t(2, 5));
    EXPECT_EQ(c.rec->caret_at_end, 0);
    c.select(6, 3);
    EXPECT_EQ(c.rec->caret_at_end, 1) << "inverted again, not set";
    c.select(-3, 40);
    EXPECT_EQ(c.selection(), sel_t(0, 8));
    c.rec->remembered_x = 12.0f;
    c.select(1, 1);
    EXPECT_FLOAT_EQ(c.rec->remembered_x, 12.0f);
    EXPECT_EQ(c.scroll_calls, 0);
}

TEST(OgleSelection, ReplaceTextMovesTheSelectionWithTheText)
{
    ogle_test_client c("0123456789");
    OGLE_Repaginate(c.rec);
    c.select(4, 6);
    OGLE_ReplaceText(c.rec, 7, 9, "", "");
    EXPECT_EQ(c.selection(), sel_t(4, 6)) << "an edit after the start leaves it";
    OGLE_ReplaceText(c.rec, 0, 2, "abcde", "abcde" + 5);
    EXPECT_EQ(c.selection(), sel_t(7, 9)) << "an edit before it shifts both ends";
    OGLE_ReplaceText(c.rec, 6, 8, "xyz", "xyz" + 3);
    EXPECT_EQ(c.selection(), sel_t(7, 10)) << "an edit across the start moves the end";
    OGLE_ReplaceText(c.rec, 2, 12, "", "");
    EXPECT_EQ(c.selection(), sel_t(2, 2)) << "the selection swallowed whole";
    EXPECT_EQ(c.text, "ab");
    OGLE_ReplaceText(c.rec, 1, 50, "", "");
    EXPECT_EQ(c.text, "a") << "a range past the end is cut at the end";
    EXPECT_EQ(c.selection(), sel_t(1, 1));
}

TEST(OgleTyping, TypingReplacesTheSelectionAndLeavesTheCaretAfterIt)
{
    ogle_test_client c("hello world");
    make_field(c);
    c.select(0, 5);
    c.type("J");
    EXPECT_EQ(c.text, "J world");
    EXPECT_EQ(c.selection(), sel_t(1, 1));
    EXPECT_EQ(c.rec->caret_at_end, 1);
    c.type("\xE2\x82\xAC");  // the euro sign, three bytes
    EXPECT_EQ(c.text, "J\xE2\x82\xAC world");
    EXPECT_EQ(c.selection(), sel_t(4, 4));
    key(c, OGLE_key_left);
    EXPECT_EQ(c.selection(), sel_t(1, 1)) << "the caret steps over the character as one";
    key(c, OGLE_key_right);
    EXPECT_EQ(c.selection(), sel_t(4, 4));
}

TEST(OgleTyping, BackspaceDeletesOneCharacterOrTheSelection)
{
    ogle_test_client c("a\xC3\xA9");
    make_field(c);
    c.select(0, 0);
    key(c, OGLE_key_backspace);
    EXPECT_EQ(c.replace_calls, 0) << "nothing before the caret";
    EXPECT_EQ(c.text, "a\xC3\xA9");
    c.select(3, 3);
    key(c, OGLE_key_backspace);
    EXPECT_EQ(c.text, "a") << "both bytes of the two-byte character";
    EXPECT_EQ(c.selection(), sel_t(1, 1));
    c.text = "abcdef";
    c.select(4, 1);
    key(c, OGLE_key_backspace);
    EXPECT_EQ(c.text, "aef");
    EXPECT_EQ(c.selection(), sel_t(1, 1));
    EXPECT_EQ(c.rec->caret_at_end, 1);
}

TEST(OgleKeys, LeftAndRightCollapseASelectionWithoutMovingFurther)
{
    ogle_test_client c("abcdef");
    make_field(c);
    c.select(2, 4);
    key(c, OGLE_key_left);
    EXPECT_EQ(c.selection(), sel_t(2, 2));
    c.select(2, 4);
    key(c, OGLE_key_right);
    EXPECT_EQ(c.selection(), sel_t(4, 4));
    c.select(0, 0);
    key(c, OGLE_key_left);
    EXPECT_EQ(c.selection(), sel_t(0, 0)) << "clamped at the start";
    c.select(6, 6);
    key(c, OGLE_key_right);
    EXPECT_EQ(c.selection(), sel_t(6, 6)) << "clamped at the end";
}

TEST(OgleKeys, ShiftArrowsMoveTheActiveEndAndSwapWhenTheEndsCross)
{
    ogle_test_client c("abcdef");
    make_field(c);
    c.select(2, 2);
    key(c, OGLE_key_right, 1);
    key(c, OGLE_key_right, 1);
    EXPECT_EQ(c.selection(), sel_t(2, 4));
    key(c, OGLE_key_left, 1);
    EXPECT_EQ(c.selection(), sel_t(2, 3));
    key(c, OGLE_key_left, 1);
    key(c, OGLE_key_left, 1);
    EXPECT_EQ(c.selection(), sel_t(1, 2)) << "crossed: the start is now active";
    EXPECT_EQ(c.rec->caret_at_end, 0);
    key(c, OGLE_key_left, 1);
    EXPECT_EQ(c.selection(), sel_t(0, 2));
}

TEST(OgleKeys, UpAndDownInAOneLineFieldGoToTheEnds)
{
    ogle_test_client c("abcdef");
    make_field(c);
    c.select(3, 3);
    key(c, OGLE_key_up);
    EXPECT_EQ(c.selection(), sel_t(0, 0));
    key(c, OGLE_key_down);
    EXPECT_EQ(c.selection(), sel_t(6, 6));
    c.select(2, 4);
    key(c, OGLE_key_up);
    EXPECT_EQ(c.selection(), sel_t(2, 2)) << "a selection collapses to its start";
    c.select(2, 4);
    key(c, OGLE_key_down, 1);
    EXPECT_EQ(c.selection(), sel_t(2, 6));
}

TEST(OgleKeys, UpAndDownRememberTheOffsetOtherKeysForgetIt)
{
    ogle_test_client c("abcdef\nab\nabcdefgh");
    OGLE_Repaginate(c.rec);
    c.select(5, 5);
    key(c, OGLE_key_down);
    EXPECT_EQ(c.selection(), sel_t(9, 9));
    EXPECT_FLOAT_EQ(c.rec->remembered_x, 25.0f);
    key(c, OGLE_key_down);
    EXPECT_EQ(c.selection(), sel_t(15, 15));
    key(c, OGLE_key_left);
    EXPECT_FLOAT_EQ(c.rec->remembered_x, -1.0f);
    key(c, OGLE_key_up);
    EXPECT_EQ(c.selection(), sel_t(9, 9)) << "offset 20 is past the short line";
    EXPECT_FLOAT_EQ(c.rec->remembered_x, 20.0f);
}

TEST(OgleMouse, AClickPlacesTheCaretAndAShiftClickMovesAnEnd)
{
    ogle_test_client c("abcdefgh");
    make_field(c);
    c.select(0, 8);
    OGLE_Click(c.rec, 11.0f, 3.0f, 0);
    EXPECT_EQ(c.selection(), sel_t(2, 2));
    OGLE_Click(c.rec, 31.0f, 3.0f, 1);
    EXPECT_EQ(c.selection(), sel_t(2, 6));
    EXPECT_EQ(c.rec->caret_at_end, 1);
    OGLE_Click(c.rec, 4.0f, 3.0f, 1);
    EXPECT_EQ(c.selection(), sel_t(1, 6));
    EXPECT_EQ(c.rec->caret_at_end, 0);
}

TEST(OgleMouse, ADragLeftOfThePressSelectsBackwards)
{
    ogle_test_client c("abcdefgh");
    make_field(c);
    OGLE_Click(c.rec, 25.0f, 3.0f, 0);
    OGLE_Drag(c.rec, 35.0f, 3.0f);
    EXPECT_EQ(c.selection(), sel_t(5, 7));
    OGLE_Drag(c.rec, 10.0f, 3.0f);
    EXPECT_EQ(c.selection(), sel_t(2, 5));
    EXPECT_EQ(c.rec->caret_at_end, 0) << "the start is the active end";
    OGLE_Drag(c.rec, 5.0f, 3.0f);
    EXPECT_EQ(c.selection(), sel_t(1, 5));
    OGLE_Drag(c.rec, -90.0f, 3.0f);
    EXPECT_EQ(c.selection(), sel_t(0, 5));
}

TEST(OgleScrolling, TypingAtTheRightEdgeKeepsTheCaretAtTheRightEdge)
{
    ogle_test_client c("");
    make_field(c);
    c.type("abcdefghij");  // 50 units: exactly the box
    EXPECT_EQ(c.scroll_calls, 0);
    c.type("k");
    EXPECT_FLOAT_EQ(c.scroll[0], 5.0f);
    c.type("lm");
    EXPECT_FLOAT_EQ(c.scroll[0], 15.0f) << "caret at 65 in a box 50 wide";
    EXPECT_FLOAT_EQ(c.scroll[1], 0.0f);

    for (int i = 0; i < 10; ++i) key(c, OGLE_key_left);
    EXPECT_EQ(c.selection(), sel_t(3, 3));
    EXPECT_FLOAT_EQ(c.scroll[0], 15.0f) << "the caret is still inside the box";
    key(c, OGLE_key_left);
    EXPECT_FLOAT_EQ(c.scroll[0], 10.0f) << "the caret at the box's left edge";
    key(c, OGLE_key_up);
    EXPECT_FLOAT_EQ(c.scroll[0], 0.0f);
}

TEST(OgleScrolling, RevealBringsTheWholeLineOfTheActiveEndIntoView)
{
    ogle_test_client c("a\nb\nc\nd\ne\nf");
    c.visible[1] = -30.0f;  // three lines show
    OGLE_Repaginate(c.rec);
    for (int i = 0; i < 5; ++i) key(c, OGLE_key_down);
    EXPECT_EQ(c.selection(), sel_t(10, 10));
    EXPECT_FLOAT_EQ(c.scroll[1], -30.0f) << "line 5's band, -60 to -50, scrolled up to the bottom";
    c.clear_drawing();
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.strings.size(), 3u);
    EXPECT_EQ(c.strings.back().text, "f");
    ASSERT_EQ(c.selections.size(), 1u) << "the caret is drawn";

    for (int i = 0; i < 4; ++i) key(c, OGLE_key_up);
    EXPECT_EQ(c.selection(), sel_t(2, 2));
    EXPECT_FLOAT_EQ(c.scroll[1], -10.0f) << "line 1's top edge at the view's top";
}

TEST(OgleKeys, AnEmptyOrNegativeCharacterCountTypesNothing)
{
    ogle_test_client c("ab");
    make_field(c);
    OGLE_Key_MBCS(c.rec, 0, "x", 0);
    OGLE_Key_MBCS(c.rec, -2, "x", 0);
    EXPECT_EQ(c.text, "ab");
    EXPECT_EQ(c.replace_calls, 0);
}
