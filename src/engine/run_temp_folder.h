// This run's private temporary folder behind temp_path.
//
// Downloads and unpacking use fixed names ("serverlist9.txt",
// "directory.txt", "0.zip"), so the folder is made fresh with mkdtemp: no
// other user can plant those files in advance and two installers running at
// once never share them.
//
// temp_path is set once, at start-up, and never changed after: threads
// build their file names from it at any time.  The folder goes when the
// program ends, a fatal end too, and then only once no thread is making or
// deleting a file in it.
#pragma once

#include <atomic>
#include <string>

// Makes "nimbrel-XXXXXX/" (mode 0700) in `parent` ("/tmp/"), sets
// temp_path to it and has it removed at exit.  0, or the errno of mkdtemp
// (temp_path is then empty: there is no shared folder to fall back on).
int make_run_temp_folder(const std::string& parent = "/tmp/");

// Refuses every use of the folder from now on (below), waits until the
// uses held on other threads have ended, then removes the folder made
// above with everything in it, without following links.  Does nothing
// when none was made.  temp_path stays as it was.
void remove_run_temp_folder();

// A thread other than the main one holds a use of the folder while it makes
// or deletes a file in it (a DVD file's copy), so that the folder's removal
// waits for it; a use asked for once the removal has begun is refused, and
// the work then leaves the folder alone.  The main thread's own work in the
// folder (the downloads, the manifest) needs none: the program ends from
// the main thread, which then does no other work.  A use ends with its
// scope, also when its thread ends inside it; one held by the thread that
// removes the folder (a fatal end raised inside the work) is not waited
// for.
class run_folder_use {
public:
    run_folder_use();
    ~run_folder_use();
    run_folder_use(const run_folder_use&) = delete;
    run_folder_use& operator=(const run_folder_use&) = delete;

    // Whether the use was granted: the folder stays until it ends.
    explicit operator bool() const { return granted_; }

private:
    bool granted_;
};

// Set once the removal has begun: long work inside a use (copy_file's
// `stop`) ends at its next step, so the removal waits for one step of it.
const std::atomic<bool>& run_folder_going();

// -- A test's seam ---
// As before start-up: no folder made (one made is left where it is) and
// every use granted, for the tests that follow one that removed a folder.
void run_temp_folder_forget();
