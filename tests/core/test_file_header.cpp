#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "alert_recorder.h"
#include "core/core_globals.h"
#include "core/files/file_header.h"
#include "core/files/xmap.h"
#include "test_support.h"

using testing_support::alert_recorder;

using testing_support::read_file;
using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

const int k900[] = {900, 0};
const int kManifest[] = {840, 900, 0};
const int kNone[] = {0};
const int k820[] = {820, 0};
const int kMinus900[] = {-900, 0};
const int k1390[] = {1390, 0};
const int k700[] = {700, 0};

// Checks the header of `bytes` written to a file; `after` gets the text
// from the read position to the end.
int check(const std::string& bytes, int kind, const int* versions, const char* keyword,
          std::string* after = nullptr, std::string* rest = nullptr)
{
    scratch_dir dir;
    write_file(dir / "f", bytes);
    xmap_class map(dir / "f");
    int v = map.check_file(kind, versions, keyword, rest);
    if (after && map.pos) *after = std::string(map.pos, map.end);
    return v;
}

}  // namespace

TEST(TextHeader, SignedCrLfTranslationTableIsAcceptedAndReadingStartsAtItsFirstLine)
{
    std::string after, rest;
    EXPECT_EQ(check("\xEF\xBB\xBF" "A\r\n900 version by us\r\nTRANSLATION\r\n\r\nSTRING x\r\n",
                    kHeaderText, k900, "TRANSLATION", &after, &rest),
              900);
    EXPECT_EQ(after, "STRING x\r\n");
    EXPECT_EQ(rest, "version by us");
}

TEST(TextHeader, LineEndsOfEveryKindAndTrailingLetterTextAreAccepted)
{
    EXPECT_EQ(check("I\n840 version\nINSTALLER\nDIR x", kHeaderText, kManifest, "INSTALLER"), 840);
    EXPECT_EQ(check("I\r900\rINSTALLER\rDIR x", kHeaderText, kManifest, "INSTALLER"), 900);
    EXPECT_EQ(check("Intel byte order\n900\n", kHeaderText, k900, nullptr), 900);
    EXPECT_EQ(check("A\n900", kHeaderText, k900, nullptr), 900) << "data may end after the version";
}

TEST(TextHeader, KeywordMustBeAWholeWordAndFurtherWordsAreSkipped)
{
    std::string after;
    EXPECT_EQ(check("I\n820\nSERVERSX\n", kHeaderText, k820, "SERVERS", &after), 0);
    EXPECT_EQ(after, "SERVERSX\n") << "a mismatch leaves the position on the token";
    EXPECT_EQ(check("I\n820\nSERVERS  and more words\nFINAL 9\n", kHeaderText,
                    k820, "SERVERS", &after),
              820);
    EXPECT_EQ(after, "FINAL 9\n");
    EXPECT_EQ(check("I\n820\nservers\n", kHeaderText, k820, "SERVERS"), 0);
    EXPECT_EQ(check("I\n820\nSERVERS", kHeaderText, k820, "SERVERS"), 820)
        << "the keyword may end the data";
    EXPECT_EQ(check("I\n820\nSERV", kHeaderText, k820, "SERVERS"), 0);
}

TEST(TextHeader, WrongLetterSignOrVersionIsRefused)
{
    EXPECT_EQ(check("X\n900\n", kHeaderText, k900, nullptr), 0);
    EXPECT_EQ(check("i\n900\n", kHeaderText, k900, nullptr), 0);
    EXPECT_EQ(check("I\n-900\n", kHeaderText, kMinus900, nullptr), -900);
    EXPECT_EQ(check("I\n-900\n", kHeaderText, k900, nullptr), 0);
    EXPECT_EQ(check("I\n+900\n", kHeaderText, k900, nullptr), 900);
    EXPECT_EQ(check("I\n-+900\n", kHeaderText, k900, nullptr), 900);
    EXPECT_EQ(check("I\n9a0\n", kHeaderText, k1390, nullptr), 1390);
    EXPECT_EQ(check("I\n900\n", kHeaderText, kNone, nullptr), 0) << "an empty list accepts nothing";
    EXPECT_EQ(check("I\n0\n", kHeaderText, kNone, nullptr), 0);
}

TEST(TextHeader, TruncatedAndDegenerateFilesAreRefusedQuietly)
{
    EXPECT_EQ(check("", kHeaderText, k900, nullptr), 0);
    EXPECT_EQ(check("\xEF\xBB\xBF", kHeaderText, k900, nullptr), 0)
        << "three signature bytes alone are not a signature";
    EXPECT_EQ(check("I", kHeaderText, k900, nullptr), 0);
    EXPECT_EQ(check("I\n", kHeaderText, k900, nullptr), 0);
    EXPECT_EQ(check(std::string("I\0\0900", 6), kHeaderText, k900, nullptr), 900)
        << "NUL counts as a line end";
    xmap_class nothing;
    EXPECT_EQ(nothing.check_file(kHeaderText, k900, nullptr, nullptr), 0);
}

TEST(TextHeader, ThirtyDigitVersionWrapsInsteadOfOverflowing)
{
    // Under UBSan a signed overflow here would stop the test.
    std::string digits(30, '9');
    EXPECT_EQ(check("I\n" + digits + "\n", kHeaderText, k900, nullptr), 0);
    EXPECT_EQ(check("I\n-" + digits + "\n", kHeaderText, k900, nullptr), 0);
    // 2^32 + 900 wraps to 900: the file claims a version it does not have,
    // but nothing undefined happens on the way.
    EXPECT_EQ(check("I\n4294968196\n", kHeaderText, k900, nullptr), 900);
}

TEST(BinaryHeader, ByteOrderLetterSetsTheSwapFlag)
{
    scratch_dir dir;
    write_file(dir / "big", std::string("a\0\0\x03\x84rest", 9));
    write_file(dir / "little", std::string("i\x84\x03\0\0", 5));
    xmap_class big(dir / "big"), little(dir / "little");
    EXPECT_EQ(big.check_file(kHeaderBinary, k900, nullptr, nullptr), 900);
    EXPECT_EQ(big.swap, 1);
    EXPECT_EQ(std::string(big.pos, big.end), "rest");
    EXPECT_EQ(little.check_file(kHeaderBinary, k900, nullptr, nullptr), 900);
    EXPECT_EQ(little.swap, 0);
}

TEST(BinaryHeader, ShortOrUnknownOrderIsRefused)
{
    EXPECT_EQ(check(std::string("i\x84\x03\0", 4), kHeaderBinary, k900, nullptr), 0);
    EXPECT_EQ(check("i", kHeaderBinary, k900, nullptr), 0);
    EXPECT_EQ(check(std::string("I\x84\x03\0\0", 5), kHeaderBinary, k900, nullptr), 0);
    EXPECT_EQ(check(std::string("i\x84\x03\0\0", 5), kHeaderBinary, k700, nullptr), 0);
}

TEST(FileHeaderDeathTest, UnknownKindsAreFatal)
{
    scratch_dir dir;
    write_file(dir / "f", "I\n900\n");
    xmap_class map(dir / "f");
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(map.check_file(3, k900, nullptr, nullptr)),
                 "alert 2: Bad check_file type!");
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(ouf_open(dir / "x", 7, 1, "")), "alert 2: Bad ouf_open type! / ");
}

TEST(HeaderWriter, PreferenceFileGetsTheTextHeaderAndFixedNumbers)
{
    scratch_dir dir;
    ASSERT_TRUE(ouf_open(dir / "Prefs.PRF", kHeaderText, 92001, "no-copyright-string"));
    ouf << "_rate " << 1.5 << "\n";
    ouf.close();
    EXPECT_EQ(read_file(dir / "Prefs.prf"), "I\n92001 version\n_rate 1.500000\n")
        << "the extension is written in lower case";
    EXPECT_FALSE(testing_support::file_exists(dir / "Prefs.PRF"));

    ASSERT_TRUE(ouf_open(dir / "data.bin", kHeaderBinary, 900, "no-copyright-string"));
    ouf.close();
    EXPECT_EQ(read_file(dir / "data.bin"), std::string("i\x84\x03\0\0", 5));

    ASSERT_TRUE(ouf_open(dir / "c.txt", kHeaderText, 1, " (c) us"));
    ouf.close();
    EXPECT_EQ(read_file(dir / "c.txt"), "I\n1 version (c) us\n");
}

TEST(HeaderWriter, MissingFolderIsCreatedOnceButNotTwoLevelsDeep)
{
    scratch_dir dir;
    ASSERT_TRUE(ouf_open(dir / "new/p.txt", kHeaderText, 1, "no-copyright-string"));
    ouf.close();
    EXPECT_EQ(read_file(dir / "new/p.txt"), "I\n1 version\n");

    alert_recorder alerts;
    EXPECT_FALSE(ouf_open(dir / "a/b/p.txt", kHeaderText, 1, "no-copyright-string"));
    ouf.clear();
    ASSERT_EQ(alerts.alerts().size(), 1u);
    EXPECT_EQ(alerts.alerts()[0].level, 1);
    EXPECT_EQ(alerts.alerts()[0].line2, dir / "a/b/p.txt");
}

TEST(HeaderWriter, WrittenFilesPassTheReader)
{
    scratch_dir dir;
    int versions[] = {92001, 0};
    xmap_class writer;
    ASSERT_TRUE(writer.io_file_open(1, dir / "round.txt", versions, kHeaderText));
    ouf << "KEY value\n";
    writer.io_file_close();
    EXPECT_FALSE(ouf.is_open());

    xmap_class reader;
    EXPECT_TRUE(reader.io_file_open(0, dir / "round.txt", versions, kHeaderText));
    EXPECT_EQ(reader.TXT_token(), "KEY");
    EXPECT_FALSE(reader.io_file_open(0, dir / "missing.txt", versions, kHeaderText));
    EXPECT_FALSE(reader.io_file_open(2, dir / "round.txt", versions, kHeaderText));
}
