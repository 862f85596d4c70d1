#include "engine/dvd_install_pump.h"

#include <algorithm>
#include <vector>

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
    if (!copy_pool) copy_pool = new UTL_worker_threads(1, kQueuedTasks);
    if (!unzip_pool) unzip_pool = new UTL_worker_threads(UTL_count_processors(), kQueuedTasks);

    const int histories = static_cast<int>(sim_info.size());
    cursor = std::clamp(cursor, 0, histories);
    while (cursor < histories && !current_version(cursor).do_install) ++cursor;

    // Manifest order, this disk only: the first file of another disk stops
    // the queueing even when files of this one follow it.
    while (cursor < histories && copy_pool->has_free_slot() &&
           current_version(cursor).disk == disk) {
        if (current_version(cursor).do_install)
            copy_pool->enqueue_task(new dvd_unpack_task(cursor, temp_path));
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
        install_err_num = unpacked->check_error(install_err_msg);
        if (install_err_num != 0)
            failed_copies.push_back(static_cast<dvd_unpack_task*>(unpacked)->temp_copy);
        delete unpacked;
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
    const file_version_struct& next = current_version(cursor);
    return next.disk != disk && next.do_install ? kInstallNextDisk : kInstallWorking;
}

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
