// The installer as a process of its own for one test (see
// program_process.h), with its log, preference file, window and close
// request.
#pragma once

#include <string>
#include <vector>

#include "program_process.h"

class installer_process : public program_process {
public:
    installer_process();
    // Another build of the installer, with first screens of its own.
    explicit installer_process(const std::string& executable);

    std::string log() const;
    std::string prefs_file() const { return home() + ".nimbrel/Nimbrel Installer.prf"; }

    // The X window id of the program's window, once mapped; "" after `seconds`.
    std::string wait_for_window(int seconds) const;
    // Asks the window to close as a window manager would.
    bool send_close_request() const;
    // Keeps a screenshot of the window in the test output folder.
    std::string screenshot(const std::string& window, const std::string& name) const;
};
