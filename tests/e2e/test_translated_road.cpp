// The web-demo road and the DVD installer's screens in French, German and
// Russian: every text on the way is looked up with "--missing_strings", so
// one the table lacks shows in the log; the screenshots are kept to see that
// the translations read right, and the pixels say whether they fit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "dvd_roads.h"
#include "web_demo_road.h"

namespace {

using testing_support::window_pixels;

// The table lines the program logged for texts it could not translate.
std::string missing_lines(const std::string& log)
{
    std::istringstream lines(log);
    std::string line, missing;
    while (std::getline(lines, line))
        if (line.rfind("STRING ", 0) == 0) missing += line + "\n";
    return missing;
}

class translated_road : public testing::TestWithParam<const char*> {};

TEST_P(translated_road, ShowsNoUntranslatedTextFromWelcomeToFinish)
{
    const std::string lang = GetParam();
    sample_release release(10, 2, 3);
    // Slow enough that the install screen shows its rate and time left.
    ASSERT_TRUE(release.serve(release.slowed("Nimbrel/Resources/large/", "100k"))) << release.problem();
    road_walker road(NIMBREL_INSTALLER);
    road.in_language(lang).with_arguments({"--missing_strings"});
    ASSERT_TRUE(start_demo(road, release.port())) << road.output();
    const std::string shot = "translated_" + lang + "_";

    road.shot(shot + "1_welcome");
    ASSERT_TRUE(road.press_until_changed(button_bar::options)) << road.log();
    road.shot(shot + "2_options");
    road.click_in(700, 380, 10, 370);  // the options window's close area
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
    road.shot(shot + "3_licence");
    ASSERT_TRUE(road.click_until_changed(250, 300)) << road.log();  // the licence ticked
    ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
    road.shot(shot + "4_server_check");
    ASSERT_TRUE(wait_until([&] { return release.manifest_in(road.run_folder()); }, 10)) << road.log();
    ASSERT_TRUE(road.wait_for_step(step_list::destination)) << road.log();
    road.shot(shot + "5_destination");

    ASSERT_TRUE(begin_install(road)) << road.log();
    const std::string temp = road.run_folder();
    ASSERT_TRUE(wait_until([&] { return downloads_move(temp); }, 20)) << "no download under way";
    road.shot(shot + "6_install");
    ASSERT_TRUE(open_cancel_question(road, temp)) << road.log();
    road.shot(shot + "7_cancel_question");
    ASSERT_TRUE(continue_after_cancel_question(road, temp)) << "the install did not go on";

    // The copy's folder name is translated too: find it by the registry.
    std::string folder;
    ASSERT_TRUE(wait_until([&] {
        folder = testing_support::read_file(registry(road));
        if (!folder.empty() && folder.back() == '\n') folder.pop_back();
        return !folder.empty();
    }, 10));
    ASSERT_TRUE(wait_on_install(road, temp, [&] { return install_complete(release, folder); })) << road.log();
    ASSERT_TRUE(road.wait_for_step(step_list::finish)) << road.log();
    road.shot(shot + "8_finish");
    press_fly(road);
    road.wait(10);

    EXPECT_EQ(missing_lines(road.log()), "") << "texts without a " << lang << " translation";
}

INSTANTIATE_TEST_SUITE_P(languages, translated_road, testing::Values("ru", "de", "fr"));

// -- The DVD installer's screens ---

// Whether any letter reaches into the window's rectangle between interface
// heights `bottom` and `top` (y up) and columns `left` to `right`: a pixel
// that differs from its row's first one more than the panel's own shading.
bool letters_in(const window_pixels& shot, int left, int right, int bottom, int top)
{
    const auto channel = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xff); };
    for (int y = bottom; y <= top; ++y) {
        const uint32_t ground = shot.at(left, shot.height() - 1 - y);
        for (int x = left; x <= right; ++x)
            for (int shift : {0, 8, 16})
                if (std::abs(channel(shot.at(x, shot.height() - 1 - y), shift) - channel(ground, shift)) > 12)
                    return true;
    }
    return false;
}

// The step list, the text above the world map and the disk-space readout
// on a screen with the map: every step on its one line, nothing between the
// text and the map, the readout's first line at (220, 108).
void expect_map_screen_fits(const road_walker& road, const std::string& name)
{
    road.rest_pointer();
    ASSERT_TRUE(road.wait_for_step(step_list::map)) << name << "\n" << road.log();
    road.shot(name);
    const window_pixels shot = road.picture();
    for (int step = 0; step < 6; ++step)
        EXPECT_FALSE(letters_in(shot, 25, 195, 470 - 20 * step, 474 - 20 * step)) << name << ": step " << step + 1;
    EXPECT_FALSE(letters_in(shot, 248, 752, 403, 405)) << name << ": the text runs onto the map";
    // Its first letter's left edge at 221, its capitals' top at 114.
    EXPECT_FALSE(letters_in(shot, 214, 218, 70, 118)) << name << ": the readout starts left of 220";
    EXPECT_TRUE(letters_in(shot, 219, 221, 108, 114)) << name << ": the readout starts right of 220";
    EXPECT_FALSE(letters_in(shot, 220, 300, 115, 124)) << name << ": the readout stands above 108";
    EXPECT_TRUE(letters_in(shot, 220, 300, 114, 114)) << name << ": the readout stands below 108";
}

class translated_dvd_screens : public testing::TestWithParam<const char*> {};

// The install road's scenery screen, and the scenery road's map, of a disk
// set with a tile and a copy registered.
TEST_P(translated_dvd_screens, StepsTextsAndReadoutKeepToTheirPlaceBesideTheMap)
{
    const std::string lang = GetParam();
    dvd_release disks({{"Nimbrel-i686", "#!/bin/sh\n"}, {"Resources/a.txt", "a"},
                       {"Global Scenery/Terrain/+50+000/+51+000.dsf", "tile"}},
                      2);
    ASSERT_EQ(disks.error(), "");
    disks.insert(1);
    road_walker road(NIMBREL_DVD_INSTALLER);
    road.in_language(lang).with_arguments({"--missing_strings"});
    register_copy(road.home(), road.home() + "Copy/");
    testing_support::write_file(road.home() + "Copy/Resources/a.txt", "a");
    ASSERT_TRUE(start_dvd_installer(road, disks)) << road.output();
    const std::string shot = "translated_" + lang + "_dvd_";
    road.shot(shot + "1_hub");

    ASSERT_TRUE(road.click_until_changed(500, 325) && road.press_until_changed(button_bar::next)) << road.log();
    ASSERT_TRUE(road.wait_for_log("End of MD5", 20)) << road.log();
    expect_map_screen_fits(road, shot + "2_scenery_road_map");

    // Back to the hub, and on as for a second copy to the install's map.
    ASSERT_TRUE(road.press_until_changed(button_bar::go_back) && road.press_until_changed(button_bar::go_back))
        << road.log();
    ASSERT_TRUE(road.click_until_changed(500, 275) && road.press_until_changed(button_bar::next) &&
                road.click_until_changed(250, 300) && road.press_until_changed(button_bar::next))
        << road.log();
    expect_map_screen_fits(road, shot + "3_install_road_map");

    road.press(button_bar::quit);
    EXPECT_EQ(road.wait(10), 0) << road.log();
    EXPECT_EQ(missing_lines(road.log()), "") << "texts without a " << lang << " translation";
}

INSTANTIATE_TEST_SUITE_P(languages, translated_dvd_screens, testing::Values("ru", "de", "fr"));

}  // namespace
