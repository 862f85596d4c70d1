// The about box in the toolkit's test program under Xvfb, checking for a
// newer release on nginx through the proxy setting: the update handed over
// to a new installer, the beta offer with a missing archive, no network,
// and archives that must not write outside the program's folder or start
// anything but a program they unpacked.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "archive_builders.h"
#include "fake_browser.h"
#include "loopback_ports.h"
#include "nginx_server.h"
#include "road_walker.h"
#include "sample_release.h"

namespace {

using archive_fixtures::make_zip;
using archive_fixtures::zip_entry;
using testing_support::file_exists;
using testing_support::read_file;
using testing_support::road_walker;
using testing_support::scratch_dir;
using testing_support::window_pixels;
using testing_support::write_file;

constexpr float box_w = 600, box_h = 300;
const std::string kHeader = "I\n820 version\nSERVERS\n";
const std::string kHost = "www.orrindalelabs.example";

// The installer a newer release brings: it notes its arguments and the
// folder it was started in beside itself.
const std::string kRecordingInstaller =
    "#!/bin/sh\n"
    "here=$(dirname \"$0\")\n"
    "printf '%s\\n' \"$@\" > \"$here/started.txt\"\n"
    "pwd >> \"$here/started.txt\"\n"
    "exit 0\n";

zip_entry executable(const std::string& name, const std::string& data)
{
    return {name, data, 0100755u << 16};
}

std::string list_offering(const std::string& path)
{
    return kHeader + "FINAL Nimbrel 9.30\nFINAL_VERSION 93000\nFINAL_INSTALLER_LIN " + kHost + " " + path + "\n";
}

// What the window shows, by pixels that tell it apart: the box up (the
// light bar along its bottom, where the window beneath it and an alert's
// surround are dark), an alert over it (its light panel where the box's
// text panel is dark), and the box offering an installer (the update
// button's dark caption at its right).
bool box_shown(const window_pixels& p) { return testing_support::light_at(p, 685, 167); }
bool alert_shown(const window_pixels& p) { return testing_support::light_at(p, 400, 240); }
bool offer_shown(const window_pixels& p) { return testing_support::ink_in(p, 542, 642, 161, 174) > 40; }

// The test program with its menus, its proxy pointed at `port`.
class about_program : public road_walker {
public:
    explicit about_program(unsigned short port) : road_walker(WIDGET_SCREENS)
    {
        testing_support::run_shell("cp -r '" MENUS_DIR "' '" + app_dir() + "'");
        through_proxy(port);
    }
    bool said(const std::string& line, int times = 1) const { return output_lines(line) >= times; }
    // "About..." in the "Dialogs" menu, the second title on the bar; the
    // `times`-th time it opens in this run.
    bool open_box(int times = 1)
    {
        // Its menus are read before it says it is ready.
        if (!wait_for_output_line("ready", 30)) return false;
        wait_for_still(0.2, 3);
        if (!choose_from_menu({70, 591}, {80, 600 - 26 - 12 * 4}, "menu 205")) return false;
        return testing_support::wait_until([&] { return said("about", times); }, 10) && wait_for(box_shown, 10);
    }
    void click_box(float x, float y) const { click_in(box_w, box_h, x, y); }
    void press_update() const { click_box(492, 17); }
    void close_box() const { click_box(12, box_h - 10); }
};

// Whether the box's progress and message line (y 65) differs between two
// pictures of the window.
bool message_line_differs(const window_pixels& a, const window_pixels& b)
{
    const int left = 100 + 20, right = 100 + 580, top = 600 - 150 - 78, bottom = 600 - 150 - 60;
    return a.differences(b, left, top, right, bottom) > 20;
}

// A newer final release: the button, the percentage while the archive
// comes, the one program unpacked into the program's folder, the new
// installer started with "-path" and the folder, and this program ended
// with status 1 and its preferences written.
TEST(about_box, HandsOverToTheNewerInstallerItUnpacked)
{
    scratch_dir root;
    write_file(root / "serverlist9.txt", list_offering("/lin/installer.zip"));
    // Bytes past its "exit" make the program large enough to watch come.
    std::string installer = kRecordingInstaller;
    for (int i = 0; i < 160 * 1024; ++i) installer += static_cast<char>(i * 131 + i / 251);
    write_file(root / "lin/installer.zip", make_zip({executable("New Installer", installer)}));
    testing_support::nginx_server nginx(root.path(), "location /lin/ { limit_rate 64k; }");
    ASSERT_TRUE(nginx.running()) << nginx.error_log();

    about_program program(nginx.port());
    ASSERT_TRUE(program.start()) << program.output();
    ASSERT_TRUE(program.open_box()) << program.output();
    ASSERT_TRUE(program.wait_for_log("Version check: Offering the final release installer from " + kHost +
                                     "/lin/installer.zip", 10))
        << program.log();
    ASSERT_TRUE(program.wait_for(offer_shown, 10));
    const window_pixels offered = program.picture();
    program.shot("about_update_offered");

    program.press_update();
    ASSERT_TRUE(testing_support::wait_until([&] { return message_line_differs(program.picture(), offered); }, 5))
        << "no percentage line while the archive comes";
    program.shot("about_downloading");

    EXPECT_EQ(program.wait_for_exit(30), 1) << program.output() << program.log();
    const std::string app = program.app_dir();
    ASSERT_TRUE(program.wait_for_file(app + "started.txt", 10)) << program.log();
    EXPECT_EQ(read_file(app + "started.txt"), "-path\n" + app + "\n" + app.substr(0, app.size() - 1) + "\n");
    EXPECT_EQ(read_file(app + "New Installer"), installer);
    EXPECT_TRUE(file_exists(app + "Output/preferences/installer.zip"));
    EXPECT_NE(program.log().find("Launching: " + app + "New Installer with " + app), std::string::npos)
        << program.log();
    EXPECT_NE(read_file(program.prefs_file()).find("_proxy_host 127.0.0.1"), std::string::npos)
        << "the preferences were not written before the hand-over";
}

// A newer beta whose archive is missing: the beta button, the client's
// warning, then the box again with its message; it closes and the program
// goes on.
TEST(about_box, OffersTheBetaAndSaysWhenItsArchiveIsMissing)
{
    scratch_dir root;
    write_file(root / "serverlist9.txt", kHeader + "FINAL Nimbrel 9.20\nBETA Nimbrel 9.30 beta 2\n"
                                                   "FINAL_VERSION 92000\nBETA_VERSION 93002\n"
                                                   "BETA_INSTALLER_LIN " + kHost + " /beta/missing.zip\n");
    testing_support::nginx_server nginx(root.path());
    ASSERT_TRUE(nginx.running()) << nginx.error_log();

    about_program program(nginx.port());
    ASSERT_TRUE(program.start()) << program.output();
    ASSERT_TRUE(program.open_box()) << program.output();
    ASSERT_TRUE(program.wait_for_log("Version check: Offering the beta installer from", 10)) << program.log();
    ASSERT_TRUE(program.wait_for(offer_shown, 10));
    const window_pixels offered = program.picture();
    program.shot("about_beta_offered");

    program.press_update();
    ASSERT_TRUE(program.wait_for_log("Not Found (#404)", 10)) << program.log();
    ASSERT_TRUE(program.wait_for(alert_shown, 5));
    program.shot("about_beta_missing_alert");
    program.keys("Return");
    ASSERT_TRUE(program.wait_for_log("File not found!", 10)) << program.log();
    ASSERT_TRUE(program.wait_for_log("Version check: I was unable to download the installer from the net.", 10))
        << program.log();
    ASSERT_TRUE(program.wait_for(box_shown, 10)) << "the box did not come back";
    EXPECT_FALSE(program.said("about closed")) << "the warning took the box away";
    EXPECT_TRUE(message_line_differs(program.picture(), offered)) << "no message in the box";
    program.shot("about_beta_missing");

    program.close_box();
    EXPECT_TRUE(program.wait_for_output_line("about closed", 10)) << program.output();
    EXPECT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait_for_exit(20), 0) << program.output();
}

// No network: the box says so, asks again and again without getting in
// the way: its web-site button works, it closes and reopens, and a close
// request with it open ends the program.
TEST(about_box, WithoutANetworkStaysResponsiveAndClosable)
{
    testing_support::fake_browser browser;
    const testing_support::refused_port nowhere;
    ASSERT_NE(nowhere.port(), 0);
    about_program program(nowhere.port());
    ASSERT_TRUE(program.start()) << program.output();
    ASSERT_TRUE(program.open_box()) << program.output();
    program.shot("about_no_network");
    const window_pixels open = program.picture();
    program.click_box(191, 17);
    EXPECT_EQ(browser.arguments(), "http://" + kHost + "/\n");
    program.close_box();
    ASSERT_TRUE(program.wait_for_output_line("about closed", 10)) << program.output();
    // The web-site button (y 17 of the box, 20 high) within the box: left of
    // the box the window looked as it does with the box closed.
    ASSERT_TRUE(program.wait_for([](const window_pixels& p) { return !box_shown(p); }, 10));
    const int row = 600 - 150 - 17;
    EXPECT_EQ(program.picture().differences(open, 0, row - 12, 90, row + 12), 0)
        << "the web-site button reaches past the box's left edge";
    ASSERT_TRUE(program.open_box(2)) << program.output();
    EXPECT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait_for_exit(20), 0) << "the open box held the program\n" << program.output();
    EXPECT_EQ(program.log().find("Version check:"), std::string::npos) << "a verdict without a list";
}

// Archives the box must refuse: anything but one whole program is as good
// as no installer, said as such; nothing lands outside the program's
// folder, nothing beside it is written, and nothing is started.
TEST(about_box, RefusesEveryArchiveButOneWholeProgram)
{
    scratch_dir root, elsewhere;
    struct hostile {
        const char* name;
        std::vector<zip_entry> entries;
    };
    zip_entry huge = executable("New Installer", kRecordingInstaller);
    huge.claimed_size = 300u << 20;
    const std::vector<hostile> cases = {
        {"climbs", {executable("../x", kRecordingInstaller)}},
        {"absolute", {executable(elsewhere / "absolute", kRecordingInstaller)}},
        {"link_out", {{"New Installer", "/bin/sh", archive_fixtures::unix_link()}}},
        {"folder_first", {{"Installer/", "", archive_fixtures::unix_folder()},
                          executable("Installer/run", kRecordingInstaller)}},
        {"not_executable", {{"New Installer", kRecordingInstaller}}},
        {"extra_entry", {executable("New Installer", kRecordingInstaller), {"menus/planted.txt", "planted"}}},
        {"over_large", {huge}},
    };
    for (const hostile& c : cases)
        write_file(root / "lin/" + c.name + ".zip", make_zip(c.entries));
    testing_support::nginx_server nginx(root.path());
    ASSERT_TRUE(nginx.running()) << nginx.error_log();

    for (const hostile& c : cases) {
        SCOPED_TRACE(c.name);
        // The list is read once per run: each archive gets a run of its own.
        write_file(root / "serverlist9.txt", list_offering("/lin/" + std::string(c.name) + ".zip"));
        about_program program(nginx.port());
        ASSERT_TRUE(program.start()) << program.output();
        ASSERT_TRUE(program.open_box()) << program.output();
        ASSERT_TRUE(program.wait_for_log("Version check: Offering", 10)) << program.log();
        program.press_update();
        ASSERT_TRUE(program.wait_for_log("Version check: I was unable to download the installer from the net.", 20))
            << program.log();
        program.shot(std::string("about_refused_") + c.name);

        const std::string app = program.app_dir();
        const std::string run = app.substr(0, app.size() - 4);  // the program's folder's parent
        EXPECT_FALSE(file_exists(run + "x"));
        EXPECT_FALSE(file_exists(elsewhere / "absolute"));
        struct stat st;
        EXPECT_FALSE(lstat((app + "New Installer").c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            << "a link out was made";
        EXPECT_FALSE(file_exists(app + "started.txt")) << "something was started";
        EXPECT_FALSE(file_exists(app + "menus/planted.txt"));
        EXPECT_FALSE(file_exists(app + "New Installer")) << "a program came out of a refused archive";
        EXPECT_TRUE(program.send_close_request());
        EXPECT_EQ(program.wait_for_exit(20), 0) << program.output();
    }
}

}  // namespace
