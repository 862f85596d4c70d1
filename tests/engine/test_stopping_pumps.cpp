// Quitting while the pumps run: their workers must be gone before the
// program frees what they write into.
#include <gtest/gtest.h>

#include "core/core_globals.h"
#include "core/threads/utl_thread.h"
#include "engine/checksum_pump.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/stop_pumps.h"
#include "dvd_fixtures.h"
#include "engine_test_support.h"
#include "pump_fixture.h"

namespace {

using testing_support::make_sparse;
using testing_support::scratch_dir;
using testing_support::write_file;

class StoppingPumps : public engine_testing::pump_test {
protected:
    void SetUp() override
    {
        pump_test::SetUp();
        one_processor();
    }
    // Everything the workers could still write into goes away, as it does
    // when the program ends; AddressSanitizer catches any late write.
    void free_engine_state()
    {
        sim_info.clear();
        temp_path.clear();
        temp_path.shrink_to_fit();
    }
};

TEST_F(StoppingPumps, AChecksumRunStopsAfterTheFileBeingReadAndDropsTheRest)
{
    for (int i = 0; i < 40; ++i) {
        write_file(dest_ / ("f" + std::to_string(i)), "x");
        file_version_struct v;
        v.path = "top/f" + std::to_string(i);
        sim_info.push_back({v});
    }
    // A big first file keeps the one worker busy while the rest wait.
    ASSERT_TRUE(make_sparse(dest_ / "f0", 64 << 20));
    int cursor = 0;
    float progress = 0;
    ASSERT_EQ(checksum_directory(cursor, 0, progress), 0);

    UTL_stop_all_pumps();
    EXPECT_EQ(checksum_workers, nullptr);
    EXPECT_EQ(sim_info[39].back().sig_have, "") << "tasks not begun were dropped";
    free_engine_state();

    // The pumps work again afterwards.
    cursor = 0;
    EXPECT_EQ(checksum_directory(cursor, 0, progress), 1);
}

TEST_F(StoppingPumps, ADvdInstallStopsWithNoWorkerLeftAndNoCopyBehind)
{
    std::vector<engine_testing::dvd_file> files;
    for (int i = 0; i < 60; ++i) files.push_back({"top/f" + std::to_string(i), std::string(50000, 'y'), 0});
    engine_testing::dvd_set disks(files);
    disks.load_manifest();
    for (file_history_struct& h : sim_info) h.back().do_install = 1;
    dvd_path = disks.disk_folder(0);
    install_name = disks.release();
    int cursor = 0;
    install_files(cursor, 0);
    ASSERT_NE(copy_pool, nullptr);

    UTL_stop_all_pumps();
    EXPECT_EQ(copy_pool, nullptr);
    EXPECT_EQ(unzip_pool, nullptr);
    EXPECT_EQ(files_in_temp(), 0u) << "no copy stays in the temporary folder";
    free_engine_state();
}

TEST_F(StoppingPumps, StoppingIdlePumpsDoesNothing)
{
    UTL_stop_all_pumps();
    EXPECT_EQ(checksum_workers, nullptr);
    EXPECT_EQ(copy_pool, nullptr);
}

}  // namespace
