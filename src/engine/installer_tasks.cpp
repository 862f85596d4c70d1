#include "engine/installer_tasks.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>

#include "core/core_globals.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/diag/log_stream.h"
#include "engine/copy_gate.h"
#include "engine/checksum_pump.h"
#include "engine/dvd_mounts.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/run_temp_folder.h"
#include "engine/scan_stamps.h"

namespace {

std::atomic<bool> abandoned{false};
std::atomic<bool> reads_stopped{false};
std::atomic<installer_task_hook> step_hook{nullptr};

bool work_abandoned() { return abandoned.load(std::memory_order_relaxed); }

void step_begins(installer_task_step step, int history)
{
    if (installer_task_hook hook = step_hook.load(std::memory_order_relaxed)) hook(step, history);
}

}  // namespace

void installer_tasks_abandon(bool abandon) { abandoned.store(abandon, std::memory_order_relaxed); }

void installer_tasks_stop_reads(bool stop) { reads_stopped.store(stop, std::memory_order_relaxed); }

void installer_tasks_set_hook(installer_task_hook hook) { step_hook.store(hook, std::memory_order_relaxed); }

// -- Checksums ---

checksum_task::checksum_task(int first, int last, int mode)
    : first_file(first), last_file(last), mode(mode), unreadable_(kSigUnreadable)
{
}

void checksum_task::do_it()
{
    for (int i = first_file; i < last_file; ++i) {
        if (work_abandoned()) return;
        file_history_struct& history = sim_info[i];
        const int current = static_cast<int>(history.size()) - 1;
        if (!want_this_f(i, current)) continue;

        file_version_struct& v = history[current];
        if (mode == kChecksumRemovals && !(file_present(v) && plan_removes(v))) continue;
        // Nothing catches on a worker: a file that found no memory fails
        // alone, and the task goes on with the next.
        try {
            step_begins(installer_task_step::checksum, i);
            const std::string installed = dest_path_of(v);
            const bool read_it = mode != kChecksumExists || v.sig_want == "GONE";
            // Taken before the contents are read: a change made while they
            // are read shows as a change since.
            const file_stamp seen = stamp_of_path(installed);
            // calc_file_md5 never opens a pipe or device in a blocking way.
            // A file that is there but cannot be read whole is no absent
            // one: the plan must not install over it unasked.
            v.sig_have = read_it || !seen.present ? installed_signature(installed, seen) : v.sig_want;
            v.is_current = v.sig_have == v.sig_want;
            scan_stamp_note(v, seen);
        } catch (const std::bad_alloc&) {
            v.sig_have = unreadable_;
            v.is_current = 0;
            if (failed_file < 0) failed_file = i;
            err_num = ENOMEM;
        }
    }
}

int checksum_task::check_error(std::string& message)
{
    message.clear();
    if (err_num != 0)
        message = "I was unable to check the file " + dest_path_of(sim_info[failed_file].back()) + ": " +
                  error_str(err_num) + ".";
    return err_num;
}

// -- DVD files ---

dvd_unpack_task::dvd_unpack_task(int file_index, const std::string& temp_folder)
    : file_index(file_index)
{
    const file_version_struct& v = sim_info[file_index].back();
    const std::string suffix = suffix_for_file(file_index);
    // The index keeps apart two files that share a signature; the manifest
    // reader admits only hex digits or a marker word as a signature, so the
    // name cannot lead out of the temporary folder.
    temp_copy = temp_folder + v.sig_want + "_" + std::to_string(file_index) + suffix;
    dest_file = dest_path_of(v);
    dvd_src = dvd_path + install_name + "/" + v.path + suffix;
}

dvd_unpack_task::~dvd_unpack_task()
{
    if (!stg.log_actions) return;
    xer << "EXPANDING file " << dest_file << ", with result=" << err_num << ".";
    if (err_num != 0) xer << " " << err_msg;
    xer << "\n";
}

void dvd_unpack_task::do_it()
{
    // Nothing catches on a worker: the file fails alone, and the group's
    // thread goes on with the next.
    try {
        if (phase == 0)
            copy_step();
        else
            unpack_step();
    } catch (const std::bad_alloc&) {
        out_of_memory();
    }
}

// The message is left to check_error on the main thread: making it here
// would need the memory that just ran out.
void dvd_unpack_task::out_of_memory()
{
    err_num = ENOMEM;
    read_failed = false;
    err_msg.clear();
}

int dvd_unpack_task::check_error(std::string& message)
{
    if (err_num == ENOMEM && err_msg.empty())
        err_msg = "I was unable to install the file " + dest_file + ": " + error_str(ENOMEM) + ".";
    message = err_msg;
    return err_num;
}

void dvd_unpack_task::remove_temp_copy()
{
    // Once the run's folder is going, its removal takes the copy.
    if (const run_folder_use use{}) delete_file(temp_copy);
}

void dvd_unpack_task::copy_step()
{
    phase = 1;
    const run_folder_use use;
    step_begins(installer_task_step::copy, file_index);
    if (!use || work_abandoned() || reads_stopped.load(std::memory_order_relaxed)) {
        err_num = ECANCELED;
        read_failed = true;
        err_msg = "The install stopped before the file " + dvd_src + " was copied.";
        return;
    }
    int fd = -1;
    err_num = UTIL_open_dvd_file(dvd_src, fd);
    if (err_num == 0) {
        err_num = copy_descriptor(fd, temp_copy, &run_folder_going());
        ::close(fd);
    }
    read_failed = err_num != 0;
    if (read_failed) err_msg = "I was unable to copy the file " + dvd_src + " from the DVD to the hard drive.";
}

void dvd_unpack_task::unpack_step()
{
    if (err_num != 0) return;
    step_begins(installer_task_step::unpack, file_index);
    if (work_abandoned()) {
        remove_temp_copy();
        err_num = ECANCELED;
        err_msg = "The install stopped before the file " + temp_copy + " was unpacked.";
        return;
    }
    std::string problem;
    const int result = copy_install(temp_copy, sim_info[file_index].back(), &problem);
    if (result != 0) {
        // A '/' that ends the path is not a split point.
        const size_t slash = dest_file.size() > 1 ? dest_file.rfind('/', dest_file.size() - 2) : std::string::npos;
        const std::string folder = slash == std::string::npos ? std::string() : dest_file.substr(0, slash + 1);
        err_num = result;
        err_msg = "I was unable to unzip the file " + temp_copy + " to the folder " + folder +
                  ".  (Original file was: " + dvd_src + ")";
        if (!problem.empty()) err_msg += "  " + problem;
        return;
    }
    remove_temp_copy();
    file_version_struct& v = sim_info[file_index].back();
    v.sig_have = v.sig_want;
    v.is_current = v.sig_have == v.sig_want;
}
