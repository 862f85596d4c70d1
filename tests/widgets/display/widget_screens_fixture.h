// The toolkit's test program (programs/widget_screens.cpp) started for one
// test with its menu files in its folder, driven by the road walker, and the
// waits on what it prints.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "road_walker.h"
#include "test_support.h"

class widget_screens_test : public ::testing::Test {
protected:
    // The program reads its menus from its own folder, as a real one would.
    widget_screens_test() : program(WIDGET_SCREENS, "widgets")
    {
        testing_support::run_shell("cp -r '" MENUS_DIR "' '" + program.app_dir() + "'");
    }
    void start(const std::vector<std::string>& more = {})
    {
        program.with_arguments(more);
        ASSERT_TRUE(program.start(30)) << program.output();
        ASSERT_TRUE(program.wait_for_output_line("ready", 30)) << program.output();
    }
    void expect_line(const std::string& line)
    {
        EXPECT_TRUE(program.wait_for_output_line(line, 10)) << "no \"" << line << "\" in:\n"
                                                            << program.output();
    }
    void quit_with_control_q()
    {
        program.keys("ctrl+q");
        EXPECT_EQ(program.wait(20), 0) << "the bound quit key did not end the run\n"
                                       << program.output();
    }
    // A window of the toolkit up over the program's: its light panel in the
    // middle, where the program's own background is dark.
    bool window_shown()
    {
        return program.wait_for([](const testing_support::window_pixels& p) {
            return testing_support::light_at(p, p.width() / 2, p.height() / 2 - 20);
        }, 10);
    }

    testing_support::road_walker program;
};
