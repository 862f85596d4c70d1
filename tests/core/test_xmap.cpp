#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "alert_recorder.h"
#include "core/core_globals.h"
#include "core/diag/log_stream.h"
#include "core/files/xmap.h"
#include "test_support.h"

using testing_support::read_file;
using testing_support::run_unprivileged;
using testing_support::scratch_dir;
using testing_support::write_file;

TEST(MappedFile, EmptyPathHoldsNothingAndEmptyFileHoldsZeroBytes)
{
    xmap_class none("");
    EXPECT_EQ(none.begin, nullptr);
    scratch_dir dir;
    write_file(dir / "empty", "");
    xmap_class empty(dir / "empty");
    ASSERT_NE(empty.begin, nullptr) << "an empty file is data of no bytes, not a missing file";
    EXPECT_EQ(empty.begin, empty.end);
    EXPECT_EQ(empty.path, dir / "empty");
}

TEST(MappedFile, MapsTheWholeFileAndCorrectsLetterCase)
{
    scratch_dir dir;
    std::string bytes(100000, 'q');
    bytes[99999] = 'z';
    write_file(dir / "Data/Big.bin", bytes);
    xmap_class map(dir / "data/big.BIN");
    ASSERT_NE(map.begin, nullptr);
    EXPECT_EQ(std::string(map.begin, map.end), bytes);
    EXPECT_EQ(map.retry(dir / "gone"), nullptr) << "reloading a missing file leaves no data";
    EXPECT_EQ(map.begin, nullptr);
}

TEST(MappedFile, PipesFoldersAndDevicesGiveNoDataWithoutBlocking)
{
    scratch_dir dir;
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    EXPECT_EQ(xmap_class(dir / "fifo").begin, nullptr);
    EXPECT_EQ(xmap_class(dir.path()).begin, nullptr);
    EXPECT_EQ(xmap_class("/dev/zero").begin, nullptr);
}

TEST(MappedFile, UnreadableFileGivesNoData)
{
    scratch_dir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    write_file(dir / "secret", "s");
    ASSERT_EQ(::chmod((dir / "secret").c_str(), 0), 0);
    std::string secret = dir / "secret";
    EXPECT_EQ(run_unprivileged([&] { return xmap_class(secret).begin == nullptr ? 0 : 1; }), 0);
}

TEST(MappedFile, ColonsAndBackslashesAreAllowedInAbsolutePaths)
{
    scratch_dir dir;
    write_file(dir / "C:\\odd name.txt", "odd");
    xmap_class map(dir / "C:\\odd name.txt");
    ASSERT_NE(map.begin, nullptr);
    EXPECT_EQ(std::string(map.begin, map.end), "odd");
}

TEST(MappedFileDeathTest, BadDircharsInRelativePathsAreFatal)
{
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(xmap_class("sub\\file.txt")),
                 "alert 2: OOPS! / I got a bad dirchar! I only want '/'! / The path in question is: / sub.file.txt");
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(xmap_class("C:file.txt")), "bad dirchar");
}

TEST(MappedFileDeathTest, PathHoldingTheApplicationPrefixIsFatalOnlyWhileItIsSet)
{
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR({
                     app_path = "/opt/prog/";
                     xmap_class map("/opt/prog/data.txt");
                 }),
                 "not N-System relative!");
    ASSERT_TRUE(app_path.empty());
    xmap_class map("/opt/prog/data.txt");  // no alert with app_path empty
    EXPECT_EQ(map.begin, nullptr);
}

TEST(MappedFile, ReadNRevSwapsWholeWordsOnlyAndRefusesToReadPastTheEnd)
{
    scratch_dir dir;
    write_file(dir / "w", "ABCDEFGH");
    xmap_class map(dir / "w");
    char out[8] = {};
    map.swap = 1;
    map.read_n_rev(reinterpret_cast<long>(out), 6);
    EXPECT_EQ(std::string(out, 6), "DCBAEF");
    map.swap = 0;
    map.read_n_rev(reinterpret_cast<long>(out), 2);
    EXPECT_EQ(std::string(out, 2), "GH");
    EXPECT_EQ(map.pos, map.end);
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(map.read_n_rev(reinterpret_cast<long>(out), 1)),
                 "alert 2: Invalid read_n_rev read!");
    xmap_class empty;
    empty.read_n_rev(reinterpret_cast<long>(out), 0);
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(empty.read_n_rev(reinterpret_cast<long>(out), 4)),
                 "alert 2: Invalid read_n_rev read!");
}

TEST(MappedFile, WordReadersApplyTheSwapFlagAndReadZeroPastTheEnd)
{
    scratch_dir dir;
    write_file(dir / "w", std::string("\x01\x02\x03\x04\x05\x06\x07", 7));
    xmap_class map(dir / "w");
    EXPECT_EQ(map.read_16(), 0x0201u);
    map.swap = 1;
    EXPECT_EQ(map.read_32(), 0x03040506u);
    EXPECT_EQ(map.read_32(), 0u) << "a cut field reads as 0";
    EXPECT_EQ(map.read_16(), 0u) << "and so does every field after it";
    EXPECT_EQ(map.pos, map.end);
}

TEST(MappedFile, TextStepsWalkTokensIntegersAndLines)
{
    scratch_dir dir;
    write_file(dir / "t", "FILE  -12 +7 x9  name with blanks  \r\n\r\n\t  NEXT 99999999999999999999999999999");
    xmap_class map(dir / "t");
    EXPECT_EQ(map.TXT_token(), "FILE");
    EXPECT_EQ(map.TXT_int(), -12);
    EXPECT_EQ(map.TXT_int(), 7);
    EXPECT_EQ(map.TXT_int(), static_cast<int>((unsigned('x') - '0') * 10u + 9u));
    EXPECT_EQ(map.TXT_rest_of_line(), "name with blanks  ");
    map.TXT_next_line();
    EXPECT_EQ(map.TXT_token(), "NEXT");
    map.TXT_int();  // thirty digits: wraps, never undefined
    EXPECT_TRUE(map.TXT_at_end());
    EXPECT_EQ(map.TXT_token(), "");
    EXPECT_EQ(map.TXT_int(), 0);
}

TEST(MappedFile, LogLineNumbersCountEveryKindOfLineEnd)
{
    scratch_dir dir;
    write_file(dir / "crlf", "one\r\ntwo\r\nthird line\r\nfour");
    write_file(dir / "cr", "one\rtwo\rthird line\rfour");
    ASSERT_TRUE(xer.open(dir / "log.txt"));
    for (const char* name : {"crlf", "cr"}) {
        xmap_class map(dir / name);
        map.pos = std::strstr(map.begin, "third");
        map.TXT_xer_line();
        map.pos += 3;  // the middle of the line names the same line
        map.TXT_xer_line();
    }
    xer.close();
    EXPECT_EQ(read_file(dir / "log.txt"),
              "3 \"third line\"\n3 \"third line\"\n3 \"third line\"\n3 \"third line\"\n");
}
