// The install filter, the scenery choice and the size totals.
#include <gtest/gtest.h>

#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine_test_support.h"

namespace {

file_version_struct version(int platform, float download, float installed,
                            const std::string& sig = "0123456789abcdef0123456789abcdef")
{
    file_version_struct v;
    v.platform = platform;
    v.download_size = download;
    v.installed_size = installed;
    v.sig_want = sig;
    v.path = "top/file" + std::to_string(sim_info.size());
    return v;
}

file_version_struct tile(int lon, int lat, float download, float installed,
                         const std::string& sig = "0123456789abcdef0123456789abcdef")
{
    file_version_struct v = version(0, download, installed, sig);
    v.is_global = 1;
    v.lon_band = lon;
    v.lat_band = lat;
    return v;
}

void add(const file_version_struct& v) { sim_info.push_back({v}); }

class InstallFilter : public ::testing::Test {
protected:
    void SetUp() override
    {
        engine_testing::reset_engine_state();
        stg.target_os = 3;
    }
};

TEST_F(InstallFilter, PlatformsFollowTheTarget)
{
    for (int p = 0; p <= 6; ++p) add(version(p, 1, 1));
    const int linux_taken[] = {1, 0, 0, 1, 0, 0, 1};
    for (int p = 0; p <= 6; ++p) EXPECT_EQ(want_this_f(p, 0), linux_taken[p]) << "platform " << p;
    stg.target_os = 2;
    const int windows_taken[] = {1, 0, 1, 0, 0, 0, 0};
    for (int p = 0; p <= 6; ++p) EXPECT_EQ(want_this_f(p, 0), windows_taken[p]) << "platform " << p;
    stg.target_os = 4;
    EXPECT_EQ(want_this_f(4, 0), 1) << "4 and 5 only when the target equals them";
    EXPECT_EQ(want_this_f(5, 0), 0);
}

TEST_F(InstallFilter, TheKindSwitchesOverruleThePlatform)
{
    add(version(0, 1, 1));
    add(tile(1, 1, 1, 1));
    set_install_filter(0, 1);
    EXPECT_EQ(want_this_f(0, 0), 0) << "the scenery road takes no simulator file";
    EXPECT_EQ(want_this_f(1, 0), 1);
    set_install_filter(1, 0);
    EXPECT_EQ(want_this_f(0, 0), 1);
    EXPECT_EQ(want_this_f(1, 0), 0);
}

TEST_F(InstallFilter, OnlyUninstalledWantedFilesAddToTheSizes)
{
    add(version(0, 100, 250));
    add(version(3, 10, 20));
    add(version(2, 1000, 1000));                  // another system
    add(version(0, 5000, 5000, "GONE"));          // gone: never installed
    file_version_struct current = version(0, 7000, 7000);
    current.is_current = 1;                       // already installed
    add(current);
    recalc_disk_sizes();
    EXPECT_FLOAT_EQ(stg.download_total, 110);
    EXPECT_FLOAT_EQ(stg.install_total, 270);
    EXPECT_EQ(stg.files_to_install, 2);
    EXPECT_EQ(stg.files_to_delete, 0);
}

TEST_F(InstallFilter, OnlyTheCurrentVersionCounts)
{
    sim_info.push_back({version(0, 999, 999), version(0, 3, 4)});
    recalc_disk_sizes();
    EXPECT_FLOAT_EQ(stg.download_total, 3);
    EXPECT_EQ(stg.files_to_install, 1);
}

TEST_F(InstallFilter, TilesCountByTheWantedSectors)
{
    add(version(0, 1, 2));
    add(tile(10, 13, 40, 80));
    file_version_struct installed = tile(11, 13, 50, 90);
    installed.is_current = 1;
    add(installed);
    file_version_struct gone = tile(12, 13, 60, 60, "GONE");
    gone.is_current = 1;
    add(gone);
    stg.avail_sectors[10][13] = stg.avail_sectors[11][13] = stg.avail_sectors[12][13] = 1;

    scenery_take_none();
    recalc_disk_sizes();
    EXPECT_FLOAT_EQ(stg.download_total, 1) << "only simulator files without sectors";
    EXPECT_EQ(stg.files_to_install, 1);
    EXPECT_EQ(stg.files_to_delete, 3) << "the installed tile once, the gone one twice";

    scenery_take_all();
    recalc_disk_sizes();
    EXPECT_FLOAT_EQ(stg.download_total, 41);
    EXPECT_FLOAT_EQ(stg.install_total, 82);
    EXPECT_EQ(stg.files_to_install, 2);
    EXPECT_EQ(stg.files_to_delete, 1) << "the gone tile that is still there";
}

TEST_F(InstallFilter, AGoneFileCountsAsADeletionWhileItIsThere)
{
    // A checksum never makes a gone file current, whether or not the
    // user changed it.
    file_version_struct there = version(0, 5, 5, "GONE");
    there.sig_have = "0123456789abcdef0123456789abcdef";
    add(there);
    file_version_struct absent = version(0, 5, 5, "GONE");
    absent.sig_have = "NONE";
    add(absent);
    add(version(0, 5, 5, "GONE"));  // not looked at
    recalc_disk_sizes();
    EXPECT_EQ(stg.files_to_delete, 1);
    EXPECT_EQ(stg.files_to_install, 0);
}

TEST_F(InstallFilter, AnUninstalledTileInAnUnwantedSectorCountsNowhere)
{
    add(tile(3, 3, 40, 80));
    add(tile(4, 4, 40, 80, "GONE"));
    recalc_disk_sizes();
    EXPECT_EQ(stg.files_to_install + stg.files_to_delete, 0);
    EXPECT_FLOAT_EQ(stg.download_total, 0);
}

TEST_F(InstallFilter, LargeTotalsDoNotDriftFileByFile)
{
    // Past 16 GB a float running sum rounds every addition; over thousands
    // of files the total drifts by whole megabytes.
    for (int i = 0; i < 30000; ++i) add(version(0, 1999, 1));
    recalc_disk_sizes();
    EXPECT_FLOAT_EQ(stg.download_total, 30000.0f * 1999);
    EXPECT_EQ(stg.files_to_install, 30000);
}

TEST_F(InstallFilter, SceneryFromInstallWantsWhatIsOnDisk)
{
    file_version_struct absent = tile(1, 1, 1, 1);
    absent.sig_have = "NONE";
    add(absent);
    file_version_struct present = tile(2, 2, 1, 1);
    present.sig_have = "0123456789abcdef0123456789abcdef";
    add(present);
    add(tile(3, 3, 1, 1));  // not checked yet: counts as installed
    stg.want_sectors[1][1] = stg.want_sectors[9][9] = 1;
    scenery_from_install();
    EXPECT_EQ(stg.want_sectors[1][1], 0);
    EXPECT_EQ(stg.want_sectors[2][2], 1);
    EXPECT_EQ(stg.want_sectors[3][3], 1);
    EXPECT_EQ(stg.want_sectors[9][9], 0);
}

TEST(PathHelpers, TheTopFolderMakesWayForTheDestination)
{
    std::string path = "top/Resources/x.txt";
    trim_dest_folder(path);
    EXPECT_EQ(path, "Resources/x.txt");
    path = "x.txt";
    trim_dest_folder(path);
    EXPECT_EQ(path, "x.txt");
    path = "top/";
    trim_dest_folder(path);
    EXPECT_EQ(path, "");
    path = "";
    trim_dest_folder(path);
    EXPECT_EQ(path, "");
    EXPECT_EQ(path_has_no_file("a/"), 1);
    EXPECT_EQ(path_has_no_file("a"), 0);
    EXPECT_EQ(path_has_no_file(""), 0);
}

}  // namespace
