#include <gtest/gtest.h>

#include "core/shell_hooks.h"
#include "shell/command_registry.h"

namespace {

using list = std::vector<std::string>;

// The registry is one global: each test starts from the built-in table.
class command_registry : public ::testing::Test {
protected:
    void SetUp() override
    {
        cmnd = cmnd_class();
        app_done = 0;
        cmnd_duration = 0;
    }
    void TearDown() override { app_done = 0; }
};

TEST_F(command_registry, LooksUpExactPathsAndAliases)
{
    EXPECT_EQ(cmnd.get_cmnd_by_name("sim/operation/quit"), 1);
    EXPECT_EQ(cmnd.get_cmnd_by_name("sim/none/none"), 0);
    EXPECT_EQ(cmnd.get_cmnd_by_name("SIM/OPERATION/QUIT"), 0);
    EXPECT_EQ(cmnd.get_cmnd_by_name(""), 0);
    cmnd.alias_cmd("bye", 1);
    EXPECT_EQ(cmnd.get_cmnd_by_name("bye"), 1);
    cmnd.alias_cmd("sim/operation/quit", 0);
    EXPECT_EQ(cmnd.get_cmnd_by_name("sim/operation/quit"), 0) << "an alias shadows the path";
}

TEST_F(command_registry, AddedCommandsAppendBehindEqualPaths)
{
    EXPECT_EQ(cmnd.add_cmd("sim/none/none", "again"), 2);
    EXPECT_EQ(cmnd.get_cmnd_by_name("sim/none/none"), 0);
    EXPECT_EQ(cmnd.add_cmd("sim/view/up", "look up"), 3);
    EXPECT_EQ(cmnd.get_cmnd_by_name("sim/view/up"), 3);
    EXPECT_EQ(cmnd.enum_names[3], "DYNAMIC");
    EXPECT_EQ(cmnd.kinds[3], 2);
    EXPECT_EQ(cmnd.paths.size(), cmnd.press_counts.size());
}

TEST_F(command_registry, CompletesToTheLongestCommonBeginning)
{
    std::string text;
    EXPECT_EQ(cmnd.tab_complete_cmnd(text), 1);
    EXPECT_EQ(text, "sim/");
    for (std::string start : {"sim/o", "sim/operation/", "sim/operation/q", "sim/operation/quit"}) {
        EXPECT_EQ(cmnd.tab_complete_cmnd(start), 1);
        EXPECT_EQ(start, "sim/operation/quit");
    }
    text = "simx";
    EXPECT_EQ(cmnd.tab_complete_cmnd(text), 0);
    EXPECT_EQ(text, "simx");
    cmnd.add_cmd("sim/operation/quiet", "");
    text = "sim/op";
    cmnd.tab_complete_cmnd(text);
    EXPECT_EQ(text, "sim/operation/qui") << "completion may stop inside a segment";
}

TEST_F(command_registry, ListsOneLevelBelowAPrefix)
{
    list out{"stale"};
    cmnd.get_cmds_in_path("", out);
    EXPECT_EQ(out, list{"sim/"});
    cmnd.get_cmds_in_path("sim/", out);
    EXPECT_EQ(out, (list{"none/", "operation/"}));
    cmnd.get_cmds_in_path("sim/operation/", out);
    EXPECT_EQ(out, list{"quit"});
    cmnd.get_cmds_in_path("sim/operation/quit", out);
    EXPECT_TRUE(out.empty());
    cmnd.get_cmds_in_path("sim", out);
    EXPECT_EQ(out, list{"/"});
}

TEST_F(command_registry, CoreListingsReadTheRegistry)
{
    list names, descriptions;
    UTL_list_commands(names, descriptions);
    EXPECT_EQ(names, (list{"sim/none/none", "sim/operation/quit"}));
    EXPECT_EQ(descriptions[1], "Quit the simulation.");
    list out;
    UTL_commands_in_path("sim/", out);
    EXPECT_EQ(out, (list{"none/", "operation/"}));
}

TEST_F(command_registry, FiltersPathsByEveryWordIgnoringCase)
{
    list out;
    cmnd.get_cmnds_by_filter("QUIT", out);
    EXPECT_EQ(out, list{"sim/operation/quit"});
    cmnd.get_cmnds_by_filter("none sim", out);
    EXPECT_EQ(out, list{"sim/none/none"});
    cmnd.get_cmnds_by_filter("o", out);
    EXPECT_EQ(out.size(), 2u);
    cmnd.get_cmnds_by_filter(" \t\n ", out);
    EXPECT_EQ(out.size(), 2u);
    cmnd.get_cmnds_by_filter("Quit the simulation.", out);
    EXPECT_TRUE(out.empty()) << "descriptions are not searched";
}

TEST_F(command_registry, PressesCountAndTheQuitCommandEndsTheRun)
{
    cmnd_duration = 3;
    cmnd.release_one(0);
    EXPECT_EQ(cmnd.press_counts[0], 0);
    EXPECT_EQ(cmnd_duration, 0);
    cmnd.press_counts[1] = 4;
    cmnd.press_one(1);
    EXPECT_EQ(app_done, 1);
    EXPECT_EQ(cmnd.press_counts[1], 5);
    app_done = 0;
    cmnd.single_press(1);
    EXPECT_EQ(app_done, 1);
    EXPECT_EQ(cmnd.press_counts[1], 5);
}

TEST_F(command_registry, PressesOfUnknownIdsAreIgnored)
{
    cmnd.alias_cmd("far", 1000);
    const int id = cmnd.get_cmnd_by_name("far");
    cmnd.press_one(id);
    cmnd.single_press(-1);
    cmnd.release_one(id);
    EXPECT_EQ(cmnd.press_counts, (std::vector<int>{0, 0}));
    EXPECT_EQ(app_done, 0);
    set_plane_focus(3);
    EXPECT_EQ(get_plane_focus(), 3);
}

}  // namespace
