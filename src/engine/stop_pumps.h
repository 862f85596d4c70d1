// Shutting down while a pump runs: its workers write into sim_info and the
// temporary folder, both of which go away with the program.
#pragma once

// Stops the checksum and DVD install pumps and waits for their workers:
// tasks not begun yet are dropped, the files being read are finished.  The
// shell calls it at shut-down before anything is freed; harmless when idle.
void UTL_stop_all_pumps();

// Leaving a scan under way, before anything reads sim_info again: the
// tasks not begun are dropped, so the window answers again once the files
// being read are done, not the copy.  The results so far stay, partial.
void stop_checksum_pump();
