// Sizes, rates and times as the screens show them, in English and in
// Russian's three forms; numbers filled out to a width.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/text/translation.h"
#include "wizard/number_texts.h"

namespace {

TEST(SizeTexts, ThresholdsSitAt1024AndAt1024000Kilobytes)
{
    EXPECT_EQ(size_string(1024), "1024 KB");
    EXPECT_EQ(size_string(1025), "1 MB");
    EXPECT_EQ(size_string(1024000), "1000 MB");
    EXPECT_EQ(size_string(1024001), "1.0 GB");
    EXPECT_EQ(size_string(1572864), "1.5 GB");
    EXPECT_EQ(size_string(0), "0 KB");
}

TEST(RateAndTimeTexts, EnglishCountsAreTruncatedAndOnlyOneIsSingular)
{
    UTL_translate_clear();
    EXPECT_EQ(rate_str(99.9f), "99 kilobytes/second");
    EXPECT_EQ(rate_str(1.5f), "1 kilobyte/second");
    EXPECT_EQ(rate_str(0.4f), "0 kilobytes/second");
    EXPECT_EQ(time_str(1), "1 second");
    EXPECT_EQ(time_str(119.9f), "119 seconds");
    EXPECT_EQ(time_str(120), "2 minutes");
    EXPECT_EQ(time_str(179), "2 minutes");
    EXPECT_EQ(time_str(7199), "119 minutes");
    EXPECT_EQ(time_str(7200), "2 hours");
    EXPECT_EQ(time_str(0), "0 seconds");
}

TEST(RateAndTimeTexts, InfiniteAndUndefinedValuesReadAsNumbers)
{
    UTL_translate_clear();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(rate_str(inf), "2147483647 kilobytes/second");
    EXPECT_EQ(rate_str(std::nanf("")), "0 kilobytes/second");
    EXPECT_EQ(time_str(inf), "2147483647 hours");
    EXPECT_EQ(time_str(std::nanf("")), "0 seconds");
    EXPECT_EQ(time_str(-inf), "-2147483648 seconds");
    EXPECT_EQ(time_str(1.0e16f), "2147483647 hours") << "beyond an int of hours";
}

TEST(RateAndTimeTexts, RussianTakesSingularGenitiveAndPluralForms)
{
    UTL_translate_load(3);
    EXPECT_EQ(time_str(1), "1 секунда");
    EXPECT_EQ(time_str(3), "3 секунды");
    EXPECT_EQ(time_str(5), "5 секунд");
    EXPECT_EQ(time_str(12), "12 секунд");
    EXPECT_EQ(time_str(120), "2 минуты");
    EXPECT_EQ(time_str(7200 * 5), "10 часов");
    EXPECT_EQ(rate_str(1), "1 килобайт/с");
    EXPECT_EQ(rate_str(24), "24 килобайта/с");
    EXPECT_EQ(rate_str(100), "100 килобайт/с");
    UTL_translate_clear();
}

TEST(IntegerTexts, WidthSignAndZeros)
{
    std::string s;
    int_to_str(5, &s, 3, 0, 0);
    EXPECT_EQ(s, "  5");
    int_to_str(5, &s, 3, 0, 1);
    EXPECT_EQ(s, "005");
    int_to_str(-5, &s, 3, 0, 0);
    EXPECT_EQ(s, "-005") << "a leading sign keeps the zeros";
    int_to_str(5, &s, 3, 1, 0);
    EXPECT_EQ(s, "+005");
    int_to_str(0, &s, 1, 0, 0);
    EXPECT_EQ(s, "0");
    int_to_str(0, &s, 3, 0, 0);
    EXPECT_EQ(s, "  0");
    int_to_str(1234, &s, 2, 0, 0);
    EXPECT_EQ(s, "1234");
    int_to_str(7, &s, 14, 0, 1);
    EXPECT_EQ(s, "0000000007") << "at most ten digits";
    int_to_str(std::numeric_limits<int>::min(), &s, 1, 0, 0);
    EXPECT_EQ(s, "-2147483648");
}

TEST(FloatTexts, RoundingHalfAwayFromZeroAndTheSignBeforeTheBlanks)
{
    std::string s = "untouched";
    flt_to_str(45.25f, &s, 3, 1);
    EXPECT_EQ(s, "45.3");
    flt_to_str(5.3f, &s, 3, 1);
    EXPECT_EQ(s, " 5.3");
    flt_to_str(100, &s, 3, 1);
    EXPECT_EQ(s, "100.0");
    flt_to_str(-5.25f, &s, 5, 2);
    EXPECT_EQ(s, "-  5.25");
    flt_to_str(-0.01f, &s, 3, 1);
    EXPECT_EQ(s, "- 0.0");
    flt_to_str(7.6f, &s, 2, 0);
    EXPECT_EQ(s, " 8");
    flt_to_str(1.0f, &s, 2, -1);
    EXPECT_EQ(s, " 8") << "negative decimals leave the text alone";
}

TEST(FloatTexts, PrintfStyleHelpers)
{
    EXPECT_EQ(int_str(-42), "-42");
    EXPECT_EQ(flt_str("%.2f", 1.005f), "1.00");
    EXPECT_EQ(flt_str("%5.1f%%", 12.34f), " 12.3%");
}

}  // namespace
