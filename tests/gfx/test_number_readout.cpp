// Number readouts: the text of the regular form, its compact form for
// numbers that do not fit, and the cell grid of the bold form.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "gfx/fonts/text_drawing.h"

namespace {

std::string readout(float value, int digits, int decimals)
{
    char text[OGL_number_text_size];
    const int len = OGL_number_text(value, digits, decimals, text);
    EXPECT_EQ(len, static_cast<int>(std::string(text).size()));
    return text;
}

// "c@x" for every cell, in drawing order.
std::string cells(float value, int digits, int decimals)
{
    OGL_number_cell out[OGL_number_cells_max];
    const int count = OGL_number_cells(value, digits, decimals, out);
    std::string s;
    for (int i = 0; i < count; ++i) {
        char one[32];
        std::snprintf(one, sizeof one, "%s%c@%g", s.empty() ? "" : " ", out[i].c, out[i].x);
        s += one;
    }
    return s;
}

const float inf = std::numeric_limits<float>::infinity();
const float not_a_number = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST(NumberReadout, FillsEveryDigitPositionWithCommasAndThePoint)
{
    EXPECT_EQ(readout(1234.5f, 6, 1), "01,234.5");
    EXPECT_EQ(readout(0.25f, 3, 2), "0.25");
    EXPECT_EQ(readout(1234567.0f, 7, 0), "1,234,567");
    EXPECT_EQ(readout(7.0f, 10, 0), "0,000,000,007");
    EXPECT_EQ(readout(-12.5f, 4, 1), "-012.5");
}

TEST(NumberReadout, ATinyNegativeValueThatRoundsToZeroHasNoSign)
{
    EXPECT_EQ(readout(-0.04f, 3, 0), "000");
    EXPECT_EQ(readout(-0.2f, 1, 0), "-0");
}

TEST(NumberReadout, ANumberWithTooFewPositionsReadsInTheCompactForm)
{
    EXPECT_EQ(readout(0.25f, 2, 2), "0.00x2");
    EXPECT_EQ(readout(123456.0f, 3, 0), "1.23x5");
    EXPECT_EQ(readout(12345.0f, 3, 0), "1.23x4");
    EXPECT_EQ(readout(999.6f, 3, 0), "1.00x3") << "rounds up to 1000, which needs four positions";
    EXPECT_EQ(readout(-5.0f, 0, 0), "-0.05x2");
    // Powers of ten from 10 up have no digit of their own.
    EXPECT_EQ(readout(1e12f, 3, 0), "1.00x0");
}

TEST(NumberReadout, HundredMillionAndABillionCountTheirLastDigit)
{
    // Counted one digit short, these read as rows of zeros.
    EXPECT_EQ(readout(100000000.0f, 9, 0), "100,000,000");
    EXPECT_EQ(readout(100000000.0f, 8, 0), "1.00x8");
    EXPECT_EQ(readout(1000000000.0f, 10, 0), "1,000,000,000");
}

TEST(NumberReadout, InfinityNanAndAbsurdSizesEndWithAShortText)
{
    EXPECT_EQ(readout(inf, 5, 0), "inf");
    EXPECT_EQ(readout(-inf, 5, 0), "-inf");
    EXPECT_EQ(readout(not_a_number, 5, 2), "nan");
    EXPECT_EQ(readout(std::numeric_limits<float>::max(), 3, 0), "3.40x0");
    EXPECT_EQ(readout(1.0f, 1000000, 0).size(), static_cast<size_t>(OGL_number_max_digits + 3))
        << "digit positions are capped";
    EXPECT_EQ(readout(1.0f, 3, 1000000), "0.01x2");
    EXPECT_EQ(readout(5.0f, -2147483647 - 1, -2147483647 - 1), "0.05x2");
}

TEST(NumberReadout, BoldCellsSitOnATenUnitGridWithSeparatorsBetweenThem)
{
    EXPECT_EQ(cells(1234.0f, 4, 0), ",@15 1@10 2@20 3@30 4@40");
    EXPECT_EQ(cells(-12.5f, 3, 1), "-@1 .@25 1@10 2@20 5@30");
    // No compact form: the digits above the requested count are dropped.
    EXPECT_EQ(cells(12345.0f, 3, 0), "3@10 4@20 5@30");
    EXPECT_EQ(cells(5.0f, 0, 0), "");
    EXPECT_EQ(cells(1.0f, 40, 0).size(), cells(1.0f, 1000, 0).size());
    EXPECT_EQ(cells(-inf, 4, 0), "-@1 i@10 n@20 f@30");
    EXPECT_EQ(cells(not_a_number, 4, 0), "n@10 a@20 n@30");
}
