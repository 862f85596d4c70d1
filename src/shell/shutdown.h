// The orderly way out (MACIBM_finishup, declared with the core's hooks) and
// the language set-up at the end of start-up.
#pragma once

// The shell's shut-down behind MACIBM_finishup: saves and stops threads only
// with `full`, then takes down what exists of windows and contexts, removes
// the run's temporary folder and closes the log.  Safe to call again:
// whatever is gone is skipped.
void shell_finishup(int full);
// 1 once shut-down has begun; alerts from then on print to standard output.
int shell_is_shut_down();

// Loads or clears the translation for `mnw.language` and cuts the faces
// for it.
void MACIBM_setupforlang();
void IBM_turnoff();

// Ends the process at once with `status` after removing the run's temporary
// folder and flushing standard output and the log.  For fatal paths that may run while worker threads are alive:
// exit() would run the global destructors under their feet.
[[noreturn]] void MACIBM_exit_now(int status);
