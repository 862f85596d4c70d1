#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "alert_recorder.h"
#include "core/core_globals.h"
#include "core/int_rand.h"

TEST(IntRand, EqualBoundsReturnTheBoundWithoutDrawing)
{
    std::srand(7);
    int first = std::rand();
    std::srand(7);
    EXPECT_EQ(int_rand(5, 5), 5);
    EXPECT_EQ(int_rand(0, 0), 0);
    EXPECT_EQ(std::rand(), first) << "int_rand drew a number for an empty range";
}

TEST(IntRand, StaysWithinItsBoundsAndReachesBoth)
{
    bool seen[10] = {};
    for (int i = 0; i < 2000; ++i) {
        int v = int_rand(0, 9);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 9);
        seen[v] = true;
    }
    for (int v = 0; v < 10; ++v) EXPECT_TRUE(seen[v]) << v << " never drawn";
    int wide = int_rand(INT_MIN, INT_MAX);  // the span overflows an int
    (void)wide;
}

TEST(IntRandDeathTest, ReversedBoundsAreFatalAndNameThem)
{
    EXPECT_DEATH(WITH_ALERTS_ON_STDERR(int_rand(3, 2)), "alert 2: int rand range negative! / lo=3 hi=2 / ");
}

TEST(CoreGlobals, StartEmptyExceptTheUnscannedReleaseName)
{
    EXPECT_EQ(no_install_name, "Not Yet Scanned");
    EXPECT_TRUE(stl_global.empty());
    EXPECT_TRUE(dvd_path.empty());
    EXPECT_FALSE(ouf.is_open());
}
