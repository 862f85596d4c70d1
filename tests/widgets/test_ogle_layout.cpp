// Line layout and the conversions between positions, lines and points.
#include <gtest/gtest.h>

#include "ogle_test_client.h"

using lines_t = std::vector<int>;

namespace {

lines_t layout(const std::string& text, float width, float extra_width = 0.0f)
{
    ogle_test_client c(text, width);
    c.extra_width = extra_width;
    OGLE_Repaginate(c.rec);
    return c.lines();
}

}  // namespace

TEST(OgleLayout, EmptyTextIsOneLineAndTheClientIsToldItsHeight)
{
    ogle_test_client c("");
    OGLE_Repaginate(c.rec);
    EXPECT_EQ(c.lines(), lines_t{0});
    EXPECT_FLOAT_EQ(c.told_height, ogle_test_client::line_height);
}

TEST(OgleLayout, WordsWrapAfterTheBlankThatPrecedesThem)
{
    // "ab " is 15 units; "cd" would take the line to 25.
    EXPECT_EQ(layout("ab cd", 20.0f), (lines_t{0, 3}));
    EXPECT_EQ(layout("ab cd", 25.0f), lines_t{0}) << "a width reached exactly still fits";
    EXPECT_EQ(layout("ab cd ef", 30.0f), (lines_t{0, 6}));
}

TEST(OgleLayout, TheFieldsExtraWidthKeepsTextOnOneLine)
{
    EXPECT_EQ(layout("a long line of many words that is far wider than the box", 20.0f, 1024.0f),
              lines_t{0});
    EXPECT_EQ(layout("two\nlines", 20.0f, 1024.0f), (lines_t{0, 4}));
}

TEST(OgleLayout, AWordWiderThanTheWidthGoesOneCharacterALineUntilTheRestFits)
{
    EXPECT_EQ(layout("abcdefgh", 20.0f), (lines_t{0, 1, 2, 3, 4}));
    // Two-byte characters are never split across lines.
    EXPECT_EQ(layout("\xC3\xA9\xC3\xA9\xC3\xA9", 5.0f), (lines_t{0, 2, 4}));
}

TEST(OgleLayout, LineBreaksEndLinesAndATrailingBreakAddsNoLine)
{
    EXPECT_EQ(layout("a\r\n", 100.0f), (lines_t{0, 2})) << "CR LF is two line ends";
    EXPECT_EQ(layout("a\n", 100.0f), lines_t{0});
    EXPECT_EQ(layout("ab   \ncd", 100.0f), (lines_t{0, 6})) << "blanks before a break";
    EXPECT_EQ(layout("\n\nx", 100.0f), (lines_t{0, 1, 2}));
}

TEST(OgleLayout, ALongerTextThenAShorterOneLeavesNoStaleLines)
{
    ogle_test_client c("a\nb\nc\nd", 100.0f);
    OGLE_Repaginate(c.rec);
    ASSERT_EQ(c.lines().size(), 4u);
    c.text = "x";
    OGLE_Repaginate(c.rec);
    EXPECT_EQ(c.lines(), lines_t{0});
    EXPECT_FLOAT_EQ(c.told_height, ogle_test_client::line_height);
}

TEST(OglePositions, LineOfAPosition)
{
    ogle_test_client c("ab cd", 20.0f);
    OGLE_Repaginate(c.rec);
    EXPECT_EQ(OGLE_CharPosToLine(c.rec, 0), 0);
    EXPECT_EQ(OGLE_CharPosToLine(c.rec, 2), 0);
    EXPECT_EQ(OGLE_CharPosToLine(c.rec, 3), 1) << "a line's start belongs to that line";
    EXPECT_EQ(OGLE_CharPosToLine(c.rec, 5), 1) << "the text's end belongs to the last line";
    EXPECT_EQ(OGLE_CharPosToLine(c.rec, 99), 1);
    EXPECT_EQ(OGLE_CharPosToLine(c.rec, -4), 0);
}

TEST(OglePositions, PointToPosition)
{
    // Lines "ab " (0..3) and "cd" (3..5), each 10 high from y = 0 down.
    ogle_test_client c("ab cd", 20.0f);
    OGLE_Repaginate(c.rec);
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, -50.0f, -5.0f), 0) << "left of the text: line start";
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, -50.0f, -15.0f), 3);
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, 6.0f, -5.0f), 1) << "nearest boundary";
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, 8.0f, -15.0f), 5);
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, 3.0f, -55.0f), 5) << "below the last line";
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, 3.0f, 4.0f), 0) << "above the first line";
}

TEST(OglePositions, APointRightOfALineBreakStaysOnItsLine)
{
    ogle_test_client c("ab\ncdef", 100.0f);
    OGLE_Repaginate(c.rec);
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, 90.0f, -5.0f), 2);
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, 90.0f, -15.0f), 7);
}

TEST(OglePositions, VerticalMovesKeepTheRememberedOffset)
{
    // Line 0 "abcdef\n", line 1 "ab\n", line 2 "abcdefgh\n", line 3 "x".
    ogle_test_client c("abcdef\nab\nabcdefgh\nx", 100.0f);
    OGLE_Repaginate(c.rec);
    float x = -1.0f;
    int pos = OGLE_CharPosVerticalAdjust(c.rec, 6, 1, x);
    EXPECT_FLOAT_EQ(x, 30.0f) << "the first move remembers the caret's offset";
    EXPECT_EQ(pos, 9) << "end of the shorter line, before its break";
    pos = OGLE_CharPosVerticalAdjust(c.rec, pos, 1, x);
    EXPECT_EQ(pos, 16) << "back at offset 30 on the longer line";
    EXPECT_EQ(OGLE_CharPosVerticalAdjust(c.rec, pos, 5, x), 20) << "past the last line";
    EXPECT_EQ(OGLE_CharPosVerticalAdjust(c.rec, pos, -9, x), 0) << "above the first line";
}

TEST(OgleRecord, CreationStateAndTheClassForm)
{
    ogle_test_client c("abc");
    EXPECT_TRUE(c.lines().empty()) << "no layout before the first request";
    EXPECT_EQ(c.selection(), std::make_pair(0, 0));
    EXPECT_EQ(c.rec->caret_at_end, 1);
    EXPECT_FLOAT_EQ(c.rec->remembered_x, -1.0f);
    EXPECT_EQ(OGLE_GetRef(c.rec), &c);
    int end = -1;
    OGLE_GetSelection(c.rec, nullptr, &end);
    EXPECT_EQ(end, 0);
    OGLE_Destroy(nullptr);
}

namespace {

// The class form: the same engine, its callbacks as virtual functions.
class fixed_width_editor : public OGLE {
public:
    std::string text = "hello";
    std::vector<float> carets;
    void GetVisibleBounds(float* r) override { r[0] = 0, r[1] = -10, r[2] = 100, r[3] = 0; }
    void GetLogicalBounds(float* r) override { GetVisibleBounds(r); }
    void SetLogicalHeight(float) override {}
    void ScrollTo(float*) override {}
    void GetText(const char** b, const char** e) override
    {
        *b = text.data();
        *e = text.data() + text.size();
    }
    void ReplaceText(int s, int e, const char* b, const char* n) override
    {
        text.replace(static_cast<size_t>(s), static_cast<size_t>(e - s), b, static_cast<size_t>(n - b));
    }
    float GetLineHeight() override { return 10; }
    float MeasureString(const char* b, const char* e) override { return static_cast<float>(e - b) * 5; }
    int FitStringFwd(const char* b, const char* e, float w) override
    {
        const int n = static_cast<int>((w + 2.5f) / 5);
        return n < e - b ? n : static_cast<int>(e - b);
    }
    int FitStringRev(const char*, const char*, float) override { return 0; }
    void DrawString(const char*, const char*, float, float) override {}
    void DrawSelection(float* r) override { carets.push_back(r[0]); }
    const char* WordBreak(const char*, const char* e) override { return e; }
    const char* MBCS_Next(const char* p) override { return p + 1; }
    int MBCS_NextPos(int pos) override { return pos + 1; }
    int MBCS_PrevPos(int pos) override { return pos - 1; }
};

}  // namespace

TEST(OgleRecord, TheClassFormRunsTheEngineThroughItsVirtualFunctions)
{
    fixed_width_editor editor;
    editor.Repaginate();
    editor.Click(16.0f, -5.0f, 0);
    editor.Key('!', 0);
    EXPECT_EQ(editor.text, "hel!lo");
    editor.SetSelection(6, 0);
    editor.DoReplaceText(0, 3, "H", "H" + 1);
    int s = -1, e = -1;
    editor.GetSelection(&s, &e);
    EXPECT_EQ(editor.text, "H!lo");
    EXPECT_EQ(s, 0);
    EXPECT_EQ(e, 4);
    editor.SetSelection(1, 1);
    editor.Draw(1);
    ASSERT_EQ(editor.carets.size(), 1u);
    EXPECT_FLOAT_EQ(editor.carets[0], 5.0f);
}
