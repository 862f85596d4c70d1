#include "web_demo_road.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>


using namespace testing_support;

sample_release::sample_release(int small_files, int large_files, int large_mb)
    : webroot_(dir_ / "www/")
{
    const run_result made = run_program({"/usr/bin/env", "python3", NIMBREL_SOURCE_DIR "/tools/make_sample_release.py",
                                         webroot_, "--small", std::to_string(small_files), "--large",
                                         std::to_string(large_files), "--large-mb", std::to_string(large_mb),
                                         "--tag", dir_.path()});
    if (made.status != 0) ADD_FAILURE() << "the sample release was not made:\n" << made.out;
}

std::string sample_release::manifest() const
{
    return run_program({"unzip", "-p", release_folder() + "directory.txt.zip"}).out;
}

std::vector<std::pair<std::string, std::string>> sample_release::installed_files() const
{
    std::istringstream wanted(read_file(webroot_ + "release.txt"));
    std::istringstream lines(manifest());
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::pair<std::string, std::string>> by_path;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string kind, a, b, c, d, e, md5, path;
        if (!(words >> kind >> a >> b >> c >> d >> e >> md5) || kind != "FILE") continue;
        std::getline(words >> std::ws, path);
        by_path.emplace_back(path.substr(path.find('/') + 1), md5);
    }
    for (std::string path; std::getline(wanted, path);)
        for (const auto& entry : by_path)
            if (entry.first == path) files.push_back(entry);
    return files;
}

bool sample_release::serve(const std::string& extra)
{
    // The second download server holds the first one's files.
    server_ = std::make_unique<nginx_server>(
        webroot_, "location /mirror/ { alias " + webroot_ + "demo/; }\n" + extra);
    if (!server_->running()) ADD_FAILURE() << "nginx did not start:\n" << server_->error_log();
    return server_->running();
}

std::string sample_release::slowed(const std::string& folder, const std::string& rate) const
{
    const std::string path = "Demo_900/" + folder;
    return "location /demo/" + path + " { limit_rate " + rate + "; }\n" + "location /mirror/" + path +
           " { alias " + release_folder() + folder + "; limit_rate " + rate + "; }\n";
}

std::string sample_release::access_log() const
{
    return server_ ? read_file(server_->folder() + "access.log") : "";
}

std::vector<std::string> demo_arguments(unsigned short port)
{
    const std::string p = std::to_string(port);
    return {"--lang=en", "--pref:_proxy_host=127.0.0.1", "--pref:_proxy_port=" + p,
            "--pref:_proxy_port_int=" + p};
}

std::string start_installer(installer_process& program, unsigned short port, const std::vector<std::string>& env)
{
    program.start(demo_arguments(port), env);
    return program.wait_for_window(20);
}

road_walker::road_walker(installer_process& program, std::string window)
    : program_(program), window_(std::move(window))
{
}

void road_walker::click(float x, float y) const
{
    // The press comes a moment after the move, so the frame that sees it
    // already has the pointer over the button.
    x_command("xdotool mousemove --window " + window_ + " " + std::to_string(static_cast<int>(x)) + " " +
              std::to_string(600 - static_cast<int>(y)) +
              " && sleep 0.15 && xdotool mousedown 1 && sleep 0.1 && xdotool mouseup 1 && sleep 0.3");
}

void road_walker::walk_to_destination() const
{
    press_continue();
    tick_licence();
    press_continue();
    x_command("sleep 1");
}

void road_walker::set_install_name(const std::string& name) const
{
    click(700, 203);
    x_command("xdotool key --delay 5 End && xdotool key --delay 2 --repeat 300 BackSpace");
    if (!name.empty()) x_command("xdotool type --delay 5 '" + name + "'");
    x_command("sleep 0.3");
}

void road_walker::keys(const std::string& names) const
{
    x_command("xdotool mousemove --window " + window_ + " 400 300 && sleep 0.1 && xdotool key " + names +
              " && sleep 0.3");
}

std::string road_walker::shot(const std::string& name) const { return program_.screenshot(window_, name); }

bool wait_until(const std::function<bool()>& done, double seconds)
{
    // A deadline rather than a count: `done` may itself take a while.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return done();
}

std::string registry(const installer_process& program) { return program.home() + ".nimbrel/nimbrel_install.txt"; }

bool begin_install(const installer_process& program, const road_walker& road)
{
    return wait_until([&] {
        road.press_continue();
        return file_exists(registry(program));
    }, 20);
}

std::string sample_release::temp_folder() const
{
    const std::string wanted = manifest();
    std::vector<std::string> found;
    DIR* tmp = opendir("/tmp");
    if (!tmp) return "";
    while (dirent* entry = readdir(tmp)) {
        const std::string name = entry->d_name;
        // mkdtemp's "nimbrel-XXXXXX", not the test servers' folders.
        if (name.size() != 14 || name.compare(0, 8, "nimbrel-") != 0) continue;
        const std::string folder = "/tmp/" + name + "/";
        if (file_exists(folder + "directory.txt") && read_file(folder + "directory.txt") == wanted)
            found.push_back(folder);
    }
    closedir(tmp);
    return found.size() == 1 ? found[0] : "";
}

// -- The install's archives ---

std::string archives_in(const std::string& folder)
{
    return run_shell("cd '" + folder + "' 2>/dev/null && stat -c '%n %s' -- *.zip 2>/dev/null").out;
}

bool holds_archives(const std::string& folder) { return !archives_in(folder).empty(); }

bool downloads_move(const std::string& folder)
{
    const std::string before = archives_in(folder);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    return archives_in(folder) != before;
}

bool pump_held(const std::string& folder) { return holds_archives(folder) && !downloads_move(folder); }

// A loaded machine may take a frame so long that the program reads a click
// with the pointer already elsewhere: every step is seen to happen, and
// repeated until it does.  A repeated GO BACK falls outside the question.
bool open_cancel_question(const road_walker& road, const std::string& temp)
{
    return wait_until([&] {
        road.press_go_back();
        return pump_held(temp);
    }, 30);
}
