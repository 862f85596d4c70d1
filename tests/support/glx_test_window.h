// A small X window with a current GLX context, for tests that draw.  The
// program's own window belongs to the shell; GL tests below it need only a
// context to draw into and read back.
#pragma once

#include <string>

struct _XDisplay;

namespace testing_support {

class glx_test_window {
public:
    // Opens the test display (display_for_tests) and maps a double-buffered
    // RGBA window of the given size with depth and stencil buffers, its
    // context current on this thread.  ok() says whether that worked and
    // error() why not.
    glx_test_window(int width, int height);
    ~glx_test_window();
    glx_test_window(const glx_test_window&) = delete;
    glx_test_window& operator=(const glx_test_window&) = delete;

    bool ok() const { return context_ != nullptr; }
    const std::string& error() const { return error_; }

    _XDisplay* display() const { return display_; }
    unsigned long window() const { return window_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // One pixel of the back buffer as GL_RGB bytes, (0, 0) bottom left.
    struct rgb { int r, g, b; };
    rgb pixel(int x, int y) const;

private:
    _XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
    unsigned long colormap_ = 0;
    void* context_ = nullptr;
    int width_, height_;
    std::string error_;
};

}  // namespace testing_support
