#include "engine/checksum_pump.h"

#include <algorithm>

#include "core/files/file_checksum.h"
#include "core/files/file_ops.h"
#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/threads/utl_thread.h"
#include "core/threads/worker_threads.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"

UTL_worker_threads* checksum_workers = nullptr;

namespace {

// Small enough that one slow file holds back little, large enough that the
// queues are not the bottleneck.
constexpr int kFilesPerTask = 10;
constexpr int kTasksPerThread = 4;
// A task holds no more than this (by the manifest), and a file larger than
// that is a task of its own: a folder of large files then goes to several
// workers side by side, and no worker is left with a large file behind a
// batch of small ones while the others wait for the next frame.
constexpr float kKilobytesPerTask = 16 * 1024;

int batch_end(int cursor, int histories)
{
    int end = cursor;
    float kilobytes = 0;
    while (end < histories && end - cursor < kFilesPerTask) {
        const float size = sim_info[end].back().installed_size;
        if (end > cursor && kilobytes + size > kKilobytesPerTask) break;
        kilobytes += size;
        ++end;
    }
    return end;
}

double clock_seconds() { return static_cast<double>(xtim.microsecs()) * 0.000001; }

// A task is collected and deleted here; the file that failed in it (for
// want of memory) is left for the plan to ask about, and only logged.
void collect(UTL_work_task* task)
{
    std::string message;
    if (task->check_error(message) != 0) xer << message << "\n";
    delete task;
}

// Nothing is installed where there is no folder: every file is absent, and
// current only where the manifest wants it absent.
void mark_all_absent()
{
    for (file_history_struct& history : sim_info) {
        file_version_struct& v = history.back();
        v.sig_have = "NONE";
        v.is_current = v.sig_want == "NONE";
    }
}

}  // namespace

int checksum_directory(int& cursor, int mode, float& progress)
{
    // Only from idle: the workers of a run under way still own their
    // histories, and find the files gone by themselves.
    if (!checksum_workers && !dir_exists(dest_dir_path)) {
        mark_all_absent();
        scan_stamps_begin(false);
        return 1;
    }

    const int histories = static_cast<int>(sim_info.size());
    cursor = std::clamp(cursor, 0, histories);
    if (!checksum_workers) {
        const int threads = UTL_count_processors();
        checksum_workers = new UTL_worker_threads(threads, kTasksPerThread * threads);
        // A pass over the files to remove adds to the stamps of the pass
        // before it; any other starts them anew.
        if (mode != kChecksumRemovals) scan_stamps_begin(true);
        xer << " Start of MD5 at " << clock_seconds() << "\n";
    }

    // Collected first: a slot freed since the last call is refilled now,
    // not a frame later.
    while (UTL_work_task* done = checksum_workers->check_retired_tasks()) collect(done);
    while (cursor < histories && checksum_workers->has_free_slot()) {
        const int end = batch_end(cursor, histories);
        checksum_workers->enqueue_task(new checksum_task(cursor, end, mode));
        cursor = end;
    }

    progress = histories ? static_cast<float>(cursor) / static_cast<float>(histories) : 0.0f;
    if (cursor < histories || checksum_workers->count_total_tasks() > 0) return 0;

    delete checksum_workers;
    checksum_workers = nullptr;
    xer << " End of MD5 at " << clock_seconds() << "\n";
    return 1;
}

void checksum_directory_wait()
{
    if (!checksum_workers) return;
    if (UTL_work_task* done = checksum_workers->wait_retired_tasks()) collect(done);
}

std::size_t checksum_run_room()
{
    return static_cast<std::size_t>(UTL_count_processors()) * UTL_worker_threads::thread_room(kChecksumBlockBytes);
}

void checksum_directory_kill()
{
    if (!checksum_workers) return;
    // Before the wait for the files being read: the log then tells a scan
    // cut short from one that never ended.
    xer << " MD5 stopped at " << clock_seconds() << "\n";
    while (UTL_work_task* done = checksum_workers->wait_retired_tasks()) collect(done);
    delete checksum_workers;
    checksum_workers = nullptr;
}
