// The web-demo road, on which nimbrel-installer starts: welcome, licence,
// server check, destination, download and install, finish.
#pragma once

#include <string>

#include "wizard/wizard_screen.h"

// Set while a web-demo install runs: from its set-up (folders made, copy
// registered) until the pump is through or the user cancels it.
extern int demo_install_is_running;

int demo_start(int first_frame, wizard_screen& record);
int demo_get_updates(int first_frame, wizard_screen& record);
int demo_pick_dest(int first_frame, wizard_screen& record);
int demo_run_patch(int first_frame, wizard_screen& record);
int demo_done(int first_frame, wizard_screen& record);

// -- Pieces of the screens, for their tests ------------------------------------

// The manifest download's share, for the server check's bar and text.
struct manifest_fetch_progress {
    int percent;     // truncated; 0 before a transfer, -1 without a length
    float fraction;  // the bar: 0 before a transfer, -0.01 without a length
};
manifest_fetch_progress manifest_progress(bool has_transfer, long long content_length,
                                          long long received);

// One step of the install bar's glide toward completed ÷ total, by the
// frame period; clamped to 0..1, and 1 when the ratio has no value.
float smooth_install_fraction(float previous, float frame_period, float completed_kb,
                              float total_kb);

// The line under the bar for the pump's phase of the file it worked on.
std::string install_progress_text(int phase, const std::string& file, float file_fraction);

// "About ... left": the remaining time at the rate so far, the streams.
std::string install_main_text(float done_kb, float elapsed_s, float total_kb, int streams);
