#include <gtest/gtest.h>

#include "core/diag/remote_cmds.h"
#include "core/diag/stats_registry.h"

namespace {

// Each case starts from an empty registry, whatever the program built.
class StatsRegistry : public testing::Test {
protected:
    void SetUp() override
    {
        saved_waiting = UTL_stat::waiting;
        saved_initialized = UTL_stat::stat_initialized;
        UTL_stat::waiting = nullptr;
        UTL_stat::stat_initialized = 0;
        UTL_stat::all_stats().clear();
    }
    void TearDown() override
    {
        UTL_stat::all_stats().clear();
        UTL_stat::waiting = saved_waiting;
        UTL_stat::stat_initialized = saved_initialized;
    }
    UTL_stat* saved_waiting = nullptr;
    int saved_initialized = 0;
};

int runs_of_a = 0, runs_of_b = 0;

}  // namespace

TEST_F(StatsRegistry, EarlyStatisticsWaitNewestFirstUntilInit)
{
    UTL_stat first("perf/kill_cull", 4, 0);
    UTL_stat second("font/tex_mem", 0, 2.5f);
    EXPECT_EQ(UTL_stat::waiting, &second);
    EXPECT_EQ(second.next, &first);
    EXPECT_TRUE(UTL_stat::all_stats().empty());

    UTL_stat::init_stats();
    EXPECT_EQ(UTL_stat::stat_initialized, 1);
    EXPECT_EQ(UTL_stat::all_stats()[4].count(&first), 1u);
    EXPECT_EQ(UTL_stat::all_stats()[0].count(&second), 1u);

    UTL_stat late("shadow/extra_near", 4, 1.0f);
    EXPECT_EQ(UTL_stat::all_stats()[4].size(), 2u) << "after init a statistic goes straight in";
    late.publish();
    EXPECT_EQ(UTL_stat::all_stats()[4].size(), 2u) << "publishing twice changes nothing";
}

TEST_F(StatsRegistry, ResetZeroesOwnValuesAndLeavesOutsideFloats)
{
    UTL_stat::init_stats();
    float outside = 7.0f;
    UTL_stat bound(&outside, "perf/kill_tex", 4);
    bound.value = 3.0f;
    UTL_stat own("perf/kill_clip", 4, 9.0f);
    UTL_stat::reset_stats(4);
    EXPECT_EQ(own.value, 0.0f);
    EXPECT_EQ(bound.value, 0.0f);
    EXPECT_EQ(outside, 7.0f);
    EXPECT_EQ(bound.target, &outside);
    EXPECT_EQ(own.target, &own.value);

    UTL_stat::reset_stats(12);
    ASSERT_EQ(UTL_stat::all_stats().count(12), 1u) << "an entry is made for an unknown type";
    EXPECT_TRUE(UTL_stat::all_stats()[12].empty());
}

TEST(RemoteCommands, IdsCountUpAndInvokeRunsOnlyTheMatchingCommand)
{
    UTL_remote_cmd* saved_list = UTL_remote_cmd::cmd_list;
    UTL_remote_cmd::cmd_list = nullptr;
    UTL_remote_cmd::invoke(nullptr, 1);  // empty list: nothing

    const int first_id = UTL_remote_cmd::free_id;
    UTL_remote_cmd a("A", [] { ++runs_of_a; });
    UTL_remote_cmd b("B", [] { ++runs_of_b; });
    EXPECT_EQ(b.id, a.id + 1);
    EXPECT_EQ(a.id, first_id);
    EXPECT_EQ(UTL_remote_cmd::cmd_list, &b);
    EXPECT_EQ(b.next, &a);

    UTL_remote_cmd::invoke(nullptr, a.id);
    UTL_remote_cmd::invoke(nullptr, 9999);
    EXPECT_EQ(runs_of_a, 1);
    EXPECT_EQ(runs_of_b, 0);
    UTL_remote_cmd::init_remote_cmds();
    EXPECT_EQ(UTL_remote_cmd::inited, 1);
    UTL_remote_cmd::cmd_list = saved_list;
}
