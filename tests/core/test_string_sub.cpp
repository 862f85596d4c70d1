#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text/translation.h"

TEST(StringSub, EveryOccurrenceOfANumberIsFilledInAnyOrder)
{
    EXPECT_EQ(UTL_string_sub("%1:name% and %1:name%", "A"), "A and A");
    EXPECT_EQ(UTL_string_sub("%2:to% from %1:from%", "here", "there"), "there from here");
    EXPECT_EQ(UTL_string_sub("%6:f%%5:e%%4:d%%3:c%%2:b%%1:a%", "1", "2", "3", "4", "5", "6"),
              "654321");
}

TEST(StringSub, PlaceholdersOutOfRangeStayAsWritten)
{
    EXPECT_EQ(UTL_string_sub("%3:c% %1:a% %0:z%", "a", "b"), "%3:c% a %0:z%");
    EXPECT_EQ(UTL_string_sub("%-1:neg% %1:a%", "x"), "%-1:neg% x");
}

TEST(StringSub, InsertedTextIsNeverScannedAgain)
{
    EXPECT_EQ(UTL_string_sub("<%1:a%> %2:b%", "%2:b%", "B"), "<%2:b%> B");
    EXPECT_EQ(UTL_string_sub("%1:a%%1:a%", "%1:a%"), "%1:a%%1:a%");
}

TEST(StringSub, PercentSignsThatStartNoPlaceholderStay)
{
    EXPECT_EQ(UTL_string_sub("100% of %1:file%", "x.zip"), "100% of x.zip");
    EXPECT_EQ(UTL_string_sub("50%", "x"), "50%");
    EXPECT_EQ(UTL_string_sub("%1 without colon", "x"), "%1 without colon");
    EXPECT_EQ(UTL_string_sub("%1:never closed", "x"), "%1:never closed");
    EXPECT_EQ(UTL_string_sub("", "x"), "");
}

TEST(StringSub, APlaceholderRunsToThePercentAfterTheFirstColon)
{
    // strtol reads the number; whatever follows it up to the colon is part
    // of the placeholder.
    EXPECT_EQ(UTL_string_sub("%1abc:name% end", "X"), "X end");
    EXPECT_EQ(UTL_string_sub("% 1:spaced%", "X"), "X");
}

TEST(StringCheck, ListsNumbersInOrderWithRepeatsAndAppends)
{
    std::vector<int> numbers{7};
    UTL_string_check("%2:b% %1:a% %2:b%", numbers);
    EXPECT_EQ(numbers, (std::vector<int>{7, 2, 1, 2}));

    numbers.clear();
    UTL_string_check("100% %0:x% %12:twelve% %x", numbers);
    EXPECT_EQ(numbers, (std::vector<int>{12})) << "no upper bound, but 0 is no placeholder";
}
