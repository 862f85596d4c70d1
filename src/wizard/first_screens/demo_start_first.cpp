// nimbrel-installer starts on the web-demo road's welcome screen.
#include "wizard/demo_road.h"

screen_fn g_wizard = demo_start;
