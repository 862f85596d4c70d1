// The web-update road, on which nimbrel-updater starts: welcome, which copy
// (left out when "-path" names it), search for updates (server check, then
// the full scan of the copy), disk check, install, finish.
#pragma once

#include "wizard/wizard_screen.h"

int net_start(int first_frame, wizard_screen& record);
int net_pick_dest(int first_frame, wizard_screen& record);
int net_get_updates(int first_frame, wizard_screen& record);
int net_check_disk(int first_frame, wizard_screen& record);
int net_run_patch(int first_frame, wizard_screen& record);
int net_done(int first_frame, wizard_screen& record);

// Installed files the plan may delete, counted when the scan ends: gone
// from the release, or tiles of a sector no longer wanted.
extern int net_files_to_delete;
// Files to delete as the scan left sim_info.
int count_installed_deletions();

// Nothing to install and nothing to delete: the copy is up to date.
bool net_copy_is_current();
