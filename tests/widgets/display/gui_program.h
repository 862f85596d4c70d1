// One of our programs under the test display, driven by xdotool.
// Positions are given in interface units of a window (y up from the
// window's bottom), as the widgets place themselves.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "program_process.h"

class gui_program : public program_process {
public:
    using program_process::program_process;

    // True once the program's output holds `line` as a whole line.
    bool wait_for_line(const std::string& line, int seconds) const;
    // The main window's size when the program was asked for another one.
    void set_screen(int width, int height)
    {
        screen_width_ = width;
        screen_height_ = height;
    }
    // A click at interface position (x, y) of a window of that size, centred
    // on the main window as modal windows are (the main window itself: 0, 0).
    void click(float x, float y, float window_width = 0, float window_height = 0) const;
    // xdotool key or type arguments, with the pointer inside the window so
    // that the keyboard focus is there.
    void keys(const std::string& xdotool_arguments) const;
    // Kept in the test output folder; returns the path.
    std::string screenshot(const std::string& name) const;
    // The red, green and blue of a screen pixel at interface position (x, y)
    // of a window as for click().
    std::vector<int> pixel(const std::string& screenshot, float x, float y, float window_width = 0,
                           float window_height = 0) const;

private:
    // Screen pixels from the top left of a point of a window.
    std::pair<int, int> to_screen(float x, float y, float window_width, float window_height) const;

    int screen_width_ = 800, screen_height_ = 600;
};
