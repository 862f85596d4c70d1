#include "gui_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "display_for_tests.h"

using testing_support::read_file;
using testing_support::run_shell;

namespace {

std::string x_command(const std::string& command)
{
    return run_shell("export DISPLAY='" + testing_support::display_for_tests() + "'; " + command).out;
}

}  // namespace

gui_program::gui_program(const std::string& executable)
    : executable_(executable.substr(executable.rfind('/') + 1)),
      app_dir_(dir_ / "app/"),
      home_(dir_ / "home/")
{
    run_shell("mkdir -p '" + app_dir_ + "' '" + home_ + "' && cp '" + executable + "' '" + app_dir_ + "'");
}

gui_program::~gui_program()
{
    if (pid_ > 0 && status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void gui_program::start(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    std::vector<std::string> argv = {app_dir_ + executable_};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string out = dir_ / "output.txt";
    const std::string display = testing_support::display_for_tests();
    pid_ = fork();
    if (pid_ == 0) {
        setenv("HOME", home_.c_str(), 1);
        setenv("DISPLAY", display.c_str(), 1);
        for (const std::string& e : env) {
            const size_t eq = e.find('=');
            setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        }
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        if (chdir(app_dir_.c_str()) != 0) _exit(126);
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
        _exit(127);
    }
}

bool gui_program::wait_for_line(const std::string& line, int seconds) const
{
    for (int i = 0; i < seconds * 20; ++i) {
        if (("\n" + output()).find("\n" + line + "\n") != std::string::npos) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

int gui_program::wait(int seconds)
{
    for (int i = 0; i < seconds * 20; ++i) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
}

std::string gui_program::output() const { return read_file(dir_ / "output.txt"); }

void gui_program::click(float x, float y, float window_width, float window_height) const
{
    const float origin_x = std::round((800 - window_width) / 2);
    const float origin_y = std::round((600 - window_height) / 2);
    const int px = int(origin_x + x), py = int(600 - (origin_y + y));
    x_command("xdotool mousemove " + std::to_string(px) + " " + std::to_string(py) +
              " click 1");
}

void gui_program::keys(const std::string& xdotool_arguments) const
{
    x_command("xdotool mousemove 700 500 && xdotool " + xdotool_arguments);
}

std::string gui_program::screenshot(const std::string& name) const
{
    const std::string path = std::string(WIDGETS_OUTPUT_DIR) + "/" + name + ".png";
    x_command("mkdir -p '" WIDGETS_OUTPUT_DIR "' && import -window root '" + path + "'");
    return path;
}
