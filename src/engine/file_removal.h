// Deleting, in one go, every installed file that the plan marks for
// deletion, for the disk roads; the web roads delete inside the download
// pump instead, by the same folder rules.
#pragma once

// Deletes each marked file below dest_dir_path, records it as no longer
// installed, then removes the folders this left empty.  Failures are
// logged (with stg.log_actions); the result is how many marked files are
// still there, a file already gone being no failure.  A folder left
// behind is not counted: only files make a copy unusable.
int delete_files();
