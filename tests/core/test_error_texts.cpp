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
    EXPECT_EQ(error_str(20021), "Error code 20021");
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

// A file of the wrong contents and a 7z archive each have words of their
// own: "unable to open a zip file" sent users looking for the wrong fault.
TEST(ErrorTexts, ContentMismatchAnd7zFailuresSayWhatFailed)
{
    EXPECT_EQ(error_str(kErrWrongContent), "The unpacked file does not match its MD5 signature. It may be damaged");
    for (int zip_code : std::initializer_list<int>{kErrZipOpen, kErrZipShortRead, kErrZipWrite})
        EXPECT_EQ(error_str(seven_zip_error(zip_code)).find("zip file"), std::string::npos) << zip_code;
    EXPECT_EQ(seven_zip_error(ENOSPC), ENOSPC);
    // What another copy of the archive may mend, and what it cannot.
    for (int code : std::initializer_list<int>{kErrZipOpen, kErrWrongContent, kErr7zRead, kErrLargerThanExpected, -105})
        EXPECT_TRUE(is_archive_fault(code)) << code;
    // A file system's size limit is EFBIG: the disk's, not the archive's.
    for (int code : std::initializer_list<int>{0, ENOSPC, EACCES, EFBIG, EMFILE, kErrZipWrite})
        EXPECT_FALSE(is_archive_fault(code)) << code;
}

TEST(ErrorTexts, TableHasFiftySixDistinctRowsEndedByAnEmptyRow)
{
    std::set<int> codes;
    int rows = 0;
    for (; kErrMsgs[rows].text; ++rows) {
        EXPECT_TRUE(codes.insert(kErrMsgs[rows].code).second)
            << "code " << kErrMsgs[rows].code << " listed twice";
        EXPECT_EQ(error_str(kErrMsgs[rows].code), kErrMsgs[rows].text);
    }
    EXPECT_EQ(rows, 56);
    EXPECT_EQ(kErrMsgs[rows].code, 0);
    for (int code : {20001, 20002, 20003, 20004, 20005, 20006, 20007, 20008, 20009, 20010, 20011, 20012, 20015,
                     20016, 20017, 20018, 20019, 20020})
        EXPECT_TRUE(codes.count(code)) << code << " has no text";
}
