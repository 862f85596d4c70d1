// The roads for scripts/demo and bench/, on the same walker and server
// set-up as the end-to-end tests: a sample release served by nginx on
// 127.0.0.1, the installer started through its proxy setting with a HOME of
// its own and "--lang=en" (or the language given), on $DISPLAY.
//
//   demo_road INSTALLER [--small N] [--large N] [--large-mb MB] [--paced] [--workers N]
//             [--update UPDATER | --dvd DVD_INSTALLER]
//             (--watch [--watch-display D] | --walk SHOTS_FOLDER | --time)
//             [--before COMMAND] [--then COMMAND] [--lang CODE]
//
//   --dvd     the sample release as three install DVDs instead, and
//             DVD_INSTALLER reading them from a drive the tool changes disks
//             in (--watch or --walk only)
//
//   --update  the installer's road is walked without shots, the release's
//             successor made and two of the copy's files changed as a user
//             would; then UPDATER is run against it instead.  With --time
//             the copy is laid down from the release's archives instead and
//             left as it is
//   --watch   for a person: the program runs until they close it, on
//             display D when given
//   --walk    walks from the welcome screen to "Fly", a screenshot of each
//             screen in SHOTS_FOLDER (1-welcome.png to 6-finish.png, the
//             updater's to 7-finish.png; the DVD installer's go on past its
//             7-finish.png through the scenery and repair roads to
//             14-repair-finish.png)
//   --time    walks to the destination screen and prints "road SECONDS":
//             from CONTINUE there to the finish screen taking "Fly"
//             (clicked every 50 ms, so the figure is at most that late).
//             The updater: "scan SECONDS" from the log's "Start of MD5" to
//             its "End of MD5", and "update SECONDS" from CONTINUE on the
//             disk check to the finish taking "Fly"
//   --paced   the server paced like a modest line, so the server check and
//             the download can be watched
//   --lang    the language the programs show, by its code ("de", "ru")
//   --before  runs COMMAND before the program starts, --then after it ended,
//             both with the server up and NIMBREL_DEMO_PORT, NIMBREL_DEMO_WWW
//             and NIMBREL_DEMO_COPY (the copy's folder) in their environment
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dvd_roads.h"
#include "web_demo_road.h"

using namespace testing_support;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: demo_road INSTALLER [--small N] [--large N] [--large-mb MB] [--paced] [--workers N]\n"
                 "                 [--update UPDATER | --dvd DVD_INSTALLER]\n"
                 "                 (--watch [--watch-display D] | --walk SHOTS_FOLDER | --time)\n"
                 "                 [--then COMMAND] [--lang CODE]\n");
    return 2;
}

void say(const std::string& line)
{
    std::printf("== %s\n", line.c_str());
    std::fflush(stdout);
}

int fail(const std::string& why)
{
    say(why);
    return 1;
}

// Loopback would pass the server check and the download in a blink.
std::string paced(const sample_release& release)
{
    const std::string manifest = "Demo_900/directory.txt.zip";
    return "limit_rate 1m;\n"
           "location = /demo/" + manifest + " { limit_rate 3k; }\n"
           "location = /mirror/" + manifest + " { alias " + release.release_folder() +
           "directory.txt.zip; limit_rate 3k; }\n";
}

int installed_count(const sample_release& release, const std::string& folder)
{
    int n = 0;
    for (const auto& file : release.installed_files()) n += file_exists(folder + file.first);
    return n;
}

// Where the stub simulator that "Fly" started last says it ran.
std::string last_flight(const road_walker& road)
{
    std::string flown = read_file(road.home() + "nimbrel-flown.txt");
    if (flown.empty()) return "(it did not run)";
    flown.pop_back();
    return flown.substr(flown.rfind('\n') + 1);
}

// The pointer on the title, where it lights no button in the shots.
std::string shot(const road_walker& road, const std::string& name, bool wanted = true)
{
    if (!wanted) return "";
    road.rest_pointer();
    road.wait_for_still(0.3, 3);
    const std::string path = road.shot(name);
    say("   " + path);
    return path;
}

// The folder the install registered; its name is translated.
std::string registered_folder(const road_walker& road)
{
    std::string folder = read_file(registry(road));
    if (!folder.empty() && folder.back() == '\n') folder.pop_back();
    return folder.substr(folder.rfind('\n') + 1);
}

int walk(road_walker& road, const sample_release& release, bool shots = true)
{
    const int files = static_cast<int>(release.installed_files().size());
    shot(road, "1-welcome", shots);
    if (!road.press_until_changed(button_bar::next)) return fail("the licence did not show");
    shot(road, "2-licence", shots);
    if (!road.click_until_changed(250, 300)) return fail("the licence could not be ticked");
    shot(road, "2-licence-accepted", shots);
    if (!road.press_until_changed(button_bar::next)) return fail("the server check did not start");
    shot(road, "3-check-servers", shots);
    if (!release.server()->wait_for_request("directory.txt.zip HTTP/1.1\" 200", 120))
        return fail("the manifest was not fetched");
    if (!wait_until([&] { return release.manifest_in(road.run_folder()); }, 20))
        return fail("the manifest was not read");
    if (!road.wait_for_step(step_list::destination)) return fail("the destination did not show");
    shot(road, "4-destination", shots);
    if (!begin_install(road)) return fail("the install did not start");
    const std::string folder = registered_folder(road);
    // Some way in, so that the shot shows progress, rate and time left.
    if (shots) wait_until([&] { return installed_count(release, folder) * 4 >= files; }, 60);
    shot(road, "5-install", shots);
    if (!wait_until([&] { return installed_count(release, folder) == files; }, 300) ||
        !road.wait_for_step(step_list::finish))
        return fail("the install did not complete");
    shot(road, "6-finish", shots);
    const int status = fly_when_done(road, 20);
    if (status == -1) return fail("the installer did not end after Fly");
    if (shots) say("the stub simulator ran as: " + last_flight(road));
    return 0;
}

// The user's own notes in two files that the update changes too: the
// updater asks about each.  Returns them in the order it asks.
std::vector<std::string> edit_two_files(const sample_release& release, const std::string& copy)
{
    std::vector<std::string> changed;
    for (const auto& [kind, path] : release.update_changes())
        if (kind == "changed") changed.push_back(path);
    if (changed.size() < 3) return {};
    std::vector<std::string> edited{changed[1], changed[2]};
    std::sort(edited.begin(), edited.end());
    for (const std::string& path : edited) write_file(copy + path, read_file(copy + path) + "my own notes\n");
    say("changed by hand: " + edited[0] + ", " + edited[1]);
    return edited;
}

int walk_update(road_walker& road, const std::string& copy, const std::vector<std::string>& edited)
{
    shot(road, "1-welcome");
    if (!road.press_until_changed(button_bar::next)) return fail("the copy picker did not show");
    shot(road, "2-pick-copy");
    if (!road.press_until(button_bar::next, [&] { return road.logged("Start of MD5"); }))
        return fail("the search did not start");
    shot(road, "3-search");
    if (!road.wait_for_log("End of MD5", 60) || !road.wait_for_step(step_list::disk_check))
        return fail("the copy was not scanned");
    shot(road, "4-check-disk");
    // The file plan's question for each edited file, window 996 of 750 by
    // 146: keep the first, overwrite the second.
    if (!road.press_until(button_bar::next, [&] { return road.logged("File: "); }) ||
        !road.wait_for_step(step_list::none))
        return fail("no question about the edited files");
    shot(road, "5-question");
    road.click_in(750, 146, 108, 28);
    if (!road.wait_for_log("File: " + copy + edited[1], 20)) return fail("no question about the second file");
    road.click_in(750, 146, 108, 53);
    shot(road, "6-install");
    if (!wait_until([&] { return !file_exists(copy + "Instructions/Manual_old"); }, 180) ||
        !road.wait_for_step(step_list::finish))
        return fail("the update did not complete");
    shot(road, "7-finish");
    if (fly_when_done(road, 20) == -1) return fail("the updater did not end after Fly");
    say("kept by the user: " + edited[0] + "; the update's version: " + edited[1]);
    say("the stub simulator ran as: " + last_flight(road));
    return 0;
}

// Seconds from CONTINUE until the finish screen takes "Fly", which ends
// the program; negative when it did not within ten minutes.
double time_to_fly(road_walker& road)
{
    const skin_button_box next = button_bar::place(road.language(), button_bar::next);
    road.point_at(next.centre_x(), next.centre_y());
    const auto start = std::chrono::steady_clock::now();
    road.press_here();
    road.point_at(500, 350);  // "Fly Nimbrel 9 Now"
    while (road.wait(0.05) == -1) {
        road.press_here();
        if (std::chrono::steady_clock::now() - start > std::chrono::minutes(10)) return -1;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A simulator file of the release, as the copy names it.
std::string first_simulator_file(const dvd_release& disks)
{
    std::istringstream manifest(disks.manifest());
    for (std::string line; std::getline(manifest, line);) {
        const size_t top = line.find(" Nimbrel/");
        if (line.rfind("FILE ", 0) != 0 || top == std::string::npos) continue;
        const std::string path = line.substr(top + 9);
        if (path.find("Global Scenery") == std::string::npos && path.find('/') != std::string::npos)
            return path;
    }
    return "";
}

// Back at the hub with the copy just installed: the scenery road takes a
// tile away, then the repair road puts back a file damaged meanwhile, from
// the first disk, which it asks for first.
int walk_dvd_copy_roads(road_walker& road, const dvd_release& disks)
{
    if (!road.press_until_changed(button_bar::go_back, 10, true)) return fail("the hub did not show");
    shot(road, "8-hub-installed-copy");
    if (!road.click_until_changed(500, 325) || !road.press_until_changed(button_bar::next) ||
        !road.wait_for_step(step_list::map))
        return fail("the scenery road did not start");
    shot(road, "9-scenery-map");
    road.click(map_x(10), map_y(13));
    shot(road, "9-scenery-map-tile-off");
    if (!road.press_until_changed(button_bar::next) || !road.wait_for_log("Scenery changed in ", 60) ||
        !road.wait_for_step(step_list::finish))
        return fail("the tile was not taken away");
    shot(road, "10-scenery-finish");

    const std::string damaged = first_simulator_file(disks);
    write_file(road.home() + disks.release() + "/" + damaged, "damaged");
    say("damaged " + damaged);
    if (!road.press_until_changed(button_bar::go_back, 10, true) || !road.click_until_changed(500, 300) ||
        !road.press_until_changed(button_bar::next) || !road.wait_for_log("Files to repair in ", 60) ||
        !road.wait_for_step(step_list::confirm_repairs))
        return fail("the repair did not scan the copy");
    shot(road, "11-repair-confirm");
    if (!road.press_until(button_bar::next, [&] { return road.logged("  sig_want="); }) ||
        !road.wait_for_step(step_list::none))
        return fail("the damaged file was not asked about");
    shot(road, "12-repair-question");
    road.click_in(750, 146, 108, 53);  // OVERWRITE THE OLD FILE
    if (!road.wait_for_log("Asking for DVD number 1 for", 30) || !wait_for_disk_request(road))
        return fail("the first disk was not asked for");
    shot(road, "13-repair-change-disk-1");
    disks.insert(1);
    if (!road.press_until_changed(button_bar::next) || !road.wait_for_log("Install finished", 60, 3) ||
        !road.wait_for_step(step_list::finish))
        return fail("the repair did not complete");
    shot(road, "14-repair-finish");
    return 0;
}

// The DVD road: the hub's welcome to the finish, scenery tiles chosen on
// the world map that lie on the second and the third disk, each disk put in
// the drive when the program asks for it.
int walk_dvd(road_walker& road, const dvd_release& disks)
{
    shot(road, "1-hub");
    if (!road.press_until_changed(button_bar::next)) return fail("the destination did not show");
    shot(road, "2-destination");
    if (!road.press_until_changed(button_bar::next) || !road.click_until_changed(250, 300))
        return fail("the licence could not be ticked");
    shot(road, "3-licence");
    if (!road.press_until_changed(button_bar::next)) return fail("the scenery map did not show");
    shot(road, "4-scenery");
    // One tile by a click, and the four around 0 degrees east, 50 north by
    // a drag.
    road.click(map_x(10), map_y(13));
    road.drag(map_x(17), map_y(13), map_x(18), map_y(14));
    shot(road, "4-scenery-chosen");
    if (!road.press_until(button_bar::next, [&] { return asked_for(road, 2) > 0; }, 120) ||
        !wait_for_disk_request(road))
        return fail("the second disk was not asked for");
    shot(road, "5-change-disk-2");
    if (!change_disk(road, disks, 2, 3)) return fail("the third disk was not asked for");
    shot(road, "6-change-disk-3");
    if (!change_disk(road, disks, 3, 0)) return fail("the install did not complete");
    shot(road, "7-finish");
    if (const int failed = walk_dvd_copy_roads(road, disks)) return failed;
    if (fly_when_done(road, 20) == -1) return fail("the DVD installer did not end after Run Nimbrel Now");
    say("the stub simulator ran as: " + last_flight(road));
    return 0;
}

int time_the_install(road_walker& road, const sample_release& release)
{
    if (!walk_to_destination(road, release)) return fail("the destination screen did not show");
    const double seconds = time_to_fly(road);
    if (seconds < 0) return fail("the install did not end within ten minutes");
    std::printf("road %.2f\n", seconds);
    return 0;
}

// The clock time the log gives after `marker` (" Start of MD5 at ").
double logged_time(const std::string& log, const std::string& marker)
{
    const size_t at = log.find(marker);
    return at == std::string::npos ? 0 : std::atof(log.c_str() + at + marker.size());
}

int time_the_update(road_walker& road)
{
    if (!road.press_until_changed(button_bar::next)) return fail("the copy picker did not show");
    if (!road.press_until(button_bar::next, [&] { return road.logged("Start of MD5"); }))
        return fail("the search did not start");
    if (!road.wait_for_log("End of MD5", 600)) return fail("the copy was not scanned");
    const std::string log = road.log();
    std::printf("scan %.2f\n", logged_time(log, " End of MD5 at ") - logged_time(log, " Start of MD5 at "));
    if (!road.wait_for_step(step_list::disk_check)) return fail("the disk check did not show");
    const double seconds = time_to_fly(road);
    if (seconds < 0) return fail("the update did not end within ten minutes");
    std::printf("update %.2f\n", seconds);
    return 0;
}

// `command` with the server's and the copy's whereabouts; true when it
// succeeded.
bool run_beside(const std::string& command, const sample_release& release, const std::string& copy)
{
    // Exported, so that the command's own words may name them too.
    const std::string env = "export NIMBREL_DEMO_PORT=" + std::to_string(release.port()) + " NIMBREL_DEMO_WWW='" +
                            release.webroot() + "' NIMBREL_DEMO_COPY='" + copy + "'; ";
    std::fflush(stdout);
    return std::system((env + command).c_str()) == 0;
}

int dvd_demo(const std::string& program, const std::string& mode, const std::string& shots, int small,
             int large, int large_mb, const std::string& language)
{
    say("making the sample release as three install DVDs");
    dvd_release disks(small, large, large_mb, 3);
    if (!disks.error().empty()) return fail(disks.error());
    disks.insert(1);
    road_walker road(program, shots.empty() ? "demo" : shots);
    road.in_language(language);
    if (!start_dvd_installer(road, disks))
        return fail("the DVD installer's window did not appear; its output:\n" + road.output());
    if (mode == "--walk") {
        say("walking the road");
        return walk_dvd(road, disks);
    }
    std::string drive = disks.drive();
    drive.pop_back();
    say("nimbrel-dvd-installer (its HOME is " + road.home() + "); disk 1 is in the drive");
    say("to change disks when it asks, in another terminal:  ln -sfn " + disks.disk(2) + " " + drive +
        "   (or disk3/)");
    while (road.wait(3600) == -1) {}
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return usage();
    const std::string installer = argv[1];
    int small = 300, large = 3, large_mb = 8, workers = 0;
    bool paced_server = false;
    std::string mode, shots, before, then, updater, dvd_installer, watch_display, language = "en";
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        if (a == "--small" && has_value) small = std::atoi(argv[++i]);
        else if (a == "--large" && has_value) large = std::atoi(argv[++i]);
        else if (a == "--large-mb" && has_value) large_mb = std::atoi(argv[++i]);
        else if (a == "--workers" && has_value) workers = std::atoi(argv[++i]);
        else if (a == "--paced") paced_server = true;
        else if (a == "--watch" || a == "--time") mode = a;
        else if (a == "--walk" && has_value) mode = a, shots = argv[++i];
        else if (a == "--before" && has_value) before = argv[++i];
        else if (a == "--then" && has_value) then = argv[++i];
        else if (a == "--update" && has_value) updater = argv[++i];
        else if (a == "--dvd" && has_value) dvd_installer = argv[++i];
        else if (a == "--watch-display" && has_value) watch_display = argv[++i];
        else if (a == "--lang" && has_value) language = argv[++i];
        else return usage();
    }
    if (mode.empty() || (!dvd_installer.empty() && (mode == "--time" || !updater.empty()))) return usage();
    if (!dvd_installer.empty()) return dvd_demo(dvd_installer, mode, shots, small, large, large_mb, language);

    say("making the sample release");
    sample_release release(small, large, large_mb);
    if (!release.serve(paced_server ? paced(release) : "", workers)) return fail(release.problem());
    say("serving it on 127.0.0.1:" + std::to_string(release.port()));

    road_walker road(installer, shots.empty() ? "demo" : shots);
    road.in_language(language);
    // The program shown to the person, walked or timed, and the copy it
    // installs or an update finds.
    road_walker* shown = &road;
    std::unique_ptr<road_walker> update;
    std::vector<std::string> edited;
    std::string copy = demo_folder(road);
    if (!updater.empty() && mode == "--time") {
        copy = lay_down_copy(release, road.home());
        if (copy.empty()) return fail("the copy could not be laid down");
        if (!release.make_update()) return fail(release.problem());
    } else if (!updater.empty()) {
        if (!start_demo(road, release.port()))
            return fail("the installer's window did not appear; its output:\n" + road.output());
        say("installing the release");
        if (walk(road, release, false) != 0) return 1;
        copy = registered_folder(road);
        say("making the release's successor");
        if (!release.make_update()) return fail(release.problem());
        edited = edit_two_files(release, copy);
        if (edited.empty()) return fail("the update changes too few files");
    }
    if (!updater.empty()) {
        if (!watch_display.empty()) setenv("DISPLAY", watch_display.c_str(), 1);
        update = std::make_unique<road_walker>(updater, shots.empty() ? "demo" : shots);
        update->in_language(language);
        update->use_home(road.home());
        shown = update.get();
    }
    if (!before.empty() && !run_beside(before, release, copy)) return fail("the command before failed");
    if (!start_demo(*shown, release.port()))
        return fail("the window did not appear; the program's output:\n" + shown->output());

    int status = 0;
    if (mode == "--watch") {
        say("on " + std::string(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "") + " (its HOME is " +
            shown->home() + ")");
        while (shown->wait(3600) == -1) {}
    } else if (mode == "--walk") {
        say("walking the road");
        status = update ? walk_update(*update, copy, edited) : walk(road, release);
    } else {
        status = update ? time_the_update(*update) : time_the_install(road, release);
    }
    if (status == 0 && !then.empty() && !run_beside(then, release, copy)) status = 1;
    return status;
}
