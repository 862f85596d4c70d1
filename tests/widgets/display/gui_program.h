// One of our programs under the test display, driven by xdotool.
// Positions are given in interface units of a window (y up from the
// window's bottom), as the widgets place themselves.
#pragma once

#include <string>

#include "program_process.h"

class gui_program : public program_process {
public:
    using program_process::program_process;

    // True once the program's output holds `line` as a whole line.
    bool wait_for_line(const std::string& line, int seconds) const;
    // A click at interface position (x, y) of a window of that size, centred
    // on the 800 by 600 main window as modal windows are (the main window
    // itself: 800, 600).
    void click(float x, float y, float window_width = 800, float window_height = 600) const;
    // xdotool key or type arguments, with the pointer inside the window so
    // that the keyboard focus is there.
    void keys(const std::string& xdotool_arguments) const;
    // Kept in the test output folder; returns the path.
    std::string screenshot(const std::string& name) const;
};
