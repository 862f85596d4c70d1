// The web-demo road in French, German and Russian: every text on the way is
// looked up with "--missing_strings", so one the table lacks shows in the
// log; the screenshots are kept to see that the translations fit.
#include <gtest/gtest.h>

#include <sstream>

#include "web_demo_road.h"

namespace {

using testing_support::file_exists;

// The table lines the program logged for texts it could not translate.
std::string missing_lines(const std::string& log)
{
    std::istringstream lines(log);
    std::string line, missing;
    while (std::getline(lines, line))
        if (line.rfind("STRING ", 0) == 0) missing += line + "\n";
    return missing;
}

bool install_complete(const sample_release& release, const std::string& folder)
{
    for (const auto& file : release.installed_files())
        if (!file_exists(folder + file.first)) return false;
    return true;
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
    road.wait_for_still(0.3, 5);
    road.shot(shot + "5_destination");

    ASSERT_TRUE(begin_install(road)) << road.log();
    const std::string temp = road.run_folder();
    ASSERT_TRUE(wait_until([&] { return downloads_move(temp); }, 20)) << "no download under way";
    road.shot(shot + "6_install");
    ASSERT_TRUE(open_cancel_question(road, temp)) << road.log();
    road.shot(shot + "7_cancel_question");
    ASSERT_TRUE(wait_until([&] {
        press_cancel_question(road, false);
        return downloads_move(temp);
    }, 20)) << "the install did not go on";

    // The copy's folder name is translated too: find it by the registry.
    std::string folder;
    ASSERT_TRUE(wait_until([&] {
        folder = testing_support::read_file(registry(road));
        if (!folder.empty() && folder.back() == '\n') folder.pop_back();
        return !folder.empty();
    }, 10));
    ASSERT_TRUE(wait_until([&] { return install_complete(release, folder); }, 60)) << road.log();
    road.wait_for_still(0.3, 5);
    road.shot(shot + "8_finish");
    press_fly(road);
    road.wait(10);

    EXPECT_EQ(missing_lines(road.log()), "") << "texts without a " << lang << " translation";
}

INSTANTIATE_TEST_SUITE_P(languages, translated_road, testing::Values("ru", "de", "fr"));

}  // namespace
