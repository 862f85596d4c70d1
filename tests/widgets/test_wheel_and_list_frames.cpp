// Number fields, the character field and the list frame by frame: clicks
// on digits and arrows, keys, clamping, wheel and double clicks.
#include <cstring>
#include <vector>

#include "field_frames.h"
#include "gfx/sheet_layout.h"
#include "widgets/widget_draw.h"
#include "widgets/char_field.h"
#include "widgets/list_search.h"
#include "widgets/number_field.h"

class NumberFieldFrames : public field_frames {};

TEST_F(NumberFieldFrames, ClicksOnTheRowFocusAndOnTheArrowsStep)
{
    // Digits at x 100..110, 110..120, 120..130; the row at y 50.
    float v = 123.0f;
    frame_at(115.0f, 53.0f, 1);
    EXPECT_EQ(BTN_flt_range(100.0f, 50.0f, &v, 3, 0, 0.0f, 999.0f, "Count:"), 0);
    EXPECT_FLOAT_EQ(v, 123.0f) << "a click on the row only picks the digit";
    EXPECT_EQ(focus_id, 100 * 8192 + 50);
    frame_at(115.0f, 65.0f, 1);
    EXPECT_EQ(BTN_flt_range(100.0f, 50.0f, &v, 3, 0, 0.0f, 999.0f, "Count:"), 1);
    EXPECT_FLOAT_EQ(v, 133.0f);
    EXPECT_EQ(mnw.cursor_request, 20);
    frame_at(125.0f, 35.0f, 1);
    BTN_flt_range(100.0f, 50.0f, &v, 3, 0, 0.0f, 999.0f, "Count:");
    EXPECT_FLOAT_EQ(v, 132.0f);
    EXPECT_EQ(mnw.cursor_request, 21);
}

TEST_F(NumberFieldFrames, TypedDigitsFillTheFieldFromTheClickedDigit)
{
    float v = 0.0f;
    frame_at(102.0f, 153.0f, 1);  // the first digit
    BTN_flt_range(100.0f, 150.0f, &v, 3, 0, 0.0f, 999.0f, "");
    for (int c : {'1', '2', '3'}) press(c);
    press('a');  // the ring refuses letters; were one queued, it does nothing
    idle();
    EXPECT_EQ(BTN_flt_range(100.0f, 150.0f, &v, 3, 0, 0.0f, 999.0f, ""), 1);
    EXPECT_FLOAT_EQ(v, 123.0f);
}

TEST_F(NumberFieldFrames, AValueOutsideTheRangeIsPulledInWithoutInput)
{
    float v = 250.0f;
    idle();
    EXPECT_EQ(BTN_flt_range(100.0f, 250.0f, &v, 3, 0, 0.0f, 100.0f, ""), 0);
    EXPECT_FLOAT_EQ(v, 100.0f);
    int n = 4000000;
    BTN_int(100.0f, 270.0f, &n, 2, 0, "");
    EXPECT_EQ(n, 99);
    int big = 2000000000;
    BTN_int(100.0f, 290.0f, &big, 10, 1, "");
    EXPECT_EQ(big, 2000000000) << "ten digits: no overflow";
}

TEST_F(NumberFieldFrames, AnUntouchedDoubleKeepsEveryBit)
{
    double d = 0.1234567891234;
    const double before = d;
    idle();
    EXPECT_EQ(BTN_dob_range(100.0f, 350.0f, &d, 8, 7, 0.0f, 1.0f, ""), 0);
    EXPECT_EQ(std::memcmp(&d, &before, sizeof d), 0);
}

TEST_F(NumberFieldFrames, ZeroDigitsDrawAndChangeNothing)
{
    float v = 5.0f;
    frame_at(100.0f, 400.0f, 1);
    EXPECT_EQ(BTN_flt_range(100.0f, 400.0f, &v, 0, 0, 0.0f, 1.0f, ""), 0);
    EXPECT_FLOAT_EQ(v, 5.0f);
    EXPECT_TRUE(focus_ring.empty());
}

class CharFieldFrames : public field_frames {};

TEST_F(CharFieldFrames, TypingFillsTheCellsAndArrowsStepThem)
{
    char code[4] = {' ', ' ', ' ', ' '};
    frame_at(201.0f, 52.0f, 1);
    BTN_chars(200.0f, 50.0f, code, 4, "Code:");
    for (int c : {'a', 'b', '-', '1'}) press(c);
    idle();
    BTN_chars(200.0f, 50.0f, code, 4, "Code:");
    EXPECT_EQ(std::string(code, 4), "AB-1");
    frame_at(205.0f, 70.0f, 1);  // the upper arrow of cell 0
    BTN_chars(200.0f, 50.0f, code, 4, "Code:");
    EXPECT_EQ(code[0], '9');
}

TEST_F(CharFieldFrames, UnderAnOpenMenuAClickStepsButNeverFocuses)
{
    char code[2] = {'A', 'A'};
    mnw.open_menu = 2;
    frame_at(205.0f, 155.0f, 1);  // on the row, upper half
    BTN_chars(200.0f, 150.0f, code, 2, "");
    EXPECT_EQ(focus_id, 0);
    EXPECT_EQ(code[0], '9');
    EXPECT_EQ(code[1], 'A');
}

TEST_F(CharFieldFrames, NoCellsNoWrites)
{
    char guard[3] = {'x', 'y', 'z'};
    frame_at(200.0f, 250.0f, 1);
    BTN_chars(200.0f, 250.0f, guard + 1, 0, "");
    BTN_chars(200.0f, 250.0f, guard + 1, -3, "");
    EXPECT_EQ(std::string(guard, 3), "xyz");
}

class ListFrames : public field_frames {
protected:
    std::vector<std::string> names = {"Apple", "dog", "Door", "Dot", "orange"};
    int centre = 0, selection = 0;
    int draw(float x = 300.0f, float y = 300.0f, int first = 0, int last = 4)
    {
        return BTN_list_and_search(0, x, y, 200.0f, 100.0f, &centre, &selection, first, last, nullptr,
                                   "", BTN_name_from_vector, &names, nullptr, nullptr, nullptr, nullptr);
    }
};

TEST_F(ListFrames, ASingleClickSelectsADoubleClickReports)
{
    frame_at(350.0f, 280.0f, 1);  // two rows below the centre row
    EXPECT_EQ(draw(), 0);
    EXPECT_EQ(selection, 2);
    frame_at(350.0f, 280.0f, 1);
    mnw.double_click = 1;
    EXPECT_EQ(draw(), 1);
}

TEST_F(ListFrames, TheWheelScrollsInsideAndIsConsumed)
{
    centre = 3;
    frame_at(350.0f, 300.0f, 0);
    mnw.wheel_clicks = 2;
    draw();
    EXPECT_EQ(centre, 1);
    EXPECT_EQ(mnw.wheel_clicks, 0);
    frame_at(150.0f, 300.0f, 0);
    mnw.wheel_clicks = 2;
    draw();
    EXPECT_EQ(centre, 1);
    EXPECT_EQ(mnw.wheel_clicks, 2) << "outside the box the clicks stay for others";
}

TEST_F(ListFrames, DownOnTheLastItemStaysThere)
{
    frame_at(350.0f, 300.0f, 1);
    draw();
    selection = 4;
    press(31, 40);
    idle();
    draw();
    EXPECT_EQ(selection, 4);
}

TEST_F(ListFrames, AnEmptyRangeDrawsNothingAndOneItemHasNoSlider)
{
    std::vector<widget_draw_op> drawn;
    BTN_record_drawing(&drawn);
    const auto scroll_arrows = [&] {
        int n = 0;
        for (const widget_draw_op& op : drawn)
            n += op.kind == widget_draw_op::piece && op.s1 == sheet_layout::scroll_up_arrow.x0 &&
                 op.t1 == sheet_layout::scroll_up_arrow.y0;
        drawn.clear();
        return n;
    };
    idle();
    EXPECT_EQ(draw(300.0f, 300.0f, 3, 2), 0);
    EXPECT_TRUE(drawn.empty()) << "nothing at all for an empty range";
    draw(300.0f, 300.0f, 2, 2);
    EXPECT_EQ(scroll_arrows(), 0);
    draw(300.0f, 300.0f, 0, 4);
    EXPECT_EQ(scroll_arrows(), 1);
    BTN_record_drawing(nullptr);
}

TEST_F(ListFrames, TypeAheadThroughTheQueue)
{
    frame_at(350.0f, 300.0f, 1);
    draw();
    press('d');
    press('o');
    idle();
    draw();
    EXPECT_EQ(selection, 1);
}
