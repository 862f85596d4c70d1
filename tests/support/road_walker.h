// One of our programs walked as its user would: started under the test
// display with a HOME of its own and "--lang=en", its window clicked by the
// bottom bar's buttons by name or at interface positions, and every wait
// ended by what the program shows or logs (its window, a screen known by
// what it draws, a log line, a file, a server's access log), never by a
// fixed sleep, and a screen never by a still picture alone: a loaded machine
// holds up the frame that draws the next one.  Screenshots are kept in
// test-output/e2e/ below the build.
//
//   TEST(dvd_road, InstallsFromTheFirstDisc)
//   {
//       testing_support::road_walker road(NIMBREL_DVD_INSTALLER);
//       road.from_dvd(disc.folder());                 // or through_proxy(release.port())
//       ASSERT_TRUE(road.start()) << road.output();
//       road.shot("dvd_welcome");
//       ASSERT_TRUE(road.press_until_changed(button_bar::next)) << road.log();
//       ASSERT_TRUE(road.wait_for_log("Start of MD5", 20)) << road.log();
//       ASSERT_TRUE(road.wait_for_file(road.home() + "Nimbrel 9/Nimbrel-i686", 60));
//       road.press(button_bar::last_quit);
//       EXPECT_EQ(road.wait(20), 0) << road.output();
//   }
//
// Positions are interface units: x from the window's left edge, y up from
// its bottom, as the program places what it draws.  A click moves the
// pointer, waits for a frame drawn with it there, then presses: the program
// reads where the pointer is, so two clicks in one frame would merge into
// one at the second place.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "program_process.h"
#include "wizard/button_bar.h"
#include "x_window.h"

namespace testing_support {

// Whether the pixel at (x, y), counted from the picture's bottom left, is
// light: a panel, where the background and a modal window's surround are
// dark.
bool light_at(const window_pixels& picture, int x, int y);
// Dark pixels, a text's ink on a light panel, in the columns left to
// right - 1 and the rows bottom to top, counted from the picture's bottom
// left.
int ink_in(const window_pixels& picture, int left, int right, int bottom, int top);
// The step that the wizard's list draws as the current one, in blue where
// the others are grey; -1 when none is (a screen that is no step of the
// road, a modal window).
int current_step(const window_pixels& picture);

class road_walker : public program_process {
public:
    // `executable`: nimbrel-installer or any other build of the wizard.
    // Screenshots go to test-output/`output`/, or to `output` itself when it
    // is an absolute path.
    explicit road_walker(const std::string& executable, std::string output = "e2e");

    // -- Before start: where the program finds what it installs ---
    // A release on a server at 127.0.0.1:`port`, reached through the
    // program's proxy setting whatever host it asks for.
    road_walker& through_proxy(unsigned short port);
    // Install discs in `folder` (the program's NIMBREL_DVD).
    road_walker& from_dvd(const std::string& folder);
    // "en" unless set; "" passes no language at all (the chooser shows).
    road_walker& in_language(const std::string& code);
    road_walker& with_arguments(const std::vector<std::string>& more);
    // "-path" and `folder` as the first two arguments, where alone they count.
    road_walker& with_path(const std::string& folder);
    road_walker& with_environment(const std::vector<std::string>& more);

    // Starts the program and waits for its window; false when none came
    // (output() and log() say why).
    bool start(double seconds = 20);
    const std::string& window() const { return window_; }
    // The language index the bar's buttons are looked up in.
    int language() const { return language_; }

    // -- Driving ---
    void click(float x, float y) const;
    // A click in a window of that size centred on the main window (800 by
    // 600 unless the program asked for another), as modal windows are
    // placed; (x, y) in its own units.
    void click_in(float width, float height, float x, float y) const;
    void double_click(float x, float y) const;
    // Presses at (x1, y1), moves to (x2, y2) with the button held and
    // releases there, each step seen by a frame.
    void drag(float x1, float y1, float x2, float y2) const;
    // A button of the bottom bar in the run's language; on a road's last
    // screen GO BACK moves with the QUIT in CONTINUE's place.  As
    // press_seen, waiting a second at most.
    void press(button_bar::button b, bool last_screen = false) const;
    // Presses `b` and keeps the mouse button down until the program draws it
    // pressed: the press has then landed, whatever the program does next (a
    // screen that stops a scan may leave the window still for a while), and
    // the pointer cannot have moved on first.  False when no press showed
    // within `seconds` (a dimmed button); it is released all the same.
    bool press_seen(button_bar::button b, double seconds = 5, bool last_screen = false) const;
    // Key names as xdotool knows them ("Return", "ctrl+a"), the pointer
    // inside the window so that the keyboard focus is there.
    void keys(const std::string& names) const;
    // The two halves of a click, for whoever times what a click starts:
    // the pointer moved and a frame drawn with it there, then the press.
    void point_at(float x, float y) const;
    void press_here(int clicks = 1) const;
    void type(const std::string& text, int delay_ms = 10) const;
    // The pointer somewhere it lights nothing (the window's title area).
    void rest_pointer() const;

    // -- What the program shows and logs ---
    window_pixels picture() const { return grab_window(window_); }
    // A pixel (0xRRGGBB) of a window of that size centred as click_in
    // places it, at (x, y) in its own units.
    uint32_t pixel_in(float width, float height, float x, float y) const;
    // Whether the window above the bottom bar differs from `before` within
    // `seconds`: a screen or a modal window came or went, a readout moved.
    bool wait_for_change(const window_pixels& before, double seconds) const;
    // Whether the picture stays the same for `quiet` seconds within
    // `seconds` (a blinking caret aside): the frame after a click has been
    // drawn.  No sign of a screen: a loaded machine may hold up the frame
    // that draws one for longer than that.
    bool wait_for_still(double quiet, double seconds) const;
    // Whether `sign` holds for what the window shows within `seconds`, and
    // the window then stands still: a screen known by what it draws.
    bool wait_for(const std::function<bool(const window_pixels&)>& sign, double seconds = kActing) const;
    // Whether the window above the bottom bar differs from `before` by more
    // than a blinking caret within `seconds`, and then stands still: the
    // screen that follows the one in `before`, a picture taken before the
    // action that leaves it, when no screen that may stand still comes
    // between the two.
    bool wait_for_screen(const window_pixels& before, double seconds = kActing) const;
    // Whether the wizard's step list marks step `step` (from 0; -1 for
    // none) as the current one within `seconds`, and the window then stands
    // still: a screen reached through others that may stand still
    // themselves (a scan, a disk read).
    bool wait_for_step(int step, double seconds = kActing) const;
    // Whether the window shows a light pixel at (x, y), counted from its
    // bottom left as clicks are, within `seconds`, and then stands still: a
    // screen known by one of its panels.
    bool wait_for_light(int x, int y, double seconds) const;
    // Whether a wizard's first screen is drawn, and still, within `seconds`:
    // the start-up screen may stand still for long before it, on a loaded
    // machine.
    bool wait_for_first_screen(double seconds = 30) const;
    // Presses `b` until what the window shows above the bar changes.  A
    // press the program drew is never repeated (a second one would land on
    // the next screen): it is waited on for at least kActing seconds.  A
    // dimmed button is pressed again until it is live or `seconds` are up.
    bool press_until_changed(button_bar::button b, double seconds = 10, bool last_screen = false) const;
    // Clicks at (x, y) until what the window shows above the bar changes.
    bool click_until_changed(float x, float y, double seconds = kActing) const;
    // Opens the menu whose title is at `title` and clicks its item at
    // `item`, the menu seen open first, until the program prints one more
    // `chosen` line: the frame that closes a dialog can pass for the menu
    // opening, so the two are clicked again only when no choice was named.
    bool choose_from_menu(std::pair<float, float> title, std::pair<float, float> item, const std::string& chosen,
                          double seconds = 30) const;
    // Presses `b` until `done` holds, with the same rule as above.
    bool press_until(button_bar::button b, const std::function<bool()>& done, double seconds = 20,
                     bool last_screen = false) const;
    // How long a press the program drew is given to take effect before a
    // test gives up on it: a loaded machine with sanitizers may take seconds
    // over a frame that stops workers.
    static constexpr double kActing = 30;
    bool logged(const std::string& part, int times = 1) const;
    bool wait_for_log(const std::string& part, double seconds, int times = 1) const;
    bool wait_for_file(const std::string& path, double seconds) const;
    // Waits for the program to end; its status, -1 when it still runs.
    int wait_for_exit(double seconds) { return wait(seconds); }

    // A picture of the window as test-output/<output>/`name`.png; its path.
    std::string shot(const std::string& name) const;

private:
    // Reads the window's size again, before positions are turned into pixels.
    void look_at_size() const;
    // Waits, after a click, until the program has drawn what it did.
    void let_click_land(const window_pixels& before) const;
    // The mouse button down at the pointer until the window changes inside
    // the rectangle (interface units) or `seconds` pass, then up.
    bool hold_down_until_drawn(float left, float bottom, float right, float top, double seconds) const;

    std::string output_, window_;
    // The window's size when last looked at: a program may set its own
    // after its window shows (a larger window for the key editor).
    mutable int width_ = 800, height_ = 600;
    std::string language_code_ = "en";
    int language_ = 0;
    std::string path_;
    std::vector<std::string> arguments_, environment_;
};

}  // namespace testing_support

// Places in the roads' step lists, from 0, for wait_for_step.
namespace step_list {
constexpr int none = -1;            // a modal window up, or a screen that is no step
constexpr int server_check = 2;     // the web installer's
constexpr int destination = 3;      // the web installer's
constexpr int disk_check = 3;       // the updater's, one less given "-path" (no copy to pick)
constexpr int map = 3;              // the DVD install road's and scenery road's
constexpr int confirm_repairs = 3;  // the DVD repair road's
constexpr int install = 4;          // every road's, the updater's given "-path" one less
constexpr int finish = 5;           // every road's, the updater's given "-path" one less
}  // namespace step_list
