#include "web_demo_road.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace testing_support;

bool start_demo(road_walker& road, unsigned short port)
{
    road.through_proxy(port);
    // A press on the start-up screen would be taken for one that changed
    // the window when the first screen replaces it.
    return road.start() && road.wait_for_first_screen();
}

void tick_licence(const road_walker& road) { road.click(250, 300); }

void press_fly(const road_walker& road) { road.click(500, 350); }

void press_cancel_question(const road_walker& road, bool cancel) { road.click(150, cancel ? 250 : 225); }

int fly_when_done(road_walker& road, double seconds)
{
    int status = -1;
    wait_until([&] {
        press_fly(road);
        status = road.wait(1);
        return status != -1;
    }, seconds);
    return status;
}

void dismiss_unpack_warning_and_expect_no_fly(road_walker& road, const std::string& detail)
{
    EXPECT_TRUE(wait_until([&] {
        road.keys("Return");
        return road.wait_for_log("The installer cannot extract a file.", 0.5);
    }, road_walker::kActing)) << road.log();
    EXPECT_NE(road.log().find(detail), std::string::npos) << road.log();
    press_fly(road);
    EXPECT_EQ(road.wait(1), -1) << "Fly was offered after a failed install";
    EXPECT_FALSE(file_exists(road.home() + "nimbrel-flown.txt"));
}

void quit_on_the_finish_screen(road_walker& road)
{
    road.press(button_bar::last_quit, true);
    EXPECT_EQ(road.wait(20), 0) << road.output();
}

bool walk_to_server_check(const road_walker& road)
{
    return road.press_until_changed(button_bar::next) &&  // the licence
           road.click_until_changed(250, 300) &&          // "I agree!"
           road.press_until_changed(button_bar::next);
}

bool walk_to_destination(const road_walker& road, const sample_release& release)
{
    if (!walk_to_server_check(road)) return false;
    // The check ends on the destination screen by itself.
    return wait_until([&] { return release.manifest_in(road.run_folder()); }, 20) &&
           road.wait_for_step(step_list::destination);
}

bool set_install_name(const road_walker& road, const std::string& name)
{
    const testing_support::window_pixels before = road.picture();
    road.click(700, 203);
    road.keys("End");
    road.keys("--delay 2 --repeat 300 BackSpace");
    if (!name.empty()) road.type(name);
    // The screen's text names what is wrong with each name.
    return road.wait_for_screen(before, 5);
}

std::string demo_folder(const road_walker& road) { return road.home() + "Nimbrel 9 Demo/"; }

std::string registry(const road_walker& road) { return road.home() + ".nimbrel/nimbrel_install.txt"; }

void register_copy(const std::string& home, const std::string& copy)
{
    write_file(home + ".nimbrel/nimbrel_install.txt", copy + "\n");
}

bool unpack_into(const std::string& release_folder, const std::vector<std::string>& paths,
                 const std::string& copy)
{
    const auto folder_of = [](const std::string& path) { return path.substr(0, path.rfind('/') + 1); };
    std::string script = "set -e";
    for (const std::string& p : paths)
        script += "\nmkdir -p '" + copy + folder_of(p) + "'\nunzip -qo '" + release_folder + "Nimbrel/" + p +
                  ".zip' -d '" + copy + folder_of(p) + "'";
    return run_shell(script).status == 0;
}

std::string lay_down_copy(const sample_release& release, const std::string& home,
                          const std::vector<std::string>& more)
{
    const std::string copy = home + "Nimbrel 9/";
    std::vector<std::string> paths = more;
    for (const auto& file : release.installed_files()) paths.push_back(file.first);
    if (!unpack_into(release.first_release_folder(), paths, copy)) return "";
    register_copy(home, copy);
    return copy;
}

bool begin_install(const road_walker& road)
{
    return road.press_until(button_bar::next, [&] { return file_exists(registry(road)); });
}

// -- The install's archives ---

std::string archives_in(const std::string& folder)
{
    // With the time of the last write: a download started again writes over
    // the file it left from the start, its size standing still for a while.
    return run_shell("cd '" + folder + "' 2>/dev/null && stat -c '%n %s %y' -- *.zip 2>/dev/null").out;
}

bool holds_archives(const std::string& folder) { return !archives_in(folder).empty(); }

bool downloads_move(const std::string& folder)
{
    const std::string before = archives_in(folder);
    return wait_until([&] { return archives_in(folder) != before; }, 1.0);
}

bool pump_held(const road_walker& road, const std::string& folder)
{
    return testing_support::current_step(road.picture()) == step_list::none && holds_archives(folder) &&
           !downloads_move(folder);
}

bool wait_on_install(const road_walker& road, const std::string& temp, const std::function<bool()>& done)
{
    testing_support::idle_limit limit(30);
    while (!done()) {
        if (!limit.moving(archives_in(temp) + road.log())) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

bool install_complete(const sample_release& release, const std::string& folder)
{
    for (const auto& file : release.installed_files())
        if (!file_exists(folder + file.first)) return false;
    return true;
}

// A loaded machine may take a frame so long that the program reads a click
// with the pointer already elsewhere: every step is seen to happen, and
// repeated until it does.  A repeated GO BACK falls outside the question.
bool open_cancel_question(const road_walker& road, const std::string& temp)
{
    return road.press_until(button_bar::go_back, [&] { return pump_held(road, temp); }, 30);
}

// The program logs a cancel when it has removed the copy, before the
// streams' archives go: a log read after the archives were seen to change
// tells a cancel from an install that went on, however fast either ran.
bool continue_after_cancel_question(const road_walker& road, const std::string& temp)
{
    const std::string cancelled = "Removed the copy at ";
    const int cancels = count_of(road.log(), cancelled);
    bool went_on = false;
    wait_until([&] {
        press_cancel_question(road, false);
        went_on = downloads_move(temp) || !holds_archives(temp);
        if (!road.logged(cancelled, cancels + 1)) return went_on;
        went_on = false;
        return true;
    }, 20);
    return went_on;
}
