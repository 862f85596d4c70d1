// The number field's arithmetic: digits typed and stepped, signs, arrow
// clicks, clamping and rounding, the wrappers' ranges.
#include <gtest/gtest.h>

#include <climits>

#include "widgets/key_queue.h"
#include "widgets/number_field.h"

namespace {

struct field {
    float value;
    int digits, decimals;
    float min, max;
    int hot = 0;

    int key(int character, int vkey = 0)
    {
        return number_field_key(&value, &hot, digits, decimals, min, max, character, vkey);
    }
    // What the widget does after its keys and clicks each frame.
    void settle() { value = number_clamp_and_round(value, decimals, min, max); }
};

}  // namespace

TEST(NumberField, TypingOneTwoThreeGives123AndTheHotDigitWrapsToTheFirst)
{
    field f{0.0f, 3, 0, 0.0f, 999.0f};
    EXPECT_EQ(f.key('1'), 1);
    EXPECT_EQ(f.key('2'), 1);
    EXPECT_EQ(f.key('3'), 1);
    EXPECT_FLOAT_EQ(f.value, 123.0f);
    EXPECT_EQ(f.hot, 0);
    EXPECT_EQ(f.key('1'), 0) << "the same digit again changes nothing";
}

TEST(NumberField, ADigitTypedIntoANegativeValueKeepsItNegative)
{
    field f{-45.25f, 4, 2, -99.99f, 99.99f, 1};
    f.key('7');
    EXPECT_FLOAT_EQ(f.value, -47.25f);
    EXPECT_EQ(f.hot, 2);
    f.key('9');
    f.settle();
    EXPECT_FLOAT_EQ(f.value, -47.95f);
}

TEST(NumberField, ArrowKeysMoveTheHotDigitAndStepItsPlace)
{
    field f{5.0f, 5, 3, -100.0f, 100.0f};
    f.key(0, BTN_vk_left);
    EXPECT_EQ(f.hot, 4) << "left of the first is the last";
    f.key(0, BTN_vk_right);
    EXPECT_EQ(f.hot, 0) << "right of the last is the first";
    EXPECT_EQ(f.key(0, BTN_vk_up), 1);
    EXPECT_FLOAT_EQ(f.value, 15.0f);
    f.hot = 4;
    f.key(0, BTN_vk_down);
    f.settle();
    EXPECT_FLOAT_EQ(f.value, 14.999f);
}

TEST(NumberField, MinusOnAFieldFrom0To100IsClampedBackYetCountsAsAnEdit)
{
    field f{42.0f, 3, 0, 0.0f, 100.0f};
    EXPECT_EQ(f.key('-'), 1);
    f.settle();
    EXPECT_FLOAT_EQ(f.value, 0.0f);
    field g{42.0f, 3, 0, 0.0f, 100.0f};
    EXPECT_EQ(g.key('+'), 0) << "'+' needs a range below zero";
    field h{-3.0f, 3, 0, -10.0f, -1.0f};
    EXPECT_EQ(h.key('-'), 0) << "'-' needs a range reaching zero";
    EXPECT_EQ(h.key('+'), 1);
}

TEST(NumberField, RoundingIsHalvesAwayFromZeroAndTheRangeIsKept)
{
    EXPECT_FLOAT_EQ(number_clamp_and_round(-0.125f, 2, -1.0f, 1.0f), -0.13f);
    EXPECT_FLOAT_EQ(number_clamp_and_round(0.125f, 2, -1.0f, 1.0f), 0.13f);
    EXPECT_FLOAT_EQ(number_clamp_and_round(250.0f, 0, 0.0f, 100.0f), 100.0f);
    EXPECT_FLOAT_EQ(number_clamp_and_round(-7.0f, 0, 0.0f, 100.0f), 0.0f);
    // Ten digits scaled by the decimals would not fit an int.
    EXPECT_FLOAT_EQ(number_clamp_and_round(9999999999.0f, 3, 0.0f, 1e10f), 9999999999.0f);
    EXPECT_FLOAT_EQ(number_clamp_and_round(-3e9f, 2, -1e10f, 0.0f), -3e9f);
}

TEST(NumberField, ArrowClicksStepEveryDigitUnderTheMouse)
{
    // Digits at x 100..110, 110..120, 120..130; row at y 50.
    float v = 123.0f;
    EXPECT_EQ(number_field_arrow_click(&v, 100.0f, 50.0f, 3, 0, 115.0f, 60.0f), 1);
    EXPECT_FLOAT_EQ(v, 133.0f) << "above the row: up by the tens";
    number_field_arrow_click(&v, 100.0f, 50.0f, 3, 0, 125.0f, 40.0f);
    EXPECT_FLOAT_EQ(v, 132.0f) << "below: down by the units";
    number_field_arrow_click(&v, 100.0f, 50.0f, 3, 0, 110.0f, 60.0f);
    EXPECT_FLOAT_EQ(v, 242.0f) << "on a boundary both neighbours step";
}

TEST(NumberField, WrapperRangesAndIntConversion)
{
    EXPECT_FLOAT_EQ(number_field_max(3, 0), 999.0f);
    EXPECT_FLOAT_EQ(number_field_max(4, 2), 99.99f);
    EXPECT_FLOAT_EQ(number_field_max(0, 0), 0.0f);
    EXPECT_EQ(number_to_int(number_field_max(10, 0)), INT_MAX) << "ten nines do not fit an int";
    EXPECT_EQ(number_to_int(-1e10f), INT_MIN);
    EXPECT_EQ(number_to_int(-42.0f), -42);
    EXPECT_DOUBLE_EQ(number_place_value(5, 3, 0), 10.0);
    EXPECT_DOUBLE_EQ(number_place_value(5, 3, 4), 0.001);
}

TEST(NumberField, NoDigitsMeansNoEditing)
{
    field f{5.0f, 0, 0, 0.0f, 10.0f};
    EXPECT_EQ(f.key('7'), 0);
    EXPECT_EQ(f.key(0, BTN_vk_left), 0);
    EXPECT_EQ(f.hot, 0);
    EXPECT_FLOAT_EQ(f.value, 5.0f);
}
