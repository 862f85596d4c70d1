// This run's private temporary folder behind temp_path.
//
// Downloads and unpacking use fixed names ("serverlist9.txt",
// "directory.txt", "0.zip"), so the folder is made fresh with mkdtemp: no
// other user can plant those files in advance and two installers running at
// once never share them.
#pragma once

// Makes "/tmp/nimbrel-XXXXXX/" (mode 0700), sets temp_path to it and has it
// removed at exit.  0, or the errno of mkdtemp (temp_path is then empty).
int make_run_temp_folder();

// Removes the folder made above with everything in it, without following
// links, and empties temp_path.  Does nothing when none was made.
void remove_run_temp_folder();
