// One of our programs run as a process of its own for one test: a private
// program folder holding a copy of the executable (its log and stack file
// land there), a private HOME, the test display, its output in a file.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "test_support.h"

class program_process {
public:
    explicit program_process(const std::string& executable);
    ~program_process();  // kills the program if it still runs

    // Starts the program with `args`; `env` ("NAME=value") is added to the
    // test's environment with DISPLAY set to the test display, unless `env`
    // names DISPLAY itself ("DISPLAY=" removes it).
    void start(const std::vector<std::string>& args, const std::vector<std::string>& env = {});
    // Exit status, 128 + signal for a signal, -1 when it ran past `seconds`
    // (it is then killed by the destructor).
    int wait(int seconds);

    // Sends `sig` to the program while it runs; false when it has ended.
    bool send_signal(int sig) const;

    std::string output() const;
    const std::string& app_dir() const { return app_dir_; }
    const std::string& home() const { return home_; }

private:
    testing_support::scratch_dir dir_;
    std::string name_, app_dir_, home_;
    pid_t pid_ = -1;
    int status_ = -1;
};

// Output of a shell command line run against the test display.
std::string x_command(const std::string& command);
