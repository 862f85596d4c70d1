// The DVD roads as the end-to-end tests and scripts/demo walk them:
// nimbrel-dvd-installer with the road walker, install DVDs made by the
// release tool, and the places on the DVD roads' screens beyond the bottom
// bar.
#pragma once

#include <string>

#include "dvd_release.h"
#include "road_walker.h"

using testing_support::dvd_release;
using testing_support::road_walker;

// nimbrel-dvd-installer reading `disks`' drive, started and shown: false
// when no window came.
bool start_dvd_installer(road_walker& road, const dvd_release& disks);

// The middle of a tile of the world map, in interface units.
float map_x(int lon_band);
float map_y(int lat_band);
// The map's SELECT NONE button, and a choice button of the record by its
// place in the column.
void press_select_none(const road_walker& road);
void press_choice(const road_walker& road, int index);
// The hub's choice button at `index`, once it is drawn, until the screen
// changes: the hub's first frame reads the disk and shows no buttons yet, and
// a press there, seen as the buttons come, would choose nothing.
bool choose_on_hub(const road_walker& road, int index);
// Whether the tile's middle looks otherwise in `now` than in `before`.
bool tile_changed(const testing_support::window_pixels& before,
                  const testing_support::window_pixels& now, int lon_band, int lat_band);

// The hub's welcome, the destination, the licence ticked: on the scenery
// screen, its map drawn.
bool walk_to_scenery(const road_walker& road);
// Whether the change screen that asks for a disk shows, and stands still:
// once the log says that a disk was asked for.
bool wait_for_disk_request(const road_walker& road);
// Disk `disk` in the drive and CONTINUE on the change screen, until the
// program asks for DVD number `next_disk` once more (0: until the install
// is through), and its screen shows.
bool change_disk(const road_walker& road, const dvd_release& disks, int disk, int next_disk);
// A disk that does not hold the file wanted, and CONTINUE until the change
// screen asks for `wanted` again.
bool refuse_disk(const road_walker& road, const dvd_release& disks, int disk, int wanted);
// How often the program asked for DVD number `disk`.
int asked_for(const road_walker& road, int disk);
