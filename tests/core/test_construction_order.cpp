#include <gtest/gtest.h>

#include "test_support.h"

using testing_support::run_program;
using testing_support::test_program_dir;

TEST(ConstructionOrder, GlobalsRegisterBeforeMainAndRegistriesOutliveTheirUsers)
{
    auto run = run_program({test_program_dir() + "construction_order_program"});
    EXPECT_EQ(run.status, 0) << run.out;
    const std::string& out = run.out;
    for (const char* line : {"Dump Memory Info runs the memory report", "Early Command", "Late Command",
                             "early command ran\n",
                             "early statistic waited: 1, registered: 1, value 1.5\n",
                             "main returns\n"})
        EXPECT_NE(out.find(line), std::string::npos) << "missing \"" << line << "\" in:\n" << out;
    // Three commands, three distinct ids from 1.
    for (const char* id : {"command 1 ", "command 2 ", "command 3 "})
        EXPECT_NE(out.find(id), std::string::npos) << out;
    EXPECT_EQ(out.find("command 4 "), std::string::npos) << out;
}
