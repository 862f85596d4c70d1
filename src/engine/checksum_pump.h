// The checksum pump: what of the manifest is installed at dest_dir_path,
// found out on one worker thread per processor while the wizard keeps
// drawing.
//
//   int cursor = 0;          // the caller's, kept between frames
//   float progress = 0;
//   if (checksum_directory(cursor, quick, progress)) ...   // once a frame
//
// The results land in the current version of every history the install
// filter wants: sig_have (an MD5, a copy of sig_want in quick mode, or
// "NONE") and is_current.  sim_info must not change while a run is out.
#pragma once

class UTL_worker_threads;

// The run's worker group; null while no run is under way.
extern UTL_worker_threads* checksum_workers;

// One step: hands out batches of at most 10 histories (fewer when their
// files are large) while the group has room (4 per thread), deletes finished ones, and sets `progress` to the
// share handed out.  1 when every task is back (or at once, touching
// nothing but sim_info, when the destination folder does not exist); else 0.
int checksum_directory(int& cursor, int quick, float& progress);

// Ends a run early: waits for the tasks in flight and deletes them and the
// group.  The cursor and the results so far stay.  Nothing without a run.
void checksum_directory_kill();
