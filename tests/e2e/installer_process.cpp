#include "installer_process.h"

using testing_support::read_file;

installer_process::installer_process() : program_process(NIMBREL_INSTALLER) {}

installer_process::installer_process(const std::string& executable) : program_process(executable) {}

std::string installer_process::log() const { return read_file(app_dir() + "Nimbrel Installer Log.txt"); }

std::string installer_process::wait_for_window(int seconds) const
{
    std::string id = x_command("timeout " + std::to_string(seconds) +
                               " xdotool search --sync --onlyvisible --name '^N-System$' | head -1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
}

bool installer_process::send_close_request() const
{
    return x_command("'" SEND_CLOSE_REQUEST "' N-System 10 && echo sent").find("sent") != std::string::npos;
}

std::string installer_process::screenshot(const std::string& window, const std::string& name) const
{
    const std::string path = std::string(E2E_OUTPUT_DIR) + "/" + name + ".png";
    // Given a window that is gone (the program ended), import falls back to
    // letting the user pick one: it grabs the server and waits for a click
    // that never comes, and every X client of the test waits with it.  So
    // no shot of a window that is gone, and a kill, which ends the grab with
    // the connection, should the window go in between.  (xwininfo too asks
    // for a click when it cannot read the id: the root window goes by name.)
    const std::string which = window == "root" ? "-root" : "-id " + window;
    x_command("mkdir -p '" E2E_OUTPUT_DIR "' && xwininfo " + which + " >/dev/null 2>&1 && timeout -k 2 20 import -window " +
              window + " '" + path + "'");
    return path;
}
