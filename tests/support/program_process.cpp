#include "program_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "display_for_tests.h"
#include "x_window.h"

using testing_support::read_file;
using testing_support::run_shell;

program_process::program_process(const std::string& executable)
    : name_(executable.substr(executable.rfind('/') + 1)),
      app_dir_(dir_ / "app/"),
      home_(dir_ / "home/")
{
    // A program keeps its log in its folder only while no other user may
    // write there: the mode is set, not left to the test's umask.
    run_shell("mkdir -m 0755 '" + app_dir_ + "' '" + home_ + "' && cp '" + executable + "' '" + app_dir_ + "'");
}

program_process::~program_process()
{
    if (pid_ > 0 && status_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    run_folder();
    for (const std::string& folder : run_folders_) testing_support::remove_tree(folder);
}

void program_process::start(const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    run_folder();  // the log of an earlier run is about to be rewritten
    std::vector<std::string> argv = {app_dir_ + name_};
    argv.insert(argv.end(), args.begin(), args.end());
    const std::string out = dir_ / "output.txt";
    const std::string display = testing_support::display_for_tests();
    const pid_t test = getpid();
    pid_ = fork();
    if (pid_ == 0) {
        // Gone with the test, even one killed outright, and gone the way
        // that removes its run folder.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != test) _exit(126);
        setenv("HOME", home_.c_str(), 1);
        setenv("DISPLAY", display.c_str(), 1);
        unsetenv("DESKTOP_STARTUP_ID");
        const auto set = [](const std::string& e) {
            const size_t eq = e.find('=');
            if (e.compare(0, eq, "DISPLAY") == 0 && eq + 1 == e.size())
                unsetenv("DISPLAY");
            else
                setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
        };
        for (const std::string& e : env) set(e);
        // Its run folder carries this test's root, so that the sweep after
        // a killed test knows it for its own (preload/run_folder_preload.cpp).
        for (const std::string& e : testing_support::preload_environment(NIMBREL_RUN_FOLDER_LIBRARY)) set(e);
        const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        if (chdir(app_dir_.c_str()) != 0) _exit(126);
        if (another_user_ && !testing_support::become_unprivileged()) _exit(126);
        const struct rlimit limit = {address_limit_, address_limit_};
        if (address_limit_ != RLIM_INFINITY && setrlimit(RLIMIT_AS, &limit) != 0) _exit(126);
        std::vector<char*> raw;
        for (std::string& a : argv) raw.push_back(a.data());
        raw.push_back(nullptr);
        execv(raw[0], raw.data());
        _exit(127);
    }
}

bool program_process::as_another_user()
{
    if (geteuid() != 0) return false;
    // The other user passes through to the program and its home.
    chmod(dir_.path().c_str(), 0755);
    testing_support::give_to_unprivileged(home_);
    return another_user_ = true;
}

int program_process::wait(double seconds)
{
    if (status_ >= 0 || pid_ <= 0) return status_;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        if (std::chrono::steady_clock::now() >= deadline) return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

bool program_process::send_signal(int sig) const { return pid_ > 0 && status_ < 0 && kill(pid_, sig) == 0; }

std::string program_process::output() const { return read_file(dir_ / "output.txt"); }

int program_process::output_lines(const std::string& line) const
{
    return testing_support::count_of("\n" + output(), "\n" + line + "\n");
}

bool program_process::wait_for_output_line(const std::string& line, double seconds) const
{
    return testing_support::wait_until([&] { return output_lines(line) > 0; }, seconds, 50);
}

std::string program_process::log() const { return read_file(app_dir_ + testing_support::program_log_name); }

std::string program_process::run_folder() const
{
    const std::string folder = testing_support::run_folder_in_log(log());
    if (!folder.empty() && std::find(run_folders_.begin(), run_folders_.end(), folder) == run_folders_.end())
        run_folders_.push_back(folder);
    return folder;
}

std::string program_process::wait_for_window(double seconds) const
{
    const int whole = seconds < 1 ? 1 : static_cast<int>(seconds + 0.5);
    std::string id = x_command("timeout " + std::to_string(whole) + " xdotool search --sync --onlyvisible --name '^" +
                               program_window_title + "$' | head -1");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
    return id;
}

bool program_process::send_close_request() const
{
    return testing_support::send_close_request(program_window_title, 10);
}

std::string program_process::screenshot(const std::string& window, const std::string& name,
                                        const std::string& folder) const
{
    const std::string dir = testing_support::test_output_dir(folder);
    const std::string path = dir + name + ".png";
    // Given a window that is gone (the program ended), import falls back to
    // letting the user pick one: it grabs the server and waits for a click
    // that never comes, and every X client of the test waits with it.  So
    // no shot of a window that is gone, and a kill, which ends the grab with
    // the connection, should the window go in between.  (xwininfo too asks
    // for a click when it cannot read the id: the root window goes by name.)
    const std::string which = window == "root" ? "-root" : "-id " + window;
    x_command("xwininfo " + which + " >/dev/null 2>&1 && timeout -k 2 20 import -window " + window + " '" + path +
              "'");
    return path;
}

std::string x_command(const std::string& command)
{
    return run_shell("export DISPLAY='" + testing_support::display_for_tests() + "'; " + command).out;
}
