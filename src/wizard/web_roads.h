// What the web-demo and web-update roads share: the server check, which
// fetches the server list and a server's manifest a step each frame, and
// the install, which drives the download pump for a slice of each frame.
// The roads differ in their words and in where they lead, not in the work.
#pragma once

#include <string>

#include "wizard/wizard_screen.h"

// -- Server check ----------------------------------------------------------------

// The road's words for the stages of the fetch, each marked UTL_TEXT.
struct server_check_words {
    const char* contacting;   // while the server list comes
    const char* downloading;  // "%1:server name%": while the manifest comes
    const char* processing;   // while it is read
};

// The server check's first frame: a manifest read before is read again
// from the temporary folder, not fetched again; a check that ended with
// none readable is made again from its start.
void server_check_begins();

// One frame of the fetch: the record's text and progress for where it
// stands.  True once the manifest is in sim_info; the record is then left
// for the caller to fill.
bool server_check_frame(wizard_screen& record, const server_check_words& words);

// The manifest download's share, for the server check's bar and text.
struct manifest_fetch_progress {
    int percent;     // truncated; 0 before a transfer, -1 without a length
    float fraction;  // the bar: 0 before a transfer, -0.01 without a length
};
manifest_fetch_progress manifest_progress(bool has_transfer, long long content_length,
                                          long long received);

// -- Install -------------------------------------------------------------------------

// The plan over the manifest, the copy's folders and fresh streams, after
// the failures of an earlier install in this run are forgotten; a
// `new_copy` makes its folder, which must not be there yet.  False when the
// user cancelled the plan or a folder could not be made (the engine has said
// why; for a new copy's folder that appeared, the destination screen does):
// nothing is then downloaded.
bool plan_web_install(bool new_copy);

// One frame of the install: the pump for about 0.02 s and the texts of its
// last pass, with `smoothed` as the bar.  1 when the pump is through: the
// streams are reset and GO BACK dimmed, and the caller names the finish.
// 0 meanwhile, with CONTINUE dimmed and GO BACK for the caller to set.
int web_install_frame(wizard_screen& record, float& smoothed);

// One step of the install bar's glide toward completed ÷ total, by the
// frame period; clamped to 0..1, and 1 when the ratio has no value.
float smooth_install_fraction(float previous, float frame_period, float completed_kb,
                              float total_kb);

// The line under the bar for the pump's phase of the file it worked on; a
// file whose length is not yet known reads 0 %.
std::string install_progress_text(int phase, const std::string& file, float file_fraction);

// "About ... left": the remaining time at the rate so far, the streams;
// "" while there is no rate to promise a time by.
std::string install_main_text(float done_kb, float elapsed_s, float total_kb, int streams);
