// The roads the DVD hub offers for an installed copy besides running it.
#include "wizard/dvd_road.h"

dvd_copy_roads g_dvd_copy_roads = {dvd_pick_scenery, dvd_pick_repair};
