// One of our programs run as a process of its own for one test: a private
// program folder holding a copy of the executable (its log, preferences'
// neighbours and stack file land there), a private HOME, the test display,
// its output in a file.  Every program of ours has the same log, window and
// close request, so they are here too.
#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "test_support.h"

class program_process {
public:
    explicit program_process(const std::string& executable);
    ~program_process();  // kills the program if it still runs
    program_process(const program_process&) = delete;
    program_process& operator=(const program_process&) = delete;

    // Starts the program with `args`; `env` ("NAME=value") is added to the
    // test's environment with DISPLAY set to the test display, unless `env`
    // names DISPLAY itself ("DISPLAY=" removes it).
    void start(const std::vector<std::string>& args, const std::vector<std::string>& env = {});
    // Exit status, 128 + signal for a signal, -1 when it ran past `seconds`
    // (it is then killed by the destructor).  Once ended, the same status
    // again on every later call.
    int wait(double seconds);
    // Whether it still runs, without waiting.
    bool running() { return status_ < 0 && wait(0) == -1; }
    // The process, for whoever reads what /proc says of it; -1 before start.
    pid_t pid() const { return pid_; }

    // Sends `sig` to the program while it runs; false when it has ended.
    bool send_signal(int sig) const;

    std::string output() const;
    // How often the output holds `line` as a whole line.
    int output_lines(const std::string& line) const;
    // True once the output holds `line` as a whole line, within `seconds`.
    bool wait_for_output_line(const std::string& line, double seconds) const;
    const std::string& app_dir() const { return app_dir_; }
    const std::string& home() const { return home_; }
    // Before start: another program's HOME (ending in "/") instead of its
    // own, so that it finds what the other left there.
    void use_home(const std::string& home) { home_ = home; }
    // Before start: runs it as run_unprivileged's user, whose HOME it is
    // given, in a program folder that stays the test's (when the test runs
    // as root; false, and nothing changed, for anyone else).
    bool as_another_user();
    // Before start: a limit on its address space (RLIMIT_AS), as `ulimit -v`
    // sets one.
    void limit_address_space(rlim_t bytes) { address_limit_ = bytes; }

    // The log the program rewrites on every run, in its program folder.
    std::string log() const;
    // The private temporary folder under /tmp/ of its latest run, as its log
    // names it ("" before it has made one).  The program removes it when it
    // ends; should it be killed, the destructor removes it instead.
    std::string run_folder() const;
    std::string prefs_file() const { return home() + ".nimbrel/Nimbrel Installer.prf"; }

    // The X window id of the program's window once mapped; "" when none
    // showed within `seconds`.
    std::string wait_for_window(double seconds) const;
    // Asks the window to close as a window manager would.
    bool send_close_request() const;
    // Keeps a picture of `window` ("root" for the whole screen) as
    // test-output/`folder`/`name`.png below the build; returns its path.
    std::string screenshot(const std::string& window, const std::string& name,
                           const std::string& folder = "e2e") const;

private:
    testing_support::scratch_dir dir_;
    std::string name_, app_dir_, home_;
    pid_t pid_ = -1;
    int status_ = -1;
    rlim_t address_limit_ = RLIM_INFINITY;
    bool another_user_ = false;
    // Every run folder a run of it named, for the destructor.
    mutable std::vector<std::string> run_folders_;
};

// The window title every program of ours shows.
inline constexpr const char* program_window_title = "N-System";

// Output of a shell command line run against the test display.
std::string x_command(const std::string& command);
