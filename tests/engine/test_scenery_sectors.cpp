// Which paths are global-scenery tiles and which sector each one covers.
#include <gtest/gtest.h>

#include <utility>

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

struct sector_case {
    const char* path;
    int result, lat_band, lon_band;
};

TEST(SceneryTiles, TheTileNameGivesTheSector)
{
    const sector_case cases[] = {
        {"Global Scenery/+40-074/+40-074.dsf", 1, 13, 10},
        {"-90-180.dsf", 1, 0, 0},              // a path without '/' is its own name
        {"+89+179.dsf", 1, 17, 35},
        {"Global Scenery/+90+000.dsf", 0, 18, 18},  // the pole is off the grid
        {"Global Scenery/+00+180.dsf", 0, 9, 36},   // so is the date line
        {"-99-189.dsf", 1, 0, 0},              // truncation toward zero
        {"Global Scenery/readme.dsf", 1, 8, 17},    // no tile name: -1 and -1
    };
    for (const sector_case& c : cases) {
        int lon = -5, lat = -5;
        EXPECT_EQ(find_sector(&lon, &lat, c.path), c.result) << c.path;
        EXPECT_EQ(lat, c.lat_band) << c.path;
        EXPECT_EQ(lon, c.lon_band) << c.path;
    }
}

TEST(SceneryTiles, ShortNamesGiveNoSector)
{
    int lon = 77, lat = 77;
    EXPECT_EQ(find_sector(&lon, &lat, "dir/ab"), 0);
    EXPECT_EQ(lon, 77) << "bands untouched for a name under three characters";
    EXPECT_EQ(find_sector(&lon, &lat, "a/b/"), 0) << "the name of a/b/ is b/";
}

TEST(StrictDecimal, ReadsSignedNumbersOfUpToNinePlacesAndNothingElse)
{
    const std::pair<const char*, int> cases[] = {
        {"", -1},     {"8080", 8080}, {"+12", 12},       {"-7", -7},   {"0", 0},
        {"999999999", 999999999},     {"1234567890", -1}, {"12a", -1}, {"ABC", -1},
        {"-", -1},    {" 1", -1},     {"-074", -74},      {"+40", 40},
        {"1-2", -1},  {"--", -1},     {"+-3", -1},  // a sign only leads
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(str_to_int(text), value) << '"' << text << '"';
}

}  // namespace
