#include <gtest/gtest.h>

#include <string>

#include "core/threads/utl_thread.h"
#include "log_capture.h"
#include "test_support.h"

using testing_support::scratch_dir;
using testing_support::write_file;

namespace {

struct counted {
    int count;
    std::string stderr_text;
    std::string log;
};

counted count_in(const std::string& path)
{
    log_capture log;
    testing::internal::CaptureStderr();
    UTL_set_cpuinfo_path(path.c_str());
    int n = UTL_count_processors();
    UTL_set_cpuinfo_path(nullptr);
    return {n, testing::internal::GetCapturedStderr(), log.text()};
}

counted count_text(const std::string& cpuinfo)
{
    scratch_dir dir;
    write_file(dir / "cpuinfo", cpuinfo);
    return count_in(dir / "cpuinfo");
}

}  // namespace

TEST(ProcessorCount, CountsModelNameLinesSilently)
{
    std::string four;
    for (int i = 0; i < 4; ++i)
        four += "processor\t: " + std::to_string(i) + "\nmodel name\t: Test CPU\nflags\t: fpu\n\n";
    counted c = count_text(four);
    EXPECT_EQ(c.count, 4);
    EXPECT_EQ(c.stderr_text, "");
    EXPECT_EQ(c.log, "");
    EXPECT_EQ(count_text("model name\n").count, 1) << "the bare key counts";
}

TEST(ProcessorCount, NoModelNameLineOrWrongCaseMeansOneWithAMessage)
{
    for (const char* text : {"processor\t: 0\ncpu MHz\t: 1000\n", "Model Name\t: X\nMODEL NAME: Y\n", ""}) {
        counted c = count_text(text);
        EXPECT_EQ(c.count, 1) << text;
        EXPECT_NE(c.stderr_text.find("LINUX: I searched /proc/cpuinfo for processors"), std::string::npos);
        EXPECT_NE(c.stderr_text.find("that you have one CPU.\n"), std::string::npos);
        EXPECT_EQ(c.log, "Linux CPU detect failed -- no processors in /proc/cpuinfo\n");
    }
}

TEST(ProcessorCount, UnreadableFileMeansOneWithTheSystemsReason)
{
    scratch_dir dir;
    counted c = count_in(dir / "missing");
    EXPECT_EQ(c.count, 1);
    EXPECT_NE(c.stderr_text.find("LINUX: I could not open /proc/cpuinfo"), std::string::npos);
    EXPECT_NE(c.stderr_text.find("I got was:\n\tNo such file or directory\n"), std::string::npos);
    EXPECT_EQ(c.log, "Linux CPU detect failed -- /proc/cpuinfo couldn't be opened\n");
}

TEST(ProcessorCount, LongLinesCountOnceAndOnlyFromTheirStart)
{
    // The continuation of a long line begins with the key right where the
    // 511-byte read buffer cuts it: it is not a line of its own.
    std::string long_flags = "flags\t: " + std::string(511 - 8, 'x') + "model name tail\n";
    std::string long_model = "model name\t: " + std::string(600, 'y') + "\n";
    counted c = count_text(long_flags + long_model + "model name\t: short\n");
    EXPECT_EQ(c.count, 2);
    EXPECT_EQ(c.log, "");
}

TEST(ProcessorCount, TheRealMachineHasAtLeastOne)
{
    EXPECT_GE(UTL_count_processors(), 1);
}
