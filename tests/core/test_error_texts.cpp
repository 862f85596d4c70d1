#include <gtest/gtest.h>

#include <cerrno>
#include <set>

#include "core/diag/error_codes.h"

TEST(ErrorTexts, SuccessIsEmptyAndUnknownCodesShowTheirNumber)
{
    EXPECT_EQ(error_str(0), "");
    EXPECT_EQ(error_str(20013), "Error code 20013");
    EXPECT_EQ(error_str(20014), "Error code 20014");
    EXPECT_EQ(error_str(15), "Error code 15");
    EXPECT_EQ(error_str(-105), "Error code -105");
    EXPECT_EQ(error_str(20015), "Error code 20015");
}

TEST(ErrorTexts, OwnCodesAndRewordedSystemErrorsHaveTheirTexts)
{
    EXPECT_EQ(error_str(20001), "We were unable to open a zip file. It may be missing or damaged");
    EXPECT_EQ(error_str(20012),
              "Part of the downloaded zip file is corrupted (the resource fork header is bad)");
    EXPECT_EQ(error_str(ENOSPC), "No space left on device. Perhaps your hard drive is full");
    EXPECT_EQ(error_str(EACCES),
              "Permission denied. Perhaps you do not have access to a directory or file system");
    EXPECT_EQ(error_str(EROFS), "The destination file system is read-only");
    EXPECT_EQ(error_str(ENOTEMPTY), "Directory not empty");
    EXPECT_EQ(error_str(EILSEQ), "Wide character encoding error");
}

TEST(ErrorTexts, TableHasFiftyDistinctRowsEndedByAnEmptyRow)
{
    std::set<int> codes;
    int rows = 0;
    for (; kErrMsgs[rows].text; ++rows) {
        EXPECT_TRUE(codes.insert(kErrMsgs[rows].code).second)
            << "code " << kErrMsgs[rows].code << " listed twice";
        EXPECT_EQ(error_str(kErrMsgs[rows].code), kErrMsgs[rows].text);
    }
    EXPECT_EQ(rows, 50);
    EXPECT_EQ(kErrMsgs[rows].code, 0);
    for (int code = 20001; code <= 20012; ++code)
        EXPECT_TRUE(codes.count(code)) << code << " has no text";
}
