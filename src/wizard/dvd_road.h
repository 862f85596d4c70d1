// The DVD road, on which nimbrel-dvd-installer starts.  The hub reads the
// disk in the drive and the registry of copies, then offers a first install
// or, for a copy already installed, the run, scenery, repair and
// second-copy roads.  The install road: destination, licence, scenery on
// the world map, the install with its disk changes, finish.
#pragma once

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

// The first screens of the roads the hub offers for an installed copy
// besides running it.  Each road names its own in its source; a road not
// built into the program is null and the hub does not offer it.
struct dvd_copy_roads {
    screen_fn scenery;
    screen_fn repair;
};
extern dvd_copy_roads g_dvd_copy_roads;

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
// Before the first file of an install: the disk in the drive is checked
// like any later one, or every file of a wrong disk would fail on its own.
// Sets want_file_disk to the first file the plan installs and the record
// on to the road's check screen; false, changing nothing, when the plan
// installs nothing.
bool dvd_check_disk_first(const dvd_disk_road& road, wizard_screen& record);
