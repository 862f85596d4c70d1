// Start-up failures of the display and of GLX, as the user meets them: the
// alert's standard-output form, the log, the stack file, the exit status.
#include <signal.h>

#include <gtest/gtest.h>

#include "program_process.h"

namespace {

using testing_support::file_exists;
using testing_support::has;
using testing_support::read_file;
using testing_support::run_shell;

const char kGraphicsAlert[] =
    "N-System Error:\n"
    "I could not set up the graphics for Nimbrel! I hope your monitor is at 1024x768 or higher! It must be!\n\n"
    "You do not meet the system requirements or you do not have OpenGL drivers or you entered a bad "
    "resolution in Nimbrel!\n\n"
    "You need at least 256 meg of RAM, 16 meg of VRAM, and OpenGl drivers for your 3-D accelerator card!\n\n"
    "If you reset the resolution, you can try launching Nimbrel again, since I am resetting Nimbrel to "
    "default resolution now.\n\n"
    "Sorry.\n";

TEST(program_fatal_paths, WithoutAnyDisplayTheGraphicsAlertGoesToStandardOutput)
{
    for (const std::string display : {"DISPLAY=", "DISPLAY=:9999"}) {
        program_process program(NIMBREL_INSTALLER);
        program.start({"--lang=en"}, {display});
        EXPECT_EQ(program.wait(20), 128 + SIGABRT) << display << "\n" << program.output();
        EXPECT_TRUE(has(program.output(), kGraphicsAlert)) << display << "\n" << program.output();
        const std::string log = program.log();
        EXPECT_TRUE(has(log, "Unable to open the X display '" + display.substr(8) + "'")) << log;
        EXPECT_TRUE(has(log, "I could not set up the graphics for Nimbrel!")) << log;
        EXPECT_TRUE(has(log, "startup.cpp line")) << log;
        EXPECT_TRUE(file_exists(program.app_dir() + "stack_crawl.txt"));
        EXPECT_FALSE(file_exists(program.prefs_file())) << "a fatal start-up saved preferences";
    }
}

TEST(program_fatal_paths, WithoutGlxTheProgramSaysSoAndExitsWithOne)
{
    testing_support::scratch_dir server;
    const std::string state = server.path();
    // A server of our own without the GLX extension.
    const auto started = run_shell("(setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -extension GLX "
                                   "3>'" + state + "fd' >/dev/null 2>&1 & echo $! >'" + state + "pid'); "
                                   "for i in $(seq 100); do [ -s '" + state + "fd' ] && break; sleep 0.1; done; "
                                   "cat '" + state + "fd'");
    const std::string number = started.out.substr(0, started.out.find_first_of("\n"));
    ASSERT_FALSE(number.empty()) << "Xvfb without GLX did not start";

    program_process program(NIMBREL_INSTALLER);
    program.start({"--lang=en"}, {"DISPLAY=:" + number});
    const int status = program.wait(20);
    run_shell("kill $(cat '" + state + "pid')");
    EXPECT_EQ(status, 1) << program.output();
    EXPECT_TRUE(has(program.output(), "Whoah -- no matter how hard I tried, I failed to get a GLX visual. "
                                      "Something's seriously wonky on your machine.\n"))
        << program.output();
}

}  // namespace
