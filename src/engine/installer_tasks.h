// The install engine's slow file work, carried onto worker groups by the
// checksum pump and the DVD install pump, which alone make, queue, collect
// and delete these tasks.
//
// A task writes only the current versions of its own sim_info histories;
// no two tasks ever share one, so no locks are taken.
#pragma once

#include <string>

#include "core/threads/worker_threads.h"
#include "engine/manifest_text.h"

// Learns what is installed: for each history first..last-1 that the install
// filter wants, the MD5 of the installed file (or, by `mode`, only whether
// it is there; see checksum_pump.h) into sig_have, "NONE" when absent,
// kSigUnreadable when there but unreadable (scan_stamps.h), and is_current
// from comparing it with sig_want.
//
// A file whose check found no memory on its worker is taken for one that is
// there but cannot be read (kSigUnreadable), never for an absent one, and
// check_error answers ENOMEM and names the first such file.
class checksum_task : public UTL_work_task {
public:
    checksum_task(int first, int last, int mode);
    void do_it() override;
    int check_error(std::string& message) override;

    int first_file;
    int last_file;
    int mode;
    int err_num = 0;           // 0, or ENOMEM
    int failed_file = -1;      // the history of the first file that failed

private:
    packed_sig unreadable_;  // made on the main thread: the worker's failure path allocates nothing
};

// One file from the install DVD to its place: the first do_it (on the copy
// group's single thread) copies the archive into the temporary folder, the
// second (on an unpack thread) unpacks it into the destination and deletes
// the copy.  check_error, on the main thread, reports whichever step failed;
// a step that found no memory fails with ENOMEM, and the group's thread
// goes on with the next file.
class dvd_unpack_task : public UTL_work_task {
public:
    dvd_unpack_task(int file_index, const std::string& temp_folder);
    // Writes the "EXPANDING file" line while stg.log_actions is set.
    ~dvd_unpack_task() override;
    void do_it() override;
    int check_error(std::string& message) override;

    // A task taken back unfinished must not leave its copy behind.
    void remove_temp_copy();

    int file_index;
    int phase = 0;          // 0 until the copy step has run, then 1
    std::string dvd_src;    // archive on the DVD
    std::string temp_copy;  // its copy on the hard disk
    std::string dest_file;  // the installed file
    std::string err_msg;    // empty on success
    int err_num = 0;        // 0, or the failing step's code
    bool read_failed = false;  // the failing step was the copy from the disk

private:
    void copy_step();
    void unpack_step();
    void out_of_memory();
};

// While set, tasks that have not begun skip their work, so stopping the
// pumps at shut-down waits only for the files already being read.
void installer_tasks_abandon(bool abandon);
// While set, DVD tasks skip only their read from the disk (ECANCELED): a
// disk that left the drive fails no more reads, and what was read unpacks.
void installer_tasks_stop_reads(bool stop);

// -- A test's seam ---
// Called on the worker as a task's step begins on a file (its history),
// within what hands a failed allocation on: a test throws std::bad_alloc
// from it for a file of its choice.  No hook is set in the program.
enum class installer_task_step { checksum, copy, unpack };
using installer_task_hook = void (*)(installer_task_step step, int history);
void installer_tasks_set_hook(installer_task_hook hook);
