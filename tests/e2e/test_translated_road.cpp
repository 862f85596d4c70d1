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
    ASSERT_TRUE(release.serve(release.slowed("Nimbrel/Resources/large/", "100k")));
    installer_process program;
    std::vector<std::string> args = demo_arguments(release.port());
    args.front() = "--lang=" + lang;
    args.push_back("--missing_strings");
    program.start(args);
    const std::string window = program.wait_for_window(20);
    ASSERT_FALSE(window.empty()) << program.output();
    road_walker road(program, window);
    const std::string shot = "translated_" + lang + "_";

    road.shot(shot + "1_welcome");
    road.click(160, 23);  // OPTIONS
    road.shot(shot + "2_options");
    road.click(50 + 10, 110 + 370);  // the options window's close area
    road.press_continue();
    road.shot(shot + "3_licence");
    road.tick_licence();
    road.press_continue();
    road.shot(shot + "4_server_check");
    ASSERT_TRUE(wait_until([&] { return !release.temp_folder().empty(); }, 10)) << program.log();
    road.click(1, 1);  // a frame after the check, on the destination screen
    road.shot(shot + "5_destination");

    ASSERT_TRUE(begin_install(program, road)) << program.log();
    const std::string temp = release.temp_folder();
    ASSERT_TRUE(wait_until([&] { return downloads_move(temp); }, 20)) << "no download under way";
    road.shot(shot + "6_install");
    ASSERT_TRUE(open_cancel_question(road, temp)) << program.log();
    road.shot(shot + "7_cancel_question");
    ASSERT_TRUE(wait_until([&] {
        road.click(150, 225);  // "Continue"
        return downloads_move(temp);
    }, 20)) << "the install did not go on";

    // The copy's folder name is translated too: find it by the registry.
    std::string folder;
    ASSERT_TRUE(wait_until([&] {
        folder = testing_support::read_file(registry(program));
        if (!folder.empty() && folder.back() == '\n') folder.pop_back();
        return !folder.empty();
    }, 10));
    ASSERT_TRUE(wait_until([&] { return install_complete(release, folder); }, 60)) << program.log();
    road.click(1, 1);
    road.shot(shot + "8_finish");
    road.press_fly();
    program.wait(10);

    EXPECT_EQ(missing_lines(program.log()), "") << "texts without a " << lang << " translation";
}

INSTANTIATE_TEST_SUITE_P(languages, translated_road, testing::Values("ru", "de", "fr"));

}  // namespace
