// The web-demo road for scripts/demo and bench/run_demo_road, on the same
// walker and server set-up as the end-to-end tests: a sample release served
// by nginx on 127.0.0.1, the installer started through its proxy setting
// with a HOME of its own and "--lang=en", on $DISPLAY.
//
//   demo_road INSTALLER [--small N] [--large N] [--large-mb MB] [--paced] [--workers N]
//             (--watch | --walk SHOTS_FOLDER | --time) [--then COMMAND]
//
//   --watch   for a person: the installer runs until they close it
//   --walk    walks from the welcome screen to "Fly", a screenshot of each
//             screen in SHOTS_FOLDER (1-welcome.png to 6-finish.png)
//   --time    walks to the destination screen and prints "road SECONDS":
//             from CONTINUE there to the finish screen taking "Fly"
//             (clicked every 50 ms, so the figure is at most that late)
//   --paced   the server paced like a modest line, so the server check and
//             the download can be watched
//   --then    runs COMMAND with the server still up, NIMBREL_DEMO_PORT and
//             NIMBREL_DEMO_WWW in its environment
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "web_demo_road.h"

using namespace testing_support;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: demo_road INSTALLER [--small N] [--large N] [--large-mb MB] [--paced] [--workers N]\n"
                 "                 (--watch | --walk SHOTS_FOLDER | --time) [--then COMMAND]\n");
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

std::string install_folder(const road_walker& road) { return road.home() + "Nimbrel 9 Demo/"; }

int installed_count(const sample_release& release, const std::string& folder)
{
    int n = 0;
    for (const auto& file : release.installed_files()) n += file_exists(folder + file.first);
    return n;
}

// The pointer on the title, where it lights no button in the shots.
std::string shot(const road_walker& road, const std::string& name)
{
    road.point_at(100, 560);
    road.wait_for_still(0.3, 3);
    const std::string path = road.shot(name);
    say("   " + path);
    return path;
}

int walk(road_walker& road, const sample_release& release)
{
    const int files = static_cast<int>(release.installed_files().size());
    const std::string folder = install_folder(road);
    shot(road, "1-welcome");
    if (!road.press_until_changed(button_bar::next)) return fail("the licence did not show");
    shot(road, "2-licence");
    if (!road.click_until_changed(250, 300)) return fail("the licence could not be ticked");
    shot(road, "2-licence-accepted");
    if (!road.press_until_changed(button_bar::next)) return fail("the server check did not start");
    shot(road, "3-check-servers");
    if (!release.server()->wait_for_request("directory.txt.zip HTTP/1.1\" 200", 120))
        return fail("the manifest was not fetched");
    if (!wait_until([&] { return !release.temp_folder().empty(); }, 20)) return fail("the manifest was not read");
    shot(road, "4-destination");
    if (!begin_install(road)) return fail("the install did not start");
    // Some way in, so that the shot shows progress, rate and time left.
    wait_until([&] { return installed_count(release, folder) * 4 >= files; }, 60);
    shot(road, "5-install");
    if (!wait_until([&] { return installed_count(release, folder) == files; }, 300))
        return fail("the install did not complete");
    shot(road, "6-finish");
    const int status = fly_when_done(road, 20);
    if (status == -1) return fail("the installer did not end after Fly");
    const std::string flown = read_file(road.home() + "nimbrel-flown.txt");
    say("the stub simulator ran as: " + (flown.empty() ? std::string("(it did not run)\n") : flown));
    return 0;
}

int time_the_install(road_walker& road, const sample_release& release)
{
    if (!walk_to_destination(road, release)) return fail("the destination screen did not show");
    const skin_button_box next = button_bar::place(road.language(), button_bar::next);
    road.point_at(next.centre_x(), next.centre_y());
    const auto start = std::chrono::steady_clock::now();
    road.press_here();
    road.point_at(500, 350);  // "Fly Nimbrel 9 Now"
    while (road.wait(0.05) == -1) {
        road.press_here();
        if (std::chrono::steady_clock::now() - start > std::chrono::minutes(10))
            return fail("the install did not end within ten minutes");
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("road %.2f\n", seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return usage();
    const std::string installer = argv[1];
    int small = 300, large = 3, large_mb = 8, workers = 0;
    bool paced_server = false;
    std::string mode, shots, then;
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
        else if (a == "--then" && has_value) then = argv[++i];
        else return usage();
    }
    if (mode.empty()) return usage();

    say("making the sample release");
    sample_release release(small, large, large_mb);
    if (!release.serve(paced_server ? paced(release) : "", workers)) return fail(release.problem());
    say("serving it on 127.0.0.1:" + std::to_string(release.port()));

    road_walker road(installer, shots.empty() ? "demo" : shots);
    if (!start_demo(road, release.port())) {
        say("the installer's window did not appear; its output:");
        std::fputs(road.output().c_str(), stderr);
        return 1;
    }
    int status = 0;
    if (mode == "--watch") {
        say("nimbrel-installer on " + std::string(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "") +
            " (its HOME is " + road.home() + ")");
        while (road.wait(3600) == -1) {}
    } else if (mode == "--walk") {
        say("walking the road");
        status = walk(road, release);
    } else {
        status = time_the_install(road, release);
    }
    if (status == 0 && !then.empty()) {
        const std::string command = "NIMBREL_DEMO_PORT=" + std::to_string(release.port()) + " NIMBREL_DEMO_WWW='" +
                                    release.webroot() + "' " + then;
        status = std::system(command.c_str()) == 0 ? 0 : 1;
    }
    return status;
}
