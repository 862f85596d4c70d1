#include "engine/dvd_install_pump.h"

#include <algorithm>
#include <vector>

#include "core/core_globals.h"
#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/shell_hooks.h"
#include "core/threads/utl_thread.h"
#include "core/threads/worker_threads.h"
#include "engine/installer_state.h"
#include "engine/installer_tasks.h"
#include "engine/manifest.h"

UTL_worker_threads* copy_pool = nullptr;
UTL_worker_threads* unzip_pool = nullptr;
int install_err_num = 0;
std::string install_err_msg;

namespace {

// Enough copies queued that the unpackers never starve while the drive
// seeks, few enough that a kill does not wait long.
constexpr int kQueuedTasks = 30;

// Copies that failed to unpack stay for the length of the run, as the error
// message names them; the run's end or a kill removes them.
std::vector<std::string> failed_copies;

void remove_failed_copies()
{
    for (const std::string& copy : failed_copies) delete_file(copy);
    failed_copies.clear();
}

const file_version_struct& current_version(int history) { return sim_info[history].back(); }

// The files this run installed or reported as failed, by history: a cursor
// moved back after the disk was lost passes them.
std::vector<char> handled;

constexpr int kCopyThreads = 1;  // a DVD reads fastest one file at a time

bool still_to_install(int history)
{
    return current_version(history).do_install && !handled[static_cast<size_t>(history)];
}

// A read that failed because the disk left the drive, not because a file of
// a disk in the drive is damaged.
bool disk_lost(const UTL_work_task* task)
{
    return static_cast<const dvd_unpack_task*>(task)->read_failed &&
           (dvd_path.empty() || !dir_exists(dvd_path + install_name));
}

// The disk went away: every read queued after it would fail on its own,
// each with its own question.  The reads not begun are dropped, what was
// read is unpacked, and the cursor goes back to the first file not
// installed, to be read again once the disk is back.
void stop_reads_of_lost_disk(int& cursor, int failed)
{
    installer_tasks_stop_reads(true);
    int earliest = failed;
    const auto settle = [&](UTL_work_task* task) {
        auto* file = static_cast<dvd_unpack_task*>(task);
        std::string message;
        if (file->check_error(message) == 0)
            handled[static_cast<size_t>(file->file_index)] = 1;
        else
            earliest = std::min(earliest, file->file_index);
        file->remove_temp_copy();
        delete file;
    };
    while (UTL_work_task* copied = copy_pool->wait_retired_tasks()) unzip_pool->enqueue_task(copied);
    while (UTL_work_task* done = unzip_pool->wait_retired_tasks()) settle(done);
    installer_tasks_stop_reads(false);
    cursor = std::min(cursor, earliest);
    install_err_num = 0;
    install_err_msg.clear();
    xer << "The DVD left the drive; the files from " << current_version(cursor).path << " on are read again.\n";
}

bool pools_idle()
{
    return copy_pool->count_total_tasks() == 0 && unzip_pool->count_total_tasks() == 0;
}

int default_abort_alert(const std::string& question, const std::string& label1,
                        const std::string& text1, const std::string& label2,
                        const std::string& text2)
{
    __MACIBM_alert(0, question, label1 + " " + text1, label2 + " " + text2, "", 1, __FILE__,
                   __LINE__);
    return 3;
}

abort_alert_fn abort_alert_hook = default_abort_alert;

}  // namespace

int install_files(int& cursor, int disk)
{
    const int histories = static_cast<int>(sim_info.size());
    if (!copy_pool) {  // a new run
        handled.assign(static_cast<size_t>(histories), 0);
        copy_pool = new UTL_worker_threads(kCopyThreads, kQueuedTasks);
    }
    if (!unzip_pool) unzip_pool = new UTL_worker_threads(UTL_count_processors(), kQueuedTasks);

    cursor = std::clamp(cursor, 0, histories);
    while (cursor < histories && !still_to_install(cursor)) ++cursor;

    // Manifest order, this disk only: the first file of another disk stops
    // the queueing even when files of this one follow it.
    while (cursor < histories && copy_pool->has_free_slot() &&
           current_version(cursor).disk == disk) {
        if (still_to_install(cursor)) copy_pool->enqueue_task(new dvd_unpack_task(cursor, temp_path));
        ++cursor;
    }

    // A copy stays in the copy group while the unpackers are full, so the
    // copy group fills up and the drive rests.
    while (unzip_pool->has_free_slot()) {
        UTL_work_task* copied = copy_pool->check_retired_tasks();
        if (!copied) break;
        unzip_pool->enqueue_task(copied);
    }

    while (UTL_work_task* unpacked = unzip_pool->check_retired_tasks()) {
        auto* file = static_cast<dvd_unpack_task*>(unpacked);
        install_err_num = file->check_error(install_err_msg);
        if (install_err_num != 0 && disk_lost(file)) {
            const int failed = file->file_index;
            delete file;
            stop_reads_of_lost_disk(cursor, failed);
            return kInstallNextDisk;
        }
        handled[static_cast<size_t>(file->file_index)] = 1;
        if (install_err_num != 0) failed_copies.push_back(file->temp_copy);
        delete file;
        if (install_err_num != 0) return kInstallError;
    }

    if (!pools_idle()) return kInstallWorking;
    if (cursor >= histories) {
        delete copy_pool;
        delete unzip_pool;
        copy_pool = unzip_pool = nullptr;
        remove_failed_copies();
        return kInstallDone;
    }
    return current_version(cursor).disk != disk && still_to_install(cursor) ? kInstallNextDisk : kInstallWorking;
}

std::size_t install_files_run_room()
{
    return kCopyThreads * UTL_worker_threads::thread_room(kCopyBlockBytes) +
           static_cast<std::size_t>(UTL_count_processors()) * UTL_worker_threads::thread_room();
}

std::size_t install_files_room_per_history() { return sizeof(decltype(handled)::value_type); }

int install_files_get_error(std::string& message)
{
    message = install_err_msg;
    const int err = install_err_num;
    install_err_num = 0;
    install_err_msg.clear();
    return err;
}

void install_files_kill()
{
    if (!copy_pool) return;  // the groups are made and deleted together
    // Before the wait for the files being read: the log then tells an
    // install cut short from one that never ended.
    xer << "Install stopped at " << static_cast<double>(xtim.microsecs()) * 1e-6 << "\n";
    while (UTL_work_task* copied = copy_pool->wait_retired_tasks())
        unzip_pool->enqueue_task(copied);
    while (UTL_work_task* done = unzip_pool->wait_retired_tasks()) {
        // Only the pump queues on these groups, and only DVD tasks.
        static_cast<dvd_unpack_task*>(done)->remove_temp_copy();
        delete done;
    }
    delete copy_pool;
    delete unzip_pool;
    copy_pool = unzip_pool = nullptr;
    remove_failed_copies();
}

// -- The continue-or-cancel question ---

int abort_alert(std::string question, std::string label1, std::string text1, std::string label2,
                std::string text2)
{
    return abort_alert_hook(question, label1, text1, label2, text2);
}

void set_abort_alert_hook(abort_alert_fn fn) { abort_alert_hook = fn ? fn : default_abort_alert; }
