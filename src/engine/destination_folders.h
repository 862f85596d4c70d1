// The folders a run writes into, made before any file of the run is
// written: the destination with its ancestors, the folder of every file to
// install, and the simulator's fixed output folders.
#pragma once

#include <string>

// 0 when the destination and every folder of the plan exist; otherwise the
// error number of the first of them that could not be made, after its
// alert.  The fixed folders are alerted about but do not fail the call.
int make_dirs();
// The same for a new copy, whose folder this run makes (copy_gate_make):
// EEXIST, without an alert, when something of that name is there already.
// make_dirs, for a copy already there, answers ENOENT or ESTALE after its
// alert when the folder is gone or another since the scan.
int make_new_copy_dirs();

// The warning that a folder could not be made, naming the folder, the
// destination and the reason.  Returns when the user has dismissed it.
void make_dir_error(const std::string& folder, int err);
