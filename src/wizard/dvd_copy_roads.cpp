// The roads the DVD hub offers for an installed copy besides running it:
// none of them is built into the program yet.
#include "wizard/dvd_road.h"

dvd_copy_roads g_dvd_copy_roads = {nullptr, nullptr};
