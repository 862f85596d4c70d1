// The web-demo road, on which nimbrel-installer starts: welcome, licence,
// server check, destination, download and install, finish.
#pragma once

#include <string>

#include "wizard/web_roads.h"
#include "wizard/wizard_screen.h"

// Set while a web-demo install runs: from its set-up (folders made, copy
// registered) until the pump is through or the user cancels it.
extern int demo_install_is_running;

int demo_start(int first_frame, wizard_screen& record);
int demo_get_updates(int first_frame, wizard_screen& record);
int demo_pick_dest(int first_frame, wizard_screen& record);
int demo_run_patch(int first_frame, wizard_screen& record);
int demo_done(int first_frame, wizard_screen& record);
