#include "road_walker.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "core/text/languages.h"
#include "sample_release.h"

namespace testing_support {

namespace {

// Everything but the bottom bar's rows: a button lit under the pointer is
// no change of what the screen shows.
constexpr int kBarRows = 40;
// A text field's blinking caret changes no more pixels than this; a screen
// that changes only so much stands still.
constexpr int kCaretPixels = 64;

int language_index(const std::string& code)
{
    for (int i = 0; i < kLangCount; ++i)
        if (code == kLangInfo[i].iso_code) return i;
    return 0;
}

std::string quoted(const std::string& text)
{
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

bool light_at(const window_pixels& picture, int x, int y)
{
    const uint32_t pixel = picture.at(x, picture.height() - y);
    return (pixel >> 16 & 0xff) > 0xc0 && (pixel >> 8 & 0xff) > 0xc0 && (pixel & 0xff) > 0xc0;
}

int ink_in(const window_pixels& picture, int left, int right, int bottom, int top)
{
    int ink = 0;
    for (int y = bottom; y <= top; ++y)
        for (int x = left; x < right; ++x) {
            const uint32_t pixel = picture.at(x, picture.height() - y);
            ink += (pixel >> 16 & 0xff) < 100 && (pixel >> 8 & 0xff) < 100 && (pixel & 0xff) < 100;
        }
    return ink;
}

int current_step(const window_pixels& picture)
{
    // The list's rows stand 20 units apart from 480 down, their letters
    // within 10 units of that line; anti-aliased edges give a few bluish
    // pixels to any text, the current step's letters dozens.
    for (int step = 0; step < 8; ++step) {
        const int line = 480 - 20 * step;
        int blue = 0;
        for (int y = line - 4; y <= line + 10; ++y)
            for (int x = 25; x < 200; ++x) {
                const uint32_t pixel = picture.at(x, picture.height() - y);
                const int r = static_cast<int>(pixel >> 16 & 0xff), g = static_cast<int>(pixel >> 8 & 0xff),
                          b = static_cast<int>(pixel & 0xff);
                blue += b - r > 80 && b - g > 80;
            }
        if (blue > 20) return step;
    }
    return -1;
}

road_walker::road_walker(const std::string& executable, std::string output)
    : program_process(executable), output_(std::move(output))
{
}

road_walker& road_walker::through_proxy(unsigned short port)
{
    const std::vector<std::string> proxy = proxy_arguments(port);
    arguments_.insert(arguments_.end(), proxy.begin(), proxy.end());
    return *this;
}

road_walker& road_walker::from_dvd(const std::string& folder)
{
    environment_.push_back("NIMBREL_DVD=" + folder);
    return *this;
}

road_walker& road_walker::in_language(const std::string& code)
{
    language_code_ = code;
    return *this;
}

road_walker& road_walker::with_arguments(const std::vector<std::string>& more)
{
    arguments_.insert(arguments_.end(), more.begin(), more.end());
    return *this;
}

road_walker& road_walker::with_path(const std::string& folder)
{
    path_ = folder;
    return *this;
}

road_walker& road_walker::with_environment(const std::vector<std::string>& more)
{
    environment_.insert(environment_.end(), more.begin(), more.end());
    return *this;
}

bool road_walker::start(double seconds)
{
    std::vector<std::string> args;
    if (!path_.empty()) args = {"-path", path_};
    if (!language_code_.empty()) args.push_back("--lang=" + language_code_);
    args.insert(args.end(), arguments_.begin(), arguments_.end());
    language_ = language_index(language_code_);
    program_process::start(args, environment_);
    window_ = wait_for_window(seconds);
    // Interface units are the window's pixels; the window keeps its size.
    const window_pixels first = picture();
    if (!first.empty()) {
        width_ = first.width();
        height_ = first.height();
    }
    return !window_.empty();
}

// -- Driving ---

void road_walker::look_at_size() const
{
    int width = 0, height = 0;
    if (window_size(window_, width, height) && width > 0 && height > 0) {
        width_ = width;
        height_ = height;
    }
}

void road_walker::point_at(float x, float y) const
{
    look_at_size();
    x_command("xdotool mousemove --window " + window_ + " " + std::to_string(static_cast<int>(std::lround(x))) + " " +
              std::to_string(static_cast<int>(std::lround(height_ - y))));
    // A frame draws with the pointer here before the press comes, as under
    // a user's hand: a button lit under it shows that; elsewhere a still
    // picture does.  A
    // moving readout never stands still: half a second is then frames
    // enough.
    wait_for_still(0.15, 0.5);
}

void road_walker::press_here(int clicks) const
{
    // One xdotool for every press: on a loaded machine a process started
    // for each half of a press took so long to start that the presses of a
    // double click came 0.3 to 0.6 s apart, past the quarter second that
    // makes them one.
    std::string press = "xdotool mousedown 1 sleep 0.05 mouseup 1";
    for (int i = 1; i < clicks; ++i) press += " sleep 0.08 mousedown 1 sleep 0.03 mouseup 1";
    x_command(press);
}

void road_walker::click(float x, float y) const
{
    point_at(x, y);
    const window_pixels before = picture();
    press_here(1);
    let_click_land(before);
}

void road_walker::let_click_land(const window_pixels& before) const
{
    // The pointer stays until the window shows the click taken, or a second
    // has passed for a click that shows nothing.
    wait_until([&] { return picture().differences(before, 0, 0, width_, height_) > kCaretPixels; }, 1.0, 20);
}

void road_walker::click_in(float width, float height, float x, float y) const
{
    look_at_size();
    click(std::round((width_ - width) / 2) + x, std::round((height_ - height) / 2) + y);
}

void road_walker::double_click(float x, float y) const
{
    point_at(x, y);
    const window_pixels before = picture();
    press_here(2);
    let_click_land(before);
}

void road_walker::drag(float x1, float y1, float x2, float y2) const
{
    point_at(x1, y1);
    x_command("xdotool mousedown 1");
    wait_for_still(0.15, 0.5);
    point_at(x2, y2);
    x_command("xdotool mouseup 1");
}

// A second is frames enough for a live button; a dimmed one costs no more.
void road_walker::press(button_bar::button b, bool last_screen) const { press_seen(b, 1, last_screen); }

bool road_walker::press_seen(button_bar::button b, double seconds, bool last_screen) const
{
    const skin_button_box box = button_bar::place(language_, b, last_screen);
    point_at(box.centre_x(), box.centre_y());
    return hold_down_until_drawn(box.left, box.bottom, box.right, box.top, seconds);
}

bool road_walker::hold_down_until_drawn(float left, float bottom, float right, float top, double seconds) const
{
    const window_pixels up = picture();
    const int x0 = static_cast<int>(std::floor(left)), x1 = static_cast<int>(std::ceil(right));
    const int y0 = height_ - static_cast<int>(std::ceil(top)), y1 = height_ - static_cast<int>(std::floor(bottom));
    x_command("xdotool mousedown 1");
    const bool drawn = wait_until([&] { return picture().differences(up, x0, y0, x1, y1) > 0; }, seconds, 20);
    x_command("xdotool mouseup 1");
    return drawn;
}

void road_walker::keys(const std::string& names) const
{
    x_command("xdotool mousemove --window " + window_ + " 400 300 && sleep 0.1 && xdotool key --delay 20 " + names);
}

void road_walker::type(const std::string& text, int delay_ms) const
{
    x_command("xdotool mousemove --window " + window_ + " 400 300 && sleep 0.1 && xdotool type --delay " +
              std::to_string(delay_ms) + " " + quoted(text));
}

void road_walker::rest_pointer() const { x_command("xdotool mousemove --window " + window_ + " 100 40"); }

// -- What the program shows and logs ---

bool road_walker::wait_for_change(const window_pixels& before, double seconds) const
{
    return wait_until([&] { return picture().differences(before, 0, 0, width_, height_ - kBarRows) > 0; }, seconds,
                      50);
}

bool road_walker::wait_for_still(double quiet, double seconds) const
{
    window_pixels last = picture();
    auto since = std::chrono::steady_clock::now();
    return wait_until([&] {
        window_pixels now = picture();
        const auto t = std::chrono::steady_clock::now();
        if (now.empty() || now.differences(last, 0, 0, now.width(), now.height()) > kCaretPixels) {
            last = std::move(now);
            since = t;
            return false;
        }
        return std::chrono::duration<double>(t - since).count() >= quiet;
    }, seconds, 50);
}

namespace {

using clock_point = std::chrono::time_point<std::chrono::steady_clock, std::chrono::duration<double>>;

clock_point deadline_in(double seconds) { return std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds); }

double seconds_left(clock_point deadline)
{
    return std::chrono::duration<double>(deadline - std::chrono::steady_clock::now()).count();
}

}  // namespace

bool road_walker::press_until_changed(button_bar::button b, double seconds, bool last_screen) const
{
    const clock_point deadline = deadline_in(seconds);
    for (;;) {
        const window_pixels before = picture();
        const bool drawn = press_seen(b, std::clamp(seconds_left(deadline), 0.5, 2.0), last_screen);
        if (wait_for_change(before, drawn ? std::max(seconds_left(deadline), kActing) : 1.0)) return true;
        if (drawn || seconds_left(deadline) <= 0) return false;
    }
}

bool road_walker::wait_for(const std::function<bool(const window_pixels&)>& sign, double seconds) const
{
    return wait_until([&] {
        const window_pixels now = picture();
        return !now.empty() && sign(now);
    }, seconds, 50) && wait_for_still(0.3, kActing);
}

bool road_walker::wait_for_screen(const window_pixels& before, double seconds) const
{
    return wait_for([&](const window_pixels& now) {
        return now.differences(before, 0, 0, now.width(), now.height() - kBarRows) > kCaretPixels;
    }, seconds);
}

bool road_walker::wait_for_step(int step, double seconds) const
{
    return wait_for([step](const window_pixels& now) { return current_step(now) == step; }, seconds);
}

bool road_walker::wait_for_light(int x, int y, double seconds) const
{
    return wait_for([x, y](const window_pixels& now) { return light_at(now, x, y); }, seconds);
}

bool road_walker::wait_for_first_screen(double seconds) const
{
    // The wizard's step list stands where the start-up screen has its dark
    // message box, at the bottom left.
    return wait_for_light(20, 60, seconds);
}

bool road_walker::click_until_changed(float x, float y, double seconds) const
{
    // Held until the window shows anything new: a click the program has
    // drawn is waited on rather than repeated, which would undo a tick.
    return wait_until([&] {
        point_at(x, y);
        const window_pixels before = picture();
        const bool drawn = hold_down_until_drawn(0, 0, static_cast<float>(width_), static_cast<float>(height_), 3);
        return wait_for_change(before, drawn ? 5.0 : 1.0);
    }, seconds, 10);
}

bool road_walker::choose_from_menu(std::pair<float, float> title, std::pair<float, float> item,
                                   const std::string& chosen, double seconds) const
{
    const int seen = output_lines(chosen);
    return wait_until([&] {
        // A quick click on the title, not a press held until the menu is
        // seen: the program takes a press held for a second and let go on
        // the title as one that closes the menu again, and on a loaded
        // machine seeing the menu drawn took longer than that.
        point_at(title.first, title.second);
        const window_pixels before = picture();
        press_here(1);
        if (!wait_for_change(before, 5)) return false;
        click(item.first, item.second);
        return wait_until([&] { return output_lines(chosen) != seen; }, 5, 50);
    }, seconds, 10);
}

bool road_walker::press_until(button_bar::button b, const std::function<bool()>& done, double seconds,
                              bool last_screen) const
{
    const clock_point deadline = deadline_in(seconds);
    for (;;) {
        const bool drawn = press_seen(b, std::clamp(seconds_left(deadline), 0.5, 2.0), last_screen);
        if (wait_until(done, drawn ? std::max(seconds_left(deadline), kActing) : 0.5, 50)) return true;
        if (drawn || seconds_left(deadline) <= 0) return false;
    }
}

bool road_walker::logged(const std::string& part, int times) const { return count_of(log(), part) >= times; }

bool road_walker::wait_for_log(const std::string& part, double seconds, int times) const
{
    return wait_until([&] { return logged(part, times); }, seconds, 50);
}

bool road_walker::wait_for_file(const std::string& path, double seconds) const
{
    return wait_until([&] { return file_exists(path); }, seconds, 50);
}

uint32_t road_walker::pixel_in(float width, float height, float x, float y) const
{
    look_at_size();
    const int px = static_cast<int>(std::round((width_ - width) / 2) + x);
    const int py = static_cast<int>(height_ - (std::round((height_ - height) / 2) + y));
    return picture().at(px, py);
}

std::string road_walker::shot(const std::string& name) const { return screenshot(window_, name, output_); }

}  // namespace testing_support
