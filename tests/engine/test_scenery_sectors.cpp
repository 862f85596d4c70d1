// Which paths are global-scenery tiles and which sector each one covers.
#include <gtest/gtest.h>

#include "engine/installer_state.h"
#include "engine/manifest.h"

namespace {

TEST(SceneryTiles, OnlyDsfFilesUnderAGlobalSceneryFolderAreTiles)
{
    EXPECT_TRUE(is_global_scenery_f("top/Global Scenery/+40-074/+40-074.DSF"));
    EXPECT_TRUE(is_global_scenery_f("top/Custom/-global terrain-/a.dsf"));
    EXPECT_TRUE(is_global_scenery_f("x/-global overlays-/a.Dsf"));
    EXPECT_TRUE(is_global_scenery_f("t/default scenery/DSF 820 earth/+10+010.dsf"));
    EXPECT_FALSE(is_global_scenery_f("top/Global Scenery/+40-074/+40-074.dsf.zip"));
    EXPECT_FALSE(is_global_scenery_f("top/global scenery/+40-074.dsf")) << "folders are case-sensitive";
    EXPECT_FALSE(is_global_scenery_f("top/Resources/a.dsf"));
    EXPECT_FALSE(is_global_scenery_f(".dsf"));
}

TEST(SceneryTiles, TheTileNameGivesTheSector)
{
    int lon = -1, lat = -1;
    EXPECT_EQ(find_sector(&lon, &lat, "Global Scenery/+40-074/+40-074.dsf"), 1);
    EXPECT_EQ(lat, 13);
    EXPECT_EQ(lon, 10);
    EXPECT_EQ(find_sector(&lon, &lat, "-90-180.dsf"), 1) << "a path without '/' is its own name";
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(lon, 0);
    EXPECT_EQ(find_sector(&lon, &lat, "+89+179.dsf"), 1);
    EXPECT_EQ(lat, 17);
    EXPECT_EQ(lon, 35);
}

TEST(SceneryTiles, TheNorthPoleAndTheDateLineAreOffTheGrid)
{
    int lon = 0, lat = 0;
    EXPECT_EQ(find_sector(&lon, &lat, "Global Scenery/+90+000.dsf"), 0);
    EXPECT_EQ(lat, 18) << "bands are written even when off the grid";
    EXPECT_EQ(find_sector(&lon, &lat, "Global Scenery/+00+180.dsf"), 0);
    EXPECT_EQ(lon, 36);
}

TEST(SceneryTiles, BandsTruncateTowardZeroJustBelowTheGrid)
{
    int lon = 0, lat = 0;
    EXPECT_EQ(find_sector(&lon, &lat, "-99-189.dsf"), 1);
    EXPECT_EQ(lat, 0);
    EXPECT_EQ(lon, 0);
}

TEST(SceneryTiles, ANameThatIsNoTileNameStillLandsOnTheGrid)
{
    int lon = 0, lat = 0;
    EXPECT_EQ(find_sector(&lon, &lat, "Global Scenery/readme.dsf"), 1);
    EXPECT_EQ(lat, 8);
    EXPECT_EQ(lon, 17);
}

TEST(SceneryTiles, ShortNamesGiveNoSector)
{
    int lon = 77, lat = 77;
    EXPECT_EQ(find_sector(&lon, &lat, "dir/ab"), 0);
    EXPECT_EQ(lon, 77) << "bands untouched for a name under three characters";
    EXPECT_EQ(find_sector(&lon, &lat, "a/b/"), 0) << "the name of a/b/ is b/";
}

TEST(StrictDecimal, ReadsSignedNumbersOfUpToNinePlaces)
{
    EXPECT_EQ(str_to_int(""), -1);
    EXPECT_EQ(str_to_int("8080"), 8080);
    EXPECT_EQ(str_to_int("+12"), 12);
    EXPECT_EQ(str_to_int("-7"), -7);
    EXPECT_EQ(str_to_int("0"), 0);
    EXPECT_EQ(str_to_int("999999999"), 999999999);
    EXPECT_EQ(str_to_int("-074"), -74);
    EXPECT_EQ(str_to_int("+40"), 40);
}

TEST(StrictDecimal, RejectsWhatIsNoNumber)
{
    EXPECT_EQ(str_to_int("1234567890"), -1);
    EXPECT_EQ(str_to_int("12a"), -1);
    EXPECT_EQ(str_to_int("ABC"), -1);
    EXPECT_EQ(str_to_int("-"), -1);
    EXPECT_EQ(str_to_int(" 1"), -1);
}

TEST(StrictDecimal, SignsInsideCountAsPlusOrMinusOne)
{
    EXPECT_EQ(str_to_int("1-2"), 92);
    EXPECT_EQ(str_to_int("--"), 1);
}

}  // namespace
