#include "dvd_roads.h"

#include "wizard/button_bar.h"

using testing_support::wait_until;

bool start_dvd_installer(road_walker& road, const dvd_release& disks)
{
    return road.from_dvd(disks.drive()).start();
}

float map_x(int lon_band) { return 248.0f + 14.0f * lon_band + 7.0f; }
float map_y(int lat_band) { return 150.0f + 14.0f * lat_band + 7.0f; }

void press_select_none(const road_walker& road)
{
    const skin_button_box box = skin_button_geometry(road.language(), 770, 122, cap_select_none, -1);
    road.click(box.centre_x(), box.centre_y());
}

void press_choice(const road_walker& road, int index) { road.click(500, 350 - 25.0f * index); }

bool tile_changed(const testing_support::window_pixels& before,
                  const testing_support::window_pixels& now, int lon_band, int lat_band)
{
    const int x = static_cast<int>(map_x(lon_band)), y = 600 - static_cast<int>(map_y(lat_band));
    return before.at(x, y) != now.at(x, y);
}

bool walk_to_scenery(const road_walker& road)
{
    return road.press_until_changed(button_bar::next) &&  // the destination
           road.press_until_changed(button_bar::next) &&  // the licence
           road.click_until_changed(250, 300) &&          // "I agree!"
           road.press_until_changed(button_bar::next);
}

int asked_for(const road_walker& road, int disk)
{
    return testing_support::count_of(road.log(), "Asking for DVD number " + std::to_string(disk) + " for");
}

bool change_disk(const road_walker& road, const dvd_release& disks, int disk, int next_disk)
{
    const int asked_before = next_disk > 0 ? asked_for(road, next_disk) : 0;
    disks.insert(disk);
    // One press that the screen answers: on the finish the same place is
    // QUIT, so it is never pressed again once the install goes on.
    return road.press_until_changed(button_bar::next) && wait_until([&] {
        return next_disk > 0 ? asked_for(road, next_disk) > asked_before : road.logged("Install finished");
    }, 60) && road.wait_for_still(0.3, 5);
}

bool refuse_disk(const road_walker& road, const dvd_release& disks, int disk, int wanted)
{
    const int asked_before = asked_for(road, wanted);
    disks.insert(disk);
    return road.press_until(button_bar::next, [&] { return asked_for(road, wanted) > asked_before; }) &&
           road.wait_for_still(0.3, 5);
}
