// The stream record of the web downloads, reset at the start of a run.
#include <gtest/gtest.h>

#include <vector>

#include "core/diag/frame_clock.h"
#include "engine/download_streams.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine_test_support.h"
#include "test_support.h"

namespace {

using testing_support::file_exists;
using testing_support::scratch_dir;
using testing_support::write_file;

std::vector<int> cancelled_slots;
void record_cancel(int slot) { cancelled_slots.push_back(slot); }

class DownloadStreams : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        cancelled_slots.clear();
        set_cancel_transfer_hook(record_cancel);
        temp_path = temp_.path();
        dest_dir_path = dest_.path();
        next = next_class{};
    }
    void TearDown() override { set_cancel_transfer_hook(nullptr); }

    void add_file(const std::string& path)
    {
        file_version_struct v;
        v.path = path;
        sim_info.push_back({v});
    }
    void expect_start_state()
    {
        EXPECT_EQ(next.cursor, 0);
        for (int k = 0; k < kStreamCount; ++k) {
            EXPECT_EQ(next.active[k], k < 2) << "stream " << k;
            EXPECT_EQ(next.wants_next[k], k < 2) << "stream " << k;
            EXPECT_EQ(next.file_index[k], 0) << "stream " << k;
        }
        EXPECT_EQ(next.in_progress_kb, 0);
        EXPECT_EQ(next.downloaded_kb, 0);
        EXPECT_EQ(next.installed_kb, 0);
    }

    scratch_dir temp_, dest_;
};

TEST_F(DownloadStreams, AResetWithNoManifestOnlySetsTheStartState)
{
    next.cursor = 7;
    next.active[3] = 1;
    next.file_index[3] = 2;
    next.downloaded_kb = 50;
    next.done = 1;
    next.reset_all_streams();
    expect_start_state();
    EXPECT_EQ(next.done, 1) << "the done flag is the pump's to clear";
    EXPECT_TRUE(cancelled_slots.empty());
}

TEST_F(DownloadStreams, AResetDropsTheArchivesOfActiveStreamsOnly)
{
    add_file("top/a.txt");
    add_file("top/b.txt");
    for (int k = 0; k < kStreamCount; ++k) write_file(stream_archive_path(k), "partial");
    next.active[0] = next.active[2] = 1;
    next.file_index[0] = 1;
    next.file_index[2] = 0;
    next.active[3] = 0;
    next.file_index[3] = 1;

    next.reset_all_streams();
    EXPECT_FALSE(file_exists(temp_ / "0.zip"));
    EXPECT_TRUE(file_exists(temp_ / "1.zip")) << "stream 1 was not active";
    EXPECT_FALSE(file_exists(temp_ / "2.zip"));
    EXPECT_TRUE(file_exists(temp_ / "3.zip"));
    EXPECT_EQ(cancelled_slots, (std::vector<int>{2, 4})) << "stream k transfers on slot k + 2";
    expect_start_state();
}

TEST_F(DownloadStreams, AResetNeverTouchesTheUsersFiles)
{
    add_file("top/Resources/notes.txt");
    write_file(dest_ / "Resources/notes.txt.zip", "the user's own archive");
    next.active[0] = 1;
    next.file_index[0] = 0;
    next.reset_all_streams();
    EXPECT_TRUE(file_exists(dest_ / "Resources/notes.txt.zip"));
}

TEST_F(DownloadStreams, AResetAfterAFinishedRunDeletesNothing)
{
    add_file("top/a.txt");
    write_file(stream_archive_path(0), "x");
    next.active[0] = next.active[1] = 1;
    next.file_index[0] = next.file_index[1] = 1;
    next.reset_all_streams();
    EXPECT_TRUE(file_exists(stream_archive_path(0)));
    EXPECT_TRUE(cancelled_slots.empty());
}

TEST_F(DownloadStreams, TheRateStartsAtZeroAndCountsAtLeastOneSecond)
{
    next.reset_all_streams();
    EXPECT_EQ(next.start_time, xtim.real_time);
    EXPECT_EQ(next.rate(xtim.real_time + 5), 0);
    next.downloaded_kb = 300;
    next.in_progress_kb = 100;
    EXPECT_FLOAT_EQ(next.rate(next.start_time + 0.25f), 400) << "under a second counts as one";
    EXPECT_FLOAT_EQ(next.rate(next.start_time + 4), 100);
}

}  // namespace
