// Being told to stop from outside the window: SIGTERM (a logout, kill),
// SIGINT (Ctrl-C in the terminal that started us) and SIGHUP (that terminal
// closing).  Each ends the program the ordinary way, as Quit does, at the
// next frame: the pumps stop, the preferences are saved and the run's
// temporary folder goes; the program then exits with 128 + the signal.
#pragma once

// Catches the three signals from now on.  A second one of them while the
// first is being handled ends the program at once, as the user insists.
void catch_stop_signals();

// Once per frame: when a stop signal came, ends the main loop and every
// modal loop (app_done) and sets the exit status.  Returns the signal, 0
// when none came.
int act_on_stop_signal();
