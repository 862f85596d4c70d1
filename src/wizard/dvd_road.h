// The DVD road, on which nimbrel-dvd-installer starts.  The hub reads the
// disk in the drive and the registry of copies, then offers a first install
// or, for a copy already installed, the run, scenery, repair and
// second-copy roads.  The install road: destination, licence, scenery on
// the world map, the install with its disk changes, finish.
#pragma once

#include <string>

#include "wizard/wizard_screen.h"

// Set from the frame copying starts until the pump is through or the user
// cancels on the scenery screen; while set, the install screen resumes.
extern int dvd_install_is_running;

int dvd_start(int first_frame, wizard_screen& record);
int dvd_pick_install(int first_frame, wizard_screen& record);
int dvd_scenery_install(int first_frame, wizard_screen& record);
int dvd_run_install(int first_frame, wizard_screen& record);
int dvd_verify_disk_install(int first_frame, wizard_screen& record);
int dvd_switch_disk_install(int first_frame, wizard_screen& record);
int dvd_done_install(int first_frame, wizard_screen& record);

// The install road's step list, which its destination screen puts back.
void fill_dvd_install_steps();

// The repair road: pick the copy, checksum it, confirm, reinstall what is
// missing or damaged with its disk changes, finish.  Set from the plan
// until the pump is through or the user stops; while set, the install
// screen resumes and the confirm screen asks whether to stop.
extern int repair_is_running;

int dvd_pick_repair(int first_frame, wizard_screen& record);
int dvd_scan_repair(int first_frame, wizard_screen& record);
int dvd_confirm_repair(int first_frame, wizard_screen& record);
int dvd_install_repair(int first_frame, wizard_screen& record);
int dvd_verify_disk_repair(int first_frame, wizard_screen& record);
int dvd_switch_disk_repair(int first_frame, wizard_screen& record);
int dvd_done_repair(int first_frame, wizard_screen& record);
// The files the repair will install, as its confirm screen counts them
// from the scan: every wanted simulator file not current, a file the
// release dropped only while it is there.
int count_files_to_repair();

// The scenery road: pick the copy, see which tiles it holds, change them on
// the world map, install and delete with its disk changes, finish.  Its
// flag works as the repair's, the edit screen asking whether to stop.
extern int scenery_install_is_running;

int dvd_pick_scenery(int first_frame, wizard_screen& record);
int dvd_scan_scenery(int first_frame, wizard_screen& record);
int dvd_edit_scenery(int first_frame, wizard_screen& record);
int dvd_install_scenery(int first_frame, wizard_screen& record);
int dvd_verify_disk_scenery(int first_frame, wizard_screen& record);
int dvd_switch_disk_scenery(int first_frame, wizard_screen& record);
int dvd_done_scenery(int first_frame, wizard_screen& record);

// -- Changing disks ------------------------------------------------------------
// Every road that installs from the DVDs changes disks alike: its install
// screen stops at a file of another disk, a check screen looks for that
// file's archive on the disks mounted, and a change screen asks for the disk
// until the check finds it.  Each road names its three screens, where GO
// BACK on the change screen leads, and its two titles.

struct dvd_disk_road {
    screen_fn install;
    screen_fn verify;
    screen_fn change;
    screen_fn back;             // the road's stop or cancel question
    const char* verify_title;   // English, marked with UTL_TEXT
    const char* change_title;
};

// The check screen's frame: always done, on to the install screen when the
// disk holding the archive of history want_file_disk is mounted (which then
// is current_disk), else to the change screen.
int dvd_verify_disk(const dvd_disk_road& road, wizard_screen& record);
// The change screen's frame: lets go of the disk on the first, then asks
// for the disk that holds history want_file_disk.
int dvd_switch_disk(const dvd_disk_road& road, int first_frame, wizard_screen& record);
// What the screens that ask for a disk add when the last look for one
// refused a folder that others may change and found none to use: "", or
// a blank line and why that disk is not used.
std::string refused_dvd_note();
// Before the first file of an install: the disk in the drive is checked
// like any later one, or every file of a wrong disk would fail on its own.
// Sets want_file_disk to the first file the plan installs and the record
// on to the road's check screen; false, changing nothing, when the plan
// installs nothing.
bool dvd_check_disk_first(const dvd_disk_road& road, wizard_screen& record);

// -- Installing from the disks --------------------------------------------------
// The install screen of every DVD road plans once, then drives the disk
// pump a step a frame; the roads differ in their words and where they lead.

struct dvd_install_road {
    dvd_disk_road disks;        // disks.install is the screen itself; disks.back
                                // is where GO BACK leads while it runs
    int* running;               // the road's run flag
    screen_fn done;
    screen_fn plan_cancelled;   // the user cancelled the changed-file question
    screen_fn folders_failed;   // make_dirs failed and said why
    bool registers;             // a new copy: registered before its first file
    // Where the first answer to a failed file leads, the install left
    // running for that screen's question; null: that answer stops the
    // pumps and finishes.
    screen_fn error_leads_to;
    // English, marked with UTL_TEXT.
    const char* title;
    const char* busy_text;      // %1 is dest_dir_path
    const char* file_text;      // %1 is the manifest path at the cursor
    const char* finishing;      // the cursor is past the last file
    const char* error_heading;
    const char* error_advice;
    const char* error_first;    // the first button; the second is "Continue"
    const char* error_side;     // beside either button
};

// One frame of the install screen, with the screen's own cursor.  A new
// install (the run flag clear) plans, makes the folders, registers, deletes
// and checks the disk in the drive before its first file.
int dvd_install_frame(const dvd_install_road& road, int& cursor, wizard_screen& record);

// The first frame of the screen GO BACK leads to from a running repair or
// scenery install: asks whether to stop, with "Stop" and "Continue" and
// `side` beside both.  True to go back to the install; else the pumps are
// stopped (also when the window was closed without an answer) and the run
// flag is cleared.
bool keep_running_road(int& running, const std::string& question, const std::string& side);
