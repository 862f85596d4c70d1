// The installer state at start-up.
#include <gtest/gtest.h>

#include "core/core_globals.h"
#include "engine/installer_state.h"
#include "engine_test_support.h"

namespace {

TEST(InstallerState, StartUpValuesAreSetAndTheGridsStayEmpty)
{
    engine_testing::reset_engine_state();
    stg.log_actions = 1;
    stg_set_start_values();
    EXPECT_EQ(stg.server_count, -1);
    EXPECT_EQ(stg.target_os, 3);
    EXPECT_EQ(stg.file_action, 3);
    EXPECT_EQ(stg.dir_status, 0);
    EXPECT_EQ(stg.log_actions, 1) << "preferences are read after the start values";
    EXPECT_EQ(install_name, no_install_name);
    for (int lon = 0; lon < kLonBands; ++lon)
        for (int lat = 0; lat < kLatBands; ++lat)
            ASSERT_EQ(stg.want_sectors[lon][lat] + stg.avail_sectors[lon][lat], 0);
}

}  // namespace
