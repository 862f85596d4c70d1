// nimbrel-updater starts on the web-update road's welcome screen.
#include "wizard/update_road.h"

screen_fn g_wizard = net_start;
