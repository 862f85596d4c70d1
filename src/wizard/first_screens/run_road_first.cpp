// The first screen of nimbrel-installer until the web-demo road's welcome
// screen exists: the run road.
#include "wizard/shared_screens.h"

screen_fn g_wizard = dvd_pick_run_sim;
