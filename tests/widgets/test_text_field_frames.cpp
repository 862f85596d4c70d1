// BTN_enterstring frame by frame: focus by click, by default and by the
// ring, keys from the queue, the caller's edits, the length limit.
#include "field_frames.h"
#include "widgets/text_field.h"

namespace {

using sel_t = std::pair<int, int>;

sel_t engine_selection()
{
    int s = -1, e = -1;
    OGLE_GetSelection(text_field_engine(), &s, &e);
    return {s, e};
}

}  // namespace

class TextFieldFrames : public field_frames {};

TEST_F(TextFieldFrames, AClickInsideFocusesAndPlacesTheCaret)
{
    std::string text = "hello";
    frame_at(101.0f, 14.0f, 1);
    EXPECT_EQ(BTN_enterstring(100.0f, 10.0f, &text, 40, "Name:", 80.0f, 0), 0);
    EXPECT_EQ(focus_id, 100 * 8192 + 10);
    EXPECT_EQ(engine_selection(), sel_t(0, 0)) << "a click: the caret, nothing selected";
    ASSERT_TRUE(press('J'));
    idle();
    EXPECT_EQ(BTN_enterstring(100.0f, 10.0f, &text, 40, "Name:", 80.0f, 0), 1);
    EXPECT_EQ(text, "Jhello");
    idle();
    EXPECT_EQ(BTN_enterstring(100.0f, 10.0f, &text, 40, "Name:", 80.0f, 0), 0) << "no key, no edit";
}

TEST_F(TextFieldFrames, ClicksOutsideTheBoxOrUnderAMenuDoNotFocus)
{
    std::string text = "abc";
    const float x = 200.0f, y = 30.0f;
    for (auto [mx, my] : {std::pair{210.0f, 29.5f}, {210.0f, 38.5f}, {199.5f, 33.0f}, {260.5f, 33.0f}}) {
        frame_at(mx, my, 1);
        BTN_enterstring(x, y, &text, 40, "", 60.0f, 0);
        EXPECT_EQ(focus_id, 0) << "click at " << mx << ", " << my;
    }
    mnw.open_menu = 3;
    frame_at(210.0f, 33.0f, 1);
    BTN_enterstring(x, y, &text, 40, "", 60.0f, 0);
    EXPECT_EQ(focus_id, 0) << "a menu is open";
    mnw.open_menu = -1;
    frame_at(260.0f, 38.0f, 1);
    BTN_enterstring(x, y, &text, 40, "", 60.0f, 0);
    EXPECT_NE(focus_id, 0) << "the box's edges belong to it";
}

TEST_F(TextFieldFrames, DefaultFocusGoesToTheFirstFieldAndSelectsItsText)
{
    std::string a = "first", b = "second";
    idle();
    BTN_enterstring(300.0f, 50.0f, &a, 40, "", 60.0f, 1);
    BTN_enterstring(300.0f, 70.0f, &b, 40, "", 60.0f, 1);
    EXPECT_EQ(focus_id, 300 * 8192 + 50);
    EXPECT_EQ(engine_selection(), sel_t(0, 5)) << "focus without a click selects all";
    press('x');
    idle();
    BTN_enterstring(300.0f, 50.0f, &a, 40, "", 60.0f, 1);
    BTN_enterstring(300.0f, 70.0f, &b, 40, "", 60.0f, 1);
    EXPECT_EQ(a, "x") << "typing replaces the selection";
    EXPECT_EQ(b, "second");
}

TEST_F(TextFieldFrames, KeyReleasesGoUnseenAndAnotherFieldsKeysWait)
{
    std::string a = "", b = "";
    frame_at(401.0f, 52.0f, 1);
    BTN_enterstring(400.0f, 50.0f, &a, 40, "", 60.0f, 0);
    BTN_enterstring(400.0f, 80.0f, &b, 40, "", 60.0f, 0);
    press('q');
    press('q', 81, 16);
    idle();
    BTN_enterstring(400.0f, 80.0f, &b, 40, "", 60.0f, 0);
    EXPECT_EQ(b, "") << "a key for the other field";
    BTN_enterstring(400.0f, 50.0f, &a, 40, "", 60.0f, 0);
    EXPECT_EQ(a, "q") << "the release typed nothing";
}

TEST_F(TextFieldFrames, TheCallerShorteningTheTextClampsTheSelection)
{
    std::string text = "a longer text";
    idle();
    BTN_enterstring(500.0f, 50.0f, &text, 40, "", 60.0f, 1);
    EXPECT_EQ(engine_selection(), sel_t(0, 13));
    text = "abc";
    idle();
    BTN_enterstring(500.0f, 50.0f, &text, 40, "", 60.0f, 1);
    EXPECT_EQ(engine_selection(), sel_t(0, 3));
    press(8, 8);
    idle();
    BTN_enterstring(500.0f, 50.0f, &text, 40, "", 60.0f, 1);
    EXPECT_EQ(text, "");
    press('Z');
    idle();
    BTN_enterstring(500.0f, 50.0f, &text, 40, "", 60.0f, 1);
    EXPECT_EQ(text, "Z");
}

TEST_F(TextFieldFrames, TypingAtTheLimitInsertsCutsAndStillReportsAnEdit)
{
    std::string text = "abcd";
    frame_at(659.0f, 12.0f, 1);  // right of the text: the caret at its end
    BTN_enterstring(600.0f, 10.0f, &text, 4, "", 60.0f, 0);
    press('e');
    idle();
    EXPECT_EQ(BTN_enterstring(600.0f, 10.0f, &text, 4, "", 60.0f, 0), 1);
    EXPECT_EQ(text, "abcd");
}

TEST_F(TextFieldFrames, TheCharFormCopiesBackAndRefusesHugeTexts)
{
    char buffer[8] = "ab";
    idle();
    BTN_enterstring(700.0f, 10.0f, buffer, 7, "", 60.0f, 1);
    press('Q');
    idle();
    EXPECT_EQ(BTN_enterstring(700.0f, 10.0f, buffer, 7, "", 60.0f, 1), 1);
    EXPECT_STREQ(buffer, "Q");

    std::string big(600, 'x');
    std::vector<char> huge(big.begin(), big.end());
    huge.push_back(0);
    idle();
    BTN_enterstring(700.0f, 30.0f, huge.data(), 700, "", 60.0f, 0);
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].line1, "String too long!");
    EXPECT_EQ(alerts.alerts()[0].line2, big);
    EXPECT_EQ(alerts.alerts()[0].file + " " + std::to_string(alerts.alerts()[0].line), "HLutils/GenH/hl_string 130") << "where the copy rule lives";
}

TEST_F(TextFieldFrames, KeysTypedBeforeAClickElsewhereNeverLandInTheOtherField)
{
    std::string a, b;
    frame_at(801.0f, 12.0f, 1);
    BTN_enterstring(800.0f, 10.0f, &a, 40, "", 60.0f, 0);
    BTN_enterstring(800.0f, 40.0f, &b, 40, "", 60.0f, 0);
    press('k');
    frame_at(801.0f, 42.0f, 1);  // then b is clicked; b is drawn first this time
    BTN_enterstring(800.0f, 40.0f, &b, 40, "", 60.0f, 0);
    BTN_enterstring(800.0f, 10.0f, &a, 40, "", 60.0f, 0);
    EXPECT_EQ(b, "") << "the engine is b's now: a's key is dropped, not typed into b";
    EXPECT_EQ(a, "");

    press('m');
    frame_at(801.0f, 12.0f, 1);  // a clicked again, drawn first: b's key still reaches b
    BTN_enterstring(800.0f, 10.0f, &a, 40, "", 60.0f, 0);
    BTN_enterstring(800.0f, 40.0f, &b, 40, "", 60.0f, 0);
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "") << "a took the engine before b was drawn";
    press('n');
    idle();
    BTN_enterstring(800.0f, 40.0f, &b, 40, "", 60.0f, 0);
    BTN_enterstring(800.0f, 10.0f, &a, 40, "", 60.0f, 0);
    EXPECT_EQ(a, "n");
}
