// The web-demo road for the end-to-end tests: a sample release made by the
// release tools and served by nginx on 127.0.0.1, which the installer
// reaches through its proxy setting, and the road walked with xdotool.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "installer_process.h"
#include "nginx_server.h"
#include "test_support.h"

// The sample release in a private web root.  Its manifest is its own (the
// release is tagged with its folder), so the installer's private temporary
// folder that holds it is this test's even while other runs install theirs.
class sample_release {
public:
    sample_release(int small_files, int large_files, int large_mb);

    const std::string& webroot() const { return webroot_; }
    // The files of the release folder below /demo/.
    std::string release_folder() const { return webroot_ + "demo/Demo_900/"; }
    // The manifest's text, and its lines for the files a demo install holds
    // ("FILE ... MD5 PATH").
    std::string manifest() const;
    // Paths below the install folder that a complete install holds, each
    // with its MD5.
    std::vector<std::pair<std::string, std::string>> installed_files() const;
    // Starts nginx on the web root with `extra` in its server block.
    bool serve(const std::string& extra = "");
    // The server block lines that send the files below `folder` (below the
    // release folder, ending in "/") at `rate` ("100k") from both download
    // servers: the installer starts on either.
    std::string slowed(const std::string& folder, const std::string& rate) const;
    unsigned short port() const { return server_ ? server_->port() : 0; }
    std::string access_log() const;
    // The installer's private temporary folder under /tmp, which holds the
    // manifest once the server check is through; "" unless exactly one does.
    std::string temp_folder() const;

private:
    testing_support::scratch_dir dir_;
    std::string webroot_;
    std::unique_ptr<testing_support::nginx_server> server_;
};

// The installer's arguments for a proxy on 127.0.0.1 at `port`.
std::vector<std::string> demo_arguments(unsigned short port);

// Starts the program through a proxy at `port` and waits for its window:
// its id, or "" when none came.
std::string start_installer(installer_process& program, unsigned short port,
                            const std::vector<std::string>& env = {});

// The installer on its own display window, driven as a user would.
class road_walker {
public:
    road_walker(installer_process& program, std::string window);

    // A click at interface units (y upwards from the window's bottom).
    void click(float x, float y) const;
    void press_continue() const { click(720, 24); }
    // Each language's skin sizes GO BACK to its caption; 625 lies on all of them.
    void press_go_back() const { click(625, 24); }
    void press_quit() const { click(58, 24); }
    void tick_licence() const { click(250, 300); }
    void press_fly() const { click(500, 350); }
    // Welcome, licence ticked, server check: on the destination screen
    // once the server check is through (a second on loopback).
    void walk_to_destination() const;
    // Replaces the text of the install name field.
    void set_install_name(const std::string& name) const;
    // Keys by xdotool's names, with the pointer in the window.
    void keys(const std::string& names) const;
    std::string shot(const std::string& name) const;

private:
    installer_process& program_;
    std::string window_;
};

// Polls `done` every 100 ms until it holds or `seconds` have passed.
bool wait_until(const std::function<bool()>& done, double seconds);

// The registry of installed copies in the program's HOME.
std::string registry(const installer_process& program);
// Clicks CONTINUE on the destination screen until the install has set
// itself up (it registers the copy first): a click in a busy frame on a
// loaded machine can come before the screen is ready for it.
bool begin_install(const installer_process& program, const road_walker& road);

// The names and sizes of the streams' archives in the run's temporary folder.
std::string archives_in(const std::string& folder);
bool holds_archives(const std::string& folder);
// Whether the downloads get on within a second.
bool downloads_move(const std::string& folder);
// Archives half done that stand still: a modal window holds the pump.
bool pump_held(const std::string& folder);
// GO BACK on the running install until its cancel question holds the pump.
bool open_cancel_question(const road_walker& road, const std::string& temp);
