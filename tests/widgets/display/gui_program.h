// A program of ours run under the test display for one test: its own
// folder and HOME, its standard output in a file, and xdotool to move the
// mouse and type.  Positions are given in interface units of a window
// (y up from the window's bottom), as the widgets place themselves.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "test_support.h"

class gui_program {
public:
    explicit gui_program(const std::string& executable);
    ~gui_program();  // kills the program if it still runs

    void start(const std::vector<std::string>& args, const std::vector<std::string>& env = {});
    // True once the program's output holds `line` as a whole line.
    bool wait_for_line(const std::string& line, int seconds) const;
    // Exit status, -1 when it still runs after `seconds`.
    int wait(int seconds);
    std::string output() const;

    // A click at interface position (x, y) of a window of that size, centred
    // on the 800 by 600 main window as modal windows are (the main window
    // itself: 800, 600).
    void click(float x, float y, float window_width = 800, float window_height = 600) const;
    // xdotool key or type arguments, with the pointer inside the window so
    // that the keyboard focus is there.
    void keys(const std::string& xdotool_arguments) const;
    // Kept in the test output folder; returns the path.
    std::string screenshot(const std::string& name) const;

private:
    testing_support::scratch_dir dir_;
    std::string executable_, app_dir_, home_;
    pid_t pid_ = -1;
    int status_ = -1;
};
