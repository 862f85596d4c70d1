// The manifest body read into per-path version histories.
#include <gtest/gtest.h>

#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine_test_support.h"

namespace {

const std::string kSig = "0123456789abcdef0123456789abcdef";

std::string file_line(const std::string& path, int platform = 0, const std::string& sig = kSig)
{
    return "FILE 1 " + std::to_string(platform) + " 7 100 250 " + sig + " " + path + "\n";
}

class ManifestHistories : public ::testing::Test {
protected:
    void SetUp() override { engine_testing::reset_engine_state(); }
    void read(const std::string& body) { read_directory_body(body.data(), body.data() + body.size()); }
};

TEST_F(ManifestHistories, AnEmptyBodyGivesNoHistoriesAndNoContent)
{
    stg.avail_sectors[3][4] = 1;
    stg.has_scenery = stg.has_sim_files = 1;
    read("");
    EXPECT_TRUE(sim_info.empty());
    EXPECT_EQ(stg.avail_sectors[3][4], 0);
    EXPECT_EQ(stg.has_scenery, 0);
    EXPECT_EQ(stg.has_sim_files, 0);
}

TEST_F(ManifestHistories, OnlyConsecutiveLinesOfOnePathFormOneHistory)
{
    read(file_line("top/A") + file_line("top/A", 3) + file_line("top/B") + file_line("top/A"));
    ASSERT_EQ(sim_info.size(), 3u);
    ASSERT_EQ(sim_info[0].size(), 2u);
    EXPECT_EQ(sim_info[0].back().platform, 3) << "the last line is the current version";
    EXPECT_EQ(sim_info[1][0].path, "top/B");
    EXPECT_EQ(sim_info[2][0].path, "top/A") << "a path that comes back opens a history of its own";
    EXPECT_EQ(stg.has_sim_files, 1);
}

TEST_F(ManifestHistories, LinesTheInstallerNeverShipsDoNotBreakAHistory)
{
    read(file_line("top/A") + file_line("top/Earth Orbit Textures/x.png") +
         file_line("top/900 red terrain/y") + file_line("top/A"));
    ASSERT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(sim_info[0].size(), 2u);
}

TEST_F(ManifestHistories, EveryFieldOfAFileLineLandsInItsVersion)
{
    read("DIR top/\nDISK 4\nFILE 99 2 -17 1234 5678 GONE Resources/a b.txt  \n");
    ASSERT_EQ(sim_info.size(), 1u);
    const file_version_struct& v = sim_info[0][0];
    EXPECT_EQ(v.platform, 2);
    EXPECT_EQ(v.aux_number, -17);
    EXPECT_EQ(v.download_size, 1234.0f);
    EXPECT_EQ(v.installed_size, 5678.0f);
    EXPECT_EQ(v.sig_want, "GONE");
    EXPECT_EQ(v.sig_have, "");
    EXPECT_EQ(v.path, "top/Resources/a b.txt  ") << "the rest of the line keeps its blanks";
    EXPECT_EQ(v.disk, 4);
    EXPECT_EQ(v.do_install + v.do_delete + v.is_global, 0);
}

TEST_F(ManifestHistories, DirAndDiskApplyToTheLinesThatFollow)
{
    read(file_line("before") + "DIR top/\n" + file_line("Resources/x.txt") + "DISK -2\n" +
         file_line("y") + "DIR \n" + file_line("z"));
    ASSERT_EQ(sim_info.size(), 4u);
    EXPECT_EQ(sim_info[0][0].path, "before");
    EXPECT_EQ(sim_info[1][0].path, "top/Resources/x.txt");
    EXPECT_EQ(sim_info[1][0].disk, 0);
    EXPECT_EQ(sim_info[2][0].path, "top/y");
    EXPECT_EQ(sim_info[2][0].disk, -2);
    EXPECT_EQ(sim_info[3][0].path, "z") << "\"DIR\" and a blank empties the prefix";
}

TEST_F(ManifestHistories, AKeywordCountsOnlyWithABlankAfterIt)
{
    read("DISKS 5\nDISK\t3\nFILES 1 1 1 1 1 x y\nDIR\nFILE\t1 1 1 1 1 " + kSig + " a\n");
    ASSERT_EQ(sim_info.size(), 1u);
    EXPECT_EQ(sim_info[0][0].disk, 3);
    EXPECT_EQ(sim_info[0][0].path, "a");
}

TEST_F(ManifestHistories, PlatformsOutsideTheKnownRangeAreClamped)
{
    read(file_line("a", 9) + file_line("b", -3) + file_line("c", 6));
    EXPECT_EQ(sim_info[0][0].platform, 6);
    EXPECT_EQ(sim_info[1][0].platform, 0);
    EXPECT_EQ(sim_info[2][0].platform, 6);
}

TEST_F(ManifestHistories, AnyLineEndAndIndentationSeparateLines)
{
    const std::string line = "FILE 1 0 0 1 1 " + kSig + " ";
    read("  " + line + "a\r\n\t" + line + "b\r\r\n" + line + "c" + std::string(1, '\0') + line + "d");
    ASSERT_EQ(sim_info.size(), 4u);
    EXPECT_EQ(sim_info[0][0].path, "a");
    EXPECT_EQ(sim_info[3][0].path, "d") << "the last line needs no line end";
}

TEST_F(ManifestHistories, ScenerySetsTheAvailableSectorsEvenWhenGone)
{
    read(file_line("top/Global Scenery/+40-074/+40-074.dsf", 0, "GONE") + file_line("top/readme.txt"));
    ASSERT_EQ(sim_info.size(), 2u);
    const file_version_struct& tile = sim_info[0][0];
    EXPECT_EQ(tile.is_global, 1);
    EXPECT_EQ(tile.lat_band, 13);
    EXPECT_EQ(tile.lon_band, 10);
    EXPECT_EQ(stg.avail_sectors[10][13], 1);
    EXPECT_EQ(stg.has_scenery, 1);
    EXPECT_EQ(stg.has_sim_files, 1);
}

TEST_F(ManifestHistories, SuffixOnTheDvdFollowsTheCurrentPath)
{
    read(file_line("top/Global Scenery/x.txt") + file_line("top/Resources/y.txt"));
    EXPECT_EQ(suffix_for_file(0), ".7z");
    EXPECT_EQ(suffix_for_file(1), ".zip");
}

}  // namespace
