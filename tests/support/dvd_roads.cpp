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

bool choose_on_hub(const road_walker& road, int index)
{
    const float y = 350 - 25.0f * index;
    // The hub, known by the step its list marks (another screen may have
    // ink where the label goes), and its label's ink, where the panel is
    // light until the buttons come.
    const int line = static_cast<int>(y);
    const auto drawn = [&](const testing_support::window_pixels& now) {
        return testing_support::current_step(now) == 0 && ink_in(now, 400, 600, line - 8, line + 8) > 0;
    };
    return road.wait_for(drawn, 60) && road.click_until_changed(500, y);
}

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
           road.press_until_changed(button_bar::next) && road.wait_for_step(step_list::map);
}

namespace {

// The change screen is no step of the list, where the install's screen
// before it is, and it has a text below its title, where the disk check's
// screen has none.
bool asks_for_a_disk(const testing_support::window_pixels& shown)
{
    return testing_support::current_step(shown) == step_list::none &&
           testing_support::ink_in(shown, 230, 780, 436, 450) > 20;
}

}  // namespace

bool wait_for_disk_request(const road_walker& road) { return road.wait_for(asks_for_a_disk); }

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
    }, 60) && (next_disk > 0 ? wait_for_disk_request(road) : road.wait_for_step(step_list::finish));
}

bool refuse_disk(const road_walker& road, const dvd_release& disks, int disk, int wanted)
{
    const int asked_before = asked_for(road, wanted);
    disks.insert(disk);
    return road.press_until(button_bar::next, [&] { return asked_for(road, wanted) > asked_before; }) &&
           wait_for_disk_request(road);
}
