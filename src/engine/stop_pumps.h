// Shutting down while a pump runs: its workers write into sim_info and the
// temporary folder, both of which go away with the program.
#pragma once

// Stops the checksum and DVD install pumps and waits for their workers:
// tasks not begun yet are dropped, the files being read are finished.  The
// shell calls it at shut-down before anything is freed; harmless when idle.
void UTL_stop_all_pumps();
