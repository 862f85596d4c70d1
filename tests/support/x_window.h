// What the tests ask of the X server directly, without a shell: a window's
// pixels as they stand (fast enough to poll, unlike a screenshot file) and
// the close request a window manager would send.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A window's pixels, rows from the top, each 0xRRGGBB.  Empty when the
// window is gone or cannot be read.
class window_pixels {
public:
    bool empty() const { return width_ == 0; }
    int width() const { return width_; }
    int height() const { return height_; }
    uint32_t at(int x, int y) const;
    // Pixels that differ from `other` within the rectangle of rows
    // top .. bottom - 1 and columns left .. right - 1 (clipped).  Pictures of
    // different sizes differ everywhere.
    int differences(const window_pixels& other, int left, int top, int right, int bottom) const;

private:
    friend window_pixels grab_window(const std::string& window);
    int width_ = 0, height_ = 0;
    std::vector<uint32_t> rgb_;
};

// `window` is an X window id as xdotool prints it.
window_pixels grab_window(const std::string& window);
// The window's size as it stands; false when it is gone.
bool window_size(const std::string& window, int& width, int& height);

// WM_DELETE_WINDOW to the window named `name`, waiting up to `seconds` for
// it to exist.  The test X server has no window manager to send it.
bool send_close_request(const std::string& name, double seconds);

}  // namespace testing_support
