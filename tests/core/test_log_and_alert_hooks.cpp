#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "core/diag/fatal_trace.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "test_support.h"

using testing_support::read_file;
using testing_support::scratch_dir;

TEST(LogStream, LinesFromManyThreadsNeverInterleave)
{
    scratch_dir dir;
    ASSERT_TRUE(xer.open(dir / "log.txt"));
    std::vector<std::thread> writers;
    for (int t = 0; t < 8; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < 500; ++i) xer << "thread " << t << " line " << i << " end\n";
        });
    for (auto& w : writers) w.join();
    xer.close();

    std::string all = read_file(dir / "log.txt");
    size_t lines = 0, start = 0;
    for (size_t nl; (nl = all.find('\n', start)) != std::string::npos; start = nl + 1, ++lines) {
        std::string line = all.substr(start, nl - start);
        ASSERT_EQ(line.rfind("thread ", 0), 0u) << "torn line: " << line;
        ASSERT_EQ(line.substr(line.size() - 4), " end") << "torn line: " << line;
    }
    EXPECT_EQ(lines, 8u * 500u);
}

TEST(LogStream, PartialLineWaitsForFlushAndClosedLogSwallowsLines)
{
    scratch_dir dir;
    ASSERT_TRUE(xer.open(dir / "log.txt"));
    xer << "half";
    EXPECT_EQ(read_file(dir / "log.txt"), "");
    xer << std::flush;
    EXPECT_EQ(read_file(dir / "log.txt"), "half");
    xer.close();
    xer << "after close\n";
    EXPECT_EQ(read_file(dir / "log.txt"), "half");
    EXPECT_FALSE(xer.open(dir / "missing-folder/log.txt"));
    xer.clear();
}

TEST(AlertHook, DefaultWarningPrintsTheStandardOutputFormAndReturns)
{
    testing::internal::CaptureStdout();
    __MACIBM_alert(0, "one", "two", "", "four", 1, "file.cpp", 12);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "N-System Error:\none\n\ntwo\n\n\n\nfour\n\nSorry.\n");
}

TEST(AlertHookDeathTest, DefaultFatalAlertAborts)
{
    EXPECT_DEATH(__MACIBM_alert(0, "bad", "", "", "", 2, __FILE__, __LINE__), "");
}

namespace {
int hooked_level = -1;
void record_alert(int, const std::string&, const std::string&, const std::string&,
                  const std::string&, int level, const char*, int)
{
    hooked_level = level;
}
}  // namespace

TEST(AlertHook, InstalledHookReplacesTheDefaultUntilCleared)
{
    set_alert_hook(record_alert);
    __MACIBM_alert(0, "x", "", "", "", 2, __FILE__, __LINE__);
    set_alert_hook(nullptr);
    EXPECT_EQ(hooked_level, 2);
    EXPECT_EQ(alert_position_text("a.cpp", -3), "(a.cpp line -3)");
}
