// The pump's bookkeeping without a network: how many streams run, how the
// cursor moves, and when a run is through.  The plans here only skip and
// delete, so no transfer starts.
#include <gtest/gtest.h>

#include "core/diag/frame_clock.h"
#include "engine/download_pump.h"
#include "engine/download_streams.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine_test_support.h"
#include "test_support.h"

namespace {

using testing_support::scratch_dir;

class PumpStreams : public testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        stg_set_start_values();
        stg.server_count = 1;
        server_name[0] = "files.example.com";
        server_path[0] = "/Demo/";
        temp_path = dir_ / "tmp/";
        dest_dir_path = dir_ / "Copy/";
        xtim.real_time = 0;
        next = next_class{};
    }

    // `count` files that are current already (skipped with phase 2).
    void plan_skips(int count)
    {
        for (int i = 0; i < count; ++i) {
            file_version_struct v;
            v.path = "Top/f" + std::to_string(i) + ".txt";
            v.is_current = 1;
            sim_info.push_back({v});
        }
    }

    int active_streams() const
    {
        int count = 0;
        for (int k = 0; k < kStreamCount; ++k) count += next.active[k];
        return count;
    }

    scratch_dir dir_;
};

TEST_F(PumpStreams, EmptyPlanIsThroughOnTheFirstCall)
{
    next.reset_all_streams();
    EXPECT_EQ(grab_files(), 1);
    EXPECT_EQ(next.done, 1);
    EXPECT_EQ(next.file_index[0], 0);
    EXPECT_EQ(next.file_index[1], 0);
}

TEST_F(PumpStreams, PlanOfSkipsRunsOnTwoStreamsToTheEnd)
{
    plan_skips(9);
    sim_info[4].back().is_current = 0;
    next.reset_all_streams();
    int calls = 0;
    while (grab_files() == 0) ++calls;
    EXPECT_EQ(calls, 5) << "two files per call; the end is seen when both streams ask past it";
    EXPECT_EQ(active_streams(), 2) << "a rate of 0 wants two streams";
    EXPECT_EQ(next.cursor, 9);
    EXPECT_EQ(stg.file_action, 2);
}

TEST_F(PumpStreams, NotWantedFileIsSkippedWithPhaseThree)
{
    plan_skips(1);
    sim_info[0].back().is_current = 0;
    next.reset_all_streams();
    grab_files();
    EXPECT_EQ(stg.file_action, 3);
}

TEST_F(PumpStreams, OneStreamByHandSwitchesTheOtherOffAndNeverTheLast)
{
    plan_skips(6);
    stg.stream_count = 1;
    next.reset_all_streams();
    grab_files();
    EXPECT_EQ(active_streams(), 1);
    while (grab_files() == 0) EXPECT_EQ(active_streams(), 1);
    EXPECT_EQ(next.cursor, 6) << "every file was handed out";
}

TEST_F(PumpStreams, StreamCountOutsideOneToFourIsAutomatic)
{
    for (int stored : {-3, 0, 5, 1000}) {
        sim_info.clear();
        plan_skips(6);
        stg.stream_count = stored;
        next = next_class{};
        next.reset_all_streams();
        grab_files();
        EXPECT_EQ(active_streams(), 2) << "stored count " << stored;
        while (grab_files() == 0) ASSERT_GE(active_streams(), 1);
        EXPECT_EQ(next.cursor, 6) << "stored count " << stored;
    }
}

TEST_F(PumpStreams, FastRateAddsOneStreamPerFinishedFileUpToFour)
{
    plan_skips(20);
    next.reset_all_streams();
    next.downloaded_kb = 1200;  // 120 kB/s over ten seconds: six wanted
    xtim.real_time = 10;
    grab_files();
    EXPECT_EQ(active_streams(), 4) << "streams 0 and 1 each added one";
    grab_files();
    EXPECT_EQ(active_streams(), 4) << "never more than four";
}

TEST_F(PumpStreams, DeletionRecordsEveryFolderBelowTheDestination)
{
    file_version_struct v;
    v.path = "Top/A/B/c.txt";
    v.do_delete = 1;
    sim_info.push_back({v});
    testing_support::write_file(dest_dir_path + "A/B/c.txt", "c");
    next.reset_all_streams();
    EXPECT_EQ(grab_files(), 0);
    EXPECT_EQ(stg.file_action, 0);
    EXPECT_FALSE(testing_support::file_exists(dest_dir_path + "A/B/c.txt"));
    EXPECT_EQ(deleted_files, (std::set<std::string>{dest_dir_path + "A/", dest_dir_path + "A/B/"}));
    EXPECT_EQ(stg.delete_failed, 0);
    EXPECT_EQ(grab_files(), 1);
    EXPECT_FALSE(testing_support::file_exists(dest_dir_path + "A/"));
    EXPECT_TRUE(testing_support::file_exists(dest_dir_path));
    EXPECT_EQ(grab_files(), 1) << "a further call repeats the clean-up and answers 1 again";
}

TEST_F(PumpStreams, DeletionThroughALinkOutOfTheCopyIsRefused)
{
    scratch_dir outside;
    testing_support::write_file(outside / "precious.txt", "keep me");
    testing_support::write_file(dest_dir_path + ".keep", "");
    ASSERT_EQ(::symlink(outside.path().c_str(), (dest_dir_path + "Link").c_str()), 0);
    file_version_struct v;
    v.path = "Top/Link/precious.txt";
    v.do_delete = 1;
    sim_info.push_back({v});
    next.reset_all_streams();
    while (grab_files() == 0) {
    }
    EXPECT_EQ(testing_support::read_file(outside / "precious.txt"), "keep me");
    EXPECT_EQ(stg.delete_failed, 1) << "the finish must hear of the file that stays";
}

}  // namespace
