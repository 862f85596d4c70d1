// One window and GL context for the whole display suite, made current
// before the first test: the GL state cache fills itself once per run, as
// in the program, so every test shares the context and leaves through the
// cache whatever state it changed.
#pragma once

#include "glx_test_window.h"

namespace gfx_test {

constexpr int screen_w = 256;
constexpr int screen_h = 192;

// The suite's window; null before the environment is set up.
testing_support::glx_test_window* test_window();

// Clears the back buffer to black and lays the window out for 2-D
// drawing (main window current, origin at the bottom left).
void begin_2d_frame();

// One pixel of the back buffer, bytes 0 to 255.
struct rgb {
    int r, g, b;
};
rgb pixel(int x, int y);

}  // namespace gfx_test
