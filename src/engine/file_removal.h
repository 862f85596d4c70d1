// Deleting, in one go, every installed file that the plan marks for
// deletion, for the disk roads; the web roads delete inside the download
// pump instead, by the same folder rules.
#pragma once

// Deletes each marked file below dest_dir_path, records it as no longer
// installed, then removes the folders this left empty.  Failures are only
// logged (with stg.log_actions).
void delete_files();
