// The DVD install pump: every file the plan installs, copied from the disk
// in the drive to the temporary folder by one thread (a DVD reads fastest
// one file at a time) and unpacked into the destination by one thread per
// processor, a frame at a time.
//
//   int cursor = 0;   // the caller's, kept across frames and disk changes
//   switch (install_files(cursor, current_disk)) {
//   case 2: want_file_disk = cursor; ...  // ask for the next disk
//   case 3: install_files_get_error(message); abort_alert(...);  // go on or cancel
//   }
#pragma once

#include <cstddef>
#include <string>

class UTL_worker_threads;

// The two worker groups of a run: null while idle, alive across statuses
// 2 and 3 until the run is done or killed.
extern UTL_worker_threads* copy_pool;
extern UTL_worker_threads* unzip_pool;
// The last collected task's result: 0 and "" after a success.
extern int install_err_num;
extern std::string install_err_msg;

// Pump statuses.
constexpr int kInstallWorking = 0;
constexpr int kInstallDone = 1;
constexpr int kInstallNextDisk = 2;  // the history at the cursor names it
constexpr int kInstallError = 3;     // take it with install_files_get_error

// One step of the install from disk `disk`: files are copied in manifest
// order and never looked ahead for, so interleaved disks are asked for in
// turn.  A disk change is asked for only when both groups are idle.  A
// disk that leaves the drive during the run is asked for again the same
// way (status 2, the cursor moved back to the first file not installed),
// once, rather than failing every file queued from it.
int install_files(int& cursor, int disk);

// The address space a run takes as it starts, beside what its tasks
// allocate: the copy thread's stack and the block it copies through, and
// each unpacker's stack.
std::size_t install_files_run_room();
// And what it notes of each history of the manifest.
std::size_t install_files_room_per_history();

// Hands over the kept error number and message and clears both.
int install_files_get_error(std::string& message);

// Lets the copies in flight finish and unpack, deletes every task and both
// groups, and removes any temporary copy left behind.  Nothing when idle.
void install_files_kill();

// -- The continue-or-cancel question ---

// A modal question with two buttons, each with a text beside it: 1 for the
// first, 0 for the second, 3 when its window was lost otherwise.  The texts
// arrive translated.
int abort_alert(std::string question, std::string label1, std::string text1,
                std::string label2, std::string text2);

// The window and widgets that draw the question sit above the engine: they
// install the real one at start-up.  Until then the question goes out as a
// warning through the central alert and answers 3, as a closed window does.
using abort_alert_fn = int (*)(const std::string& question, const std::string& label1,
                               const std::string& text1, const std::string& label2,
                               const std::string& text2);
// Null restores the default.
void set_abort_alert_hook(abort_alert_fn fn);
