// The checksum pump driven frame by frame, as the wizard's scan screens do.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/diag/log_stream.h"
#include "core/threads/utl_thread.h"
#include "core/threads/worker_threads.h"
#include "engine/checksum_pump.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/scan_stamps.h"
#include "engine/manifest.h"
#include "dvd_fixtures.h"
#include "engine_test_support.h"
#include "pump_fixture.h"

namespace {

using engine_testing::log_capture;
using testing_support::make_sparse;
using testing_support::md5_hex;
using testing_support::scratch_dir;
using testing_support::write_file;

class ChecksumPump : public engine_testing::pump_test {
protected:
    // n histories "top/file<i>" wanting the signature of "contents <i>",
    // every one installed as wanted.
    void install_files(int n)
    {
        for (int i = 0; i < n; ++i) {
            const std::string contents = "contents " + std::to_string(i);
            write_file(dest_ / ("file" + std::to_string(i)), contents);
            file_version_struct v;
            v.path = "top/file" + std::to_string(i);
            v.sig_want = md5_hex(contents);
            sim_info.push_back({v});
        }
    }
    // Makes the first file big enough that its checksum outlasts a frame.
    void slow_first_file()
    {
        ASSERT_TRUE(make_sparse(dest_ / "file0", 96 << 20));
    }
    // Frames until the pump answers 1; the number of frames it took.
    int run_to_end(int& cursor, int quick, float& progress)
    {
        int frames = 1;
        while (!checksum_directory(cursor, quick, progress)) ++frames;
        return frames;
    }
    // One processor, `files` installed files, the first slow to read, and a
    // run started on them that is still out.
    void start_slow_run(int files, int& cursor, float& progress)
    {
        one_processor();
        install_files(files);
        slow_first_file();
        cursor = 0;
        progress = 0;
        ASSERT_EQ(checksum_directory(cursor, 0, progress), 0) << "tasks are still out";
    }
};

TEST_F(ChecksumPump, EveryFileOfAFullCopyIsCheckedAndCurrent)
{
    install_files(137);
    write_file(dest_ / "file5", "damaged");
    int cursor = 0;
    float progress = 0;
    run_to_end(cursor, 0, progress);

    EXPECT_EQ(cursor, 137);
    EXPECT_FLOAT_EQ(progress, 1.0f);
    EXPECT_EQ(checksum_workers, nullptr) << "the group goes with the run";
    for (int i = 0; i < 137; ++i)
        EXPECT_EQ(sim_info[i].back().is_current, i != 5) << "file " << i;
    EXPECT_EQ(sim_info[5].back().sig_have, md5_hex("damaged"));
}

void fail_the_checksum_of_file_5(installer_task_step step, int history)
{
    if (step == installer_task_step::checksum && history == 5) throw std::bad_alloc();
}

// Nothing catches on a worker: a file whose check ran out of memory is
// taken for one there but unreadable, which the plan asks about rather
// than installs over; the run logs it and goes on with the rest.
TEST_F(ChecksumPump, AFileWhoseCheckRunsOutOfMemoryIsUnreadableAndTheRunGoesOn)
{
    install_files(30);
    log_capture log;
    installer_tasks_set_hook(fail_the_checksum_of_file_5);
    int cursor = 0;
    float progress = 0;
    run_to_end(cursor, 0, progress);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(sim_info[i].back().is_current, i != 5) << "file " << i;
    EXPECT_EQ(sim_info[5].back().sig_have, kSigUnreadable);
    EXPECT_NE(log.text().find("I was unable to check the file " + dest_ / "file5" + ": Out of memory."),
              std::string::npos)
        << log.text();
}

TEST_F(ChecksumPump, OneProcessorTakes25FilesInThreeBatchesAndIsDoneOnlyWhenAllAreBack)
{
    int cursor;
    float progress;
    start_slow_run(25, cursor, progress);
    EXPECT_EQ(cursor, 25);
    EXPECT_FLOAT_EQ(progress, 1.0f) << "progress counts what was handed out";
    ASSERT_NE(checksum_workers, nullptr);
    EXPECT_EQ(checksum_workers->count_total_tasks(), 3) << "batches of 10, 10 and 5";

    run_to_end(cursor, 0, progress);
    EXPECT_EQ(checksum_workers, nullptr);
    for (int i = 0; i < 25; ++i) EXPECT_NE(sim_info[i].back().sig_have, "") << "file " << i;
    EXPECT_EQ(sim_info[0].back().is_current, 0) << "the big file is not what was shipped";
    EXPECT_EQ(sim_info[24].back().is_current, 1);
}

// Ten large files in a row would otherwise be one task, read one after the
// other on one worker while the others idle.
TEST_F(ChecksumPump, LargeFilesGoToTasksOfTheirOwn)
{
    one_processor();
    install_files(12);
    slow_first_file();
    for (int i = 0; i < 4; ++i) sim_info[i].back().installed_size = 100 * 1024;
    int cursor = 0;
    float progress = 0;
    ASSERT_EQ(checksum_directory(cursor, 0, progress), 0);
    EXPECT_EQ(cursor, 4) << "one large file a task, four tasks to the one processor";
    run_to_end(cursor, 0, progress);
    EXPECT_EQ(cursor, 12);
    for (int i = 1; i < 12; ++i) EXPECT_EQ(sim_info[i].back().is_current, 1) << "file " << i;
}

// Small files before a large one fill a task of their own; the large file
// is not added to it, or one worker reads it after them while others wait.
TEST_F(ChecksumPump, ALargeFileAfterSmallOnesStartsATaskOfItsOwn)
{
    one_processor();
    install_files(30);
    slow_first_file();
    sim_info[3].back().installed_size = 20 * 1024;
    int cursor = 0;
    float progress = 0;
    ASSERT_EQ(checksum_directory(cursor, 0, progress), 0);
    EXPECT_EQ(cursor, 24) << "tasks of files 0-2, 3 alone, 4-13 and 14-23";
    run_to_end(cursor, 0, progress);
    EXPECT_EQ(sim_info[29].back().is_current, 1);
}

// The destination screen runs the pump to its end within one frame: the
// caller sleeps until a task is back instead of asking again and again.
TEST_F(ChecksumPump, ACallerThatWaitsBetweenCallsAsksOnceATask)
{
    one_processor();
    install_files(137);
    checksum_directory_wait();  // no run: back at once
    int cursor = 0, calls = 1;
    float progress = 0;
    while (!checksum_directory(cursor, 0, progress)) {
        checksum_directory_wait();
        ++calls;
    }
    EXPECT_LE(calls, 15) << "14 tasks: one call each, and the first";
    EXPECT_EQ(checksum_workers, nullptr);
    for (int i = 0; i < 137; ++i) ASSERT_EQ(sim_info[i].back().is_current, 1) << "file " << i;
}

TEST_F(ChecksumPump, NoDestinationFolderMarksEveryFileAbsentInOneCall)
{
    install_files(3);
    sim_info[1].back().sig_want = "GONE";
    sim_info[2].back().sig_want = "NONE";
    sim_info[0].back().platform = 2;  // not wanted on Linux: marked all the same
    dest_dir_path = dest_ / "not/there/";
    int cursor = 0;
    float progress = 0.25f;
    log_capture log;

    EXPECT_EQ(checksum_directory(cursor, 0, progress), 1);
    EXPECT_EQ(checksum_workers, nullptr);
    EXPECT_FLOAT_EQ(progress, 0.25f) << "the caller's progress stays";
    EXPECT_EQ(cursor, 0);
    for (const file_history_struct& h : sim_info) EXPECT_EQ(h.back().sig_have, "NONE");
    EXPECT_EQ(sim_info[0].back().is_current, 0);
    EXPECT_EQ(sim_info[1].back().is_current, 0) << "a gone file is not current";
    EXPECT_EQ(sim_info[2].back().is_current, 1) << "wanted absent, and absent";
    EXPECT_EQ(log.text(), "");
}

TEST_F(ChecksumPump, AnEmptyManifestLogsTheRunAndIsDoneAtOnce)
{
    int cursor = 0;
    float progress = 0.5f;
    log_capture log;
    EXPECT_EQ(checksum_directory(cursor, 0, progress), 1);
    EXPECT_FLOAT_EQ(progress, 0.0f);
    const std::string text = log.text();
    EXPECT_EQ(text.find(" Start of MD5 at "), 0u) << text;
    EXPECT_NE(text.find("\n End of MD5 at "), std::string::npos) << text;
}

TEST_F(ChecksumPump, AKillMidRunWaitsForTheTasksOutAndKeepsTheCursor)
{
    int cursor;
    float progress;
    start_slow_run(60, cursor, progress);
    EXPECT_EQ(cursor, 40) << "four slots of ten";

    checksum_directory_kill();
    EXPECT_EQ(checksum_workers, nullptr);
    EXPECT_EQ(cursor, 40);
    EXPECT_EQ(sim_info[39].back().is_current, 1) << "tasks in flight were finished";
    EXPECT_EQ(sim_info[40].back().sig_have, "") << "nothing past the cursor was looked at";

    checksum_directory_kill();  // again, with no run: nothing happens

    cursor = 0;
    run_to_end(cursor, 0, progress);  // a new run starts over
    EXPECT_EQ(sim_info[59].back().is_current, 1);
}

TEST_F(ChecksumPump, AFolderThatVanishesMidRunDoesNotRaceTheWorkers)
{
    int cursor;
    float progress;
    start_slow_run(40, cursor, progress);
    const std::string moved = dest_.path().substr(0, dest_.path().size() - 1) + ".moved";
    ASSERT_EQ(::rename(dest_.path().c_str(), moved.c_str()), 0);

    run_to_end(cursor, 0, progress);
    ::rename(moved.c_str(), dest_.path().c_str());
    EXPECT_EQ(cursor, 40);
    EXPECT_EQ(checksum_workers, nullptr);
}

}  // namespace
