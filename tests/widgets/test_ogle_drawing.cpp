// What the engine draws: visible lines, selection rectangles, the caret.
#include <gtest/gtest.h>

#include "ogle_test_client.h"

namespace {

void expect_rect(const recorded_rect& r, float left, float bottom, float right, float top)
{
    EXPECT_FLOAT_EQ(r.left, left);
    EXPECT_FLOAT_EQ(r.bottom, bottom);
    EXPECT_FLOAT_EQ(r.right, right);
    EXPECT_FLOAT_EQ(r.top, top);
}

}  // namespace

TEST(OgleDrawing, AnEmptyTextDrawsOnlyTheCaretAtTheLeftEdge)
{
    ogle_test_client c("");
    OGLE_Repaginate(c.rec);
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.selections.size(), 1u);
    expect_rect(c.selections[0], 0.0f, -10.0f, 0.0f, 0.0f);
    ASSERT_EQ(c.strings.size(), 1u);
    EXPECT_EQ(c.strings[0].text, "");
}

TEST(OgleDrawing, EveryLineAtTheBottomOfItsBand)
{
    ogle_test_client c("ab cd", 20.0f);
    OGLE_Repaginate(c.rec);
    OGLE_Draw(c.rec, 0);
    ASSERT_EQ(c.strings.size(), 2u);
    EXPECT_EQ(c.strings[0].text, "ab ");
    EXPECT_FLOAT_EQ(c.strings[0].y, -10.0f);
    EXPECT_EQ(c.strings[1].text, "cd");
    EXPECT_FLOAT_EQ(c.strings[1].y, -20.0f);
    EXPECT_FLOAT_EQ(c.strings[1].x, 0.0f);
    EXPECT_TRUE(c.selections.empty()) << "no caret asked for";
}

TEST(OgleDrawing, ASelectionOverThreeLinesIsThreeRectangles)
{
    // Lines "abc\n" (0), "defg\n" (4), "hi\n" (9), "jk" (12).
    ogle_test_client c("abc\ndefg\nhi\njk");
    OGLE_Repaginate(c.rec);
    c.select(1, 10);
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.selections.size(), 3u) << "no caret over a selection";
    expect_rect(c.selections[0], 5.0f, -10.0f, 100.0f, 0.0f);
    expect_rect(c.selections[1], 0.0f, -20.0f, 100.0f, -10.0f);
    expect_rect(c.selections[2], 0.0f, -30.0f, 5.0f, -20.0f);

    c.clear_drawing();
    c.select(5, 7);
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.selections.size(), 1u);
    expect_rect(c.selections[0], 5.0f, -20.0f, 15.0f, -10.0f);

    c.clear_drawing();
    c.select(4, 9);  // exactly the second line
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.selections.size(), 1u) << "the line that starts at the end is not touched";
    expect_rect(c.selections[0], 0.0f, -20.0f, 25.0f, -10.0f);
}

TEST(OgleDrawing, ACaretAtALineStartShowsOnThatLine)
{
    ogle_test_client c("abc\ndef");
    OGLE_Repaginate(c.rec);
    c.select(4, 4);
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.selections.size(), 1u);
    expect_rect(c.selections[0], 0.0f, -20.0f, 0.0f, -10.0f);

    c.clear_drawing();
    c.select(7, 7);
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.selections.size(), 1u) << "at the text's end: the last line";
    expect_rect(c.selections[0], 15.0f, -20.0f, 15.0f, -10.0f);
}

TEST(OgleDrawing, OnlyVisibleLinesAreDrawnAndACaretAboveThemIsNot)
{
    ogle_test_client c("a\nb\nc\nd\ne\nf");
    c.visible[1] = -20.0f;  // two lines high
    OGLE_Repaginate(c.rec);
    c.scroll[1] = -25.0f;   // scrolled down by two and a half lines
    c.select(0, 0);
    OGLE_Draw(c.rec, 1);
    ASSERT_EQ(c.strings.size(), 3u);
    EXPECT_EQ(c.strings[0].text, "c\n");
    EXPECT_EQ(c.strings[2].text, "e\n");
    EXPECT_TRUE(c.selections.empty());
}

TEST(OgleDrawing, AStaleLineTableNeverReadsPastTheText)
{
    ogle_test_client c("a long text\nwith lines\nthree");
    OGLE_Repaginate(c.rec);
    c.text = "ab";  // shortened behind the engine's back
    c.select(0, 2);
    OGLE_Draw(c.rec, 1);
    for (const recorded_string& s : c.strings) EXPECT_LE(s.text.size(), 2u);
    EXPECT_EQ(OGLE_CoordToCharPos(c.rec, 99.0f, -25.0f), 2);
}
