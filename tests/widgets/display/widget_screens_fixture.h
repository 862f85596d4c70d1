// The toolkit's test program (programs/widget_screens.cpp) started for one
// test with its menu files in its folder, and the waits on what it prints.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gui_program.h"
#include "test_support.h"

class widget_screens_test : public ::testing::Test {
protected:
    // The program reads its menus from its own folder, as a real one would.
    widget_screens_test() : program(WIDGET_SCREENS)
    {
        testing_support::run_shell("cp -r '" MENUS_DIR "' '" + program.app_dir() + "'");
    }
    void start(const std::vector<std::string>& args = {"--lang=en"},
               const std::vector<std::string>& env = {})
    {
        program.start(args, env);
        ASSERT_TRUE(program.wait_for_line("ready", 30)) << program.output();
        // The first frames run after "ready"; give them time to map and draw.
        program.keys("search --sync --onlyvisible --name '^N-System$' >/dev/null");
    }
    void expect_line(const std::string& line)
    {
        EXPECT_TRUE(program.wait_for_line(line, 10)) << "no \"" << line << "\" in:\n"
                                                     << program.output();
    }
    void quit_with_control_q()
    {
        program.keys("key ctrl+q");
        EXPECT_EQ(program.wait(20), 0) << "the bound quit key did not end the run\n"
                                       << program.output();
    }
    gui_program program;
};
