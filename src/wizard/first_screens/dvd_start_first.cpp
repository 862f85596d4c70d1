// nimbrel-dvd-installer starts on the DVD road's hub.
#include "wizard/dvd_road.h"

screen_fn g_wizard = dvd_start;
