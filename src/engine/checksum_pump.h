// The checksum pump: what of the manifest is installed at dest_dir_path,
// found out on one worker thread per processor while the wizard keeps
// drawing.
//
//   int cursor = 0;          // the caller's, kept between frames
//   float progress = 0;
//   if (checksum_directory(cursor, mode, progress)) ...   // once a frame
//
// The results land in the current version of every history the install
// filter wants: sig_have (an MD5, a copy of sig_want for a file that only
// was seen to exist, "NONE", or kSigUnreadable) and is_current.  sim_info must not change
// while a run is out.
#pragma once

#include <cstddef>

class UTL_worker_threads;

// What a run finds out of each file the filter wants.
constexpr int kChecksumFull = 0;    // its MD5
// Only whether it is there, which takes it to be the version wanted.  A
// file the release dropped is read all the same: it is to be deleted, and
// the plan must know whether the user changed it.
constexpr int kChecksumExists = 1;
// The MD5 of the files the plan takes away (there, and gone or of an
// unwanted tile) and of no other: after an existence run the plan then asks
// about the ones the user changed before it deletes them.
constexpr int kChecksumRemovals = 2;

// The run's worker group; null while no run is under way.
extern UTL_worker_threads* checksum_workers;

// One step: deletes finished tasks, hands out batches of at most 10
// histories (fewer, up to 16 MB, when their files are large; a larger file
// alone) while the group has room (4 per thread), and sets `progress` to the
// share handed out.  1 when every task is back (or at once, touching
// nothing but sim_info, when the destination folder does not exist); else 0.
int checksum_directory(int& cursor, int mode, float& progress);

// For a caller that runs the pump to its end within one frame: sleeps until
// a task in flight is back (and deletes it), so the caller's thread leaves
// the processors to the workers.  At once when nothing is out.
//
//   while (!checksum_directory(cursor, 0, progress)) checksum_directory_wait();
void checksum_directory_wait();

// Ends a run early: waits for the tasks in flight and deletes them and the
// group.  The cursor and the results so far stay.  Nothing without a run.
void checksum_directory_kill();

// The address space a run takes as it starts, beside what it notes of the
// files: each worker's stack and the block it reads files through.
std::size_t checksum_run_room();
