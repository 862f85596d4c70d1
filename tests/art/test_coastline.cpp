// Reading GMT's shoreline dump and filling the land it encloses, on small
// made-up worlds whose answer is known.
#include <gtest/gtest.h>

#include <numeric>

#include "coastline.h"

using art::shore_segment;

namespace {

constexpr int W = 36, H = 18;  // ten degrees a pixel

float land_at(const std::vector<float>& cover, double lon, double lat)
{
    const int x = int((lon + 180.0) / 10.0), y = int((90.0 - lat) / 10.0);
    return cover[size_t(y) * W + x];
}

std::vector<float> fill(const std::string& dump)
{
    std::vector<shore_segment> segments;
    std::string error;
    EXPECT_TRUE(art::parse_shorelines(dump, segments, error)) << error;
    return art::land_coverage(segments, W, H);
}

}  // namespace

TEST(Shorelines, ParserRefusesWhatIsNoDumpAndNamesTheLine)
{
    std::vector<shore_segment> segments;
    std::string error;
    EXPECT_FALSE(art::parse_shorelines("", segments, error));
    EXPECT_NE(error.find("no shoreline"), std::string::npos) << error;
    EXPECT_FALSE(art::parse_shorelines("> Bin 1\n10 20\nten 30\n", segments, error));
    EXPECT_NE(error.find("line 3"), std::string::npos) << error;
    EXPECT_FALSE(art::parse_shorelines("10 20\n> Bin 1\n", segments, error))
        << "a point before any segment header";
    EXPECT_FALSE(art::parse_shorelines("> Bin 1\n10 95\n11 20\n", segments, error))
        << "a latitude beyond the pole";
    EXPECT_FALSE(art::parse_shorelines("> Bin 1\n10 nan\n11 20\n", segments, error));
    // Comments, empty lines and one-point segments are passed over.
    EXPECT_TRUE(art::parse_shorelines("# shore\n> A\n1 2\n\n> B\n1 2\n3 4\n", segments, error));
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].size(), 2u);
}

TEST(Shorelines, PiecesOfOneRingFillTheIslandWithItsLakeOpen)
{
    // An island from 0 to 40 E, 0 to 40 N, cut in two pieces as the dump
    // cuts rings at its bins, with a lake from 10 to 30 as its own ring.
    const auto cover = fill("> Bin 1, Level 1\n0 0\n40 0\n40 40\n"
                            "> Bin 2, Level 1\n40 40\n0 40\n0 0\n"
                            "> Bin 1, Level 2\n10 10\n30 10\n30 30\n10 30\n10 10\n");
    EXPECT_FLOAT_EQ(land_at(cover, 5, 5), 1.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 35, 35), 1.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 15, 15), 0.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 25, 25), 0.0f);
    EXPECT_FLOAT_EQ(land_at(cover, -5, 5), 0.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 45, 5), 0.0f);
    const float total = std::accumulate(cover.begin(), cover.end(), 0.0f);
    EXPECT_NEAR(total, 16 - 4, 1e-3);
}

TEST(Shorelines, LandAcrossTheDateLineFillsBothEdgesOfTheMap)
{
    // An island from 170 E to 170 W, 60 to 70 N: one piece ends on the date
    // line at 180, the next starts at -180.
    const auto cover = fill("> Bin 1\n170 60\n180 60\n"
                            "> Bin 2\n-180 60\n-170 60\n-170 70\n-180 70\n"
                            "> Bin 3\n180 70\n170 70\n170 60\n");
    EXPECT_FLOAT_EQ(land_at(cover, 175, 65), 1.0f);
    EXPECT_FLOAT_EQ(land_at(cover, -175, 65), 1.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 0, 65), 0.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 175, 75), 0.0f);
    EXPECT_FLOAT_EQ(land_at(cover, -175, 55), 0.0f);
}

TEST(Shorelines, APolarContinentCirclingThePoleIsFilledToThePole)
{
    // A coast around the whole world at 70 S that meets the date line once.
    const auto cover = fill("> Bin 1\n-180 -70\n0 -70\n180 -70\n");
    EXPECT_FLOAT_EQ(land_at(cover, 0, -75), 1.0f);
    EXPECT_FLOAT_EQ(land_at(cover, -175, -85), 1.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 175, -85), 1.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 0, -65), 0.0f);
    EXPECT_FLOAT_EQ(land_at(cover, 0, 85), 0.0f);
}

TEST(Shorelines, CoastsBetweenPixelsGivePartialCover)
{
    // A strip 5 degrees wide covers half of each pixel column it crosses.
    const auto cover = fill("> A\n0 0\n5 0\n5 40\n0 40\n0 0\n");
    EXPECT_NEAR(land_at(cover, 2, 20), 0.5f, 1e-3);
    EXPECT_FLOAT_EQ(land_at(cover, 12, 20), 0.0f);
}
