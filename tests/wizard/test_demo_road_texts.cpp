// The web-demo road's numbers and texts: the manifest fetch's share, the
// install bar's glide, the lines under it and the remaining time.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/text/translation.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"

namespace {

TEST(demo_road_texts, ManifestShareIsZeroBeforeATransferAndUnknownWithoutALength)
{
    EXPECT_EQ(manifest_progress(false, 0, 0).percent, 0);
    EXPECT_EQ(manifest_progress(false, 0, 0).fraction, 0.0f);
    EXPECT_EQ(manifest_progress(true, -1, 500).percent, -1);
    EXPECT_LT(manifest_progress(true, -1, 500).fraction, 0.0f) << "no bar without a length";
    EXPECT_EQ(manifest_progress(true, 1000, 999).percent, 99) << "99.9 % is not yet 100";
    EXPECT_EQ(manifest_progress(true, 1000, 1000).percent, 100);
    EXPECT_NEAR(manifest_progress(true, 1000, 250).fraction, 0.25f, 1e-6);
    EXPECT_EQ(manifest_progress(true, 0, 0).percent, 100) << "an empty body is all there, not divided by";
    EXPECT_EQ(manifest_progress(true, 0, 0).fraction, 1.0f);
}

TEST(demo_road_texts, InstallBarGlidesTowardTheShareAndStaysWithinItsEnds)
{
    // k = 5 x 0.02 = 0.1 of the way each step.
    EXPECT_NEAR(smooth_install_fraction(0, 0.02f, 500, 1000), 0.05f, 1e-6);
    EXPECT_NEAR(smooth_install_fraction(0.5f, 0.02f, 500, 1000), 0.5f, 1e-6);
    EXPECT_EQ(smooth_install_fraction(0.99f, 0.05f, 5000, 1000), 1.0f) << "clamped at 1";
    EXPECT_EQ(smooth_install_fraction(-1, 0.001f, 0, 1000), 0.0f) << "clamped at 0";
    EXPECT_EQ(smooth_install_fraction(0.3f, 0.02f, 0, 0), 1.0f) << "an empty plan is complete";
    EXPECT_EQ(smooth_install_fraction(std::numeric_limits<float>::quiet_NaN(), 0.02f, 1, 2), 1.0f);
}

TEST(demo_road_texts, ProgressLineFollowsThePhaseOfTheFile)
{
    UTL_translate_clear();
    EXPECT_EQ(install_progress_text(0, "a.zip", 0), "Deleting a.zip because that file is no longer needed!");
    EXPECT_EQ(install_progress_text(1, "a.zip", 0.425f),
              "Downloading and installing a.zip, currently 42% done with that file.");
    EXPECT_EQ(install_progress_text(1, "a.zip", -0.01f),
              "Downloading and installing a.zip, currently 0% done with that file.")
        << "a length not yet known";
    EXPECT_EQ(install_progress_text(1, "a.zip", 1), "Downloading and installing a.zip, currently 100% done with that file.");
    EXPECT_EQ(install_progress_text(2, "a.zip", 0), "Skipping a.zip because it is already installed.");
    EXPECT_EQ(install_progress_text(3, "a.zip", 0), "Skipping a.zip because you don't need it.");
    EXPECT_EQ(install_progress_text(4, "a.zip", 0), "");
    EXPECT_EQ(install_progress_text(-1, "a.zip", 0), "");
}

TEST(demo_road_texts, RemainingTimeCountsStreamsInTheRightFormAndNeedsARate)
{
    UTL_translate_clear();
    const std::string one = install_main_text(100, 10, 1100, 1);
    EXPECT_NE(one.find("with 1 download stream."), std::string::npos) << one;
    const std::string four = install_main_text(100, 10, 1100, 4);
    EXPECT_NE(four.find("with 4 simultaneous download streams."), std::string::npos) << four;
    EXPECT_NE(install_main_text(100, 10, 1100, 0).find("0 simultaneous"), std::string::npos);
    EXPECT_EQ(install_main_text(0, 10, 1100, 2), "") << "no rate yet, no time to promise";
    EXPECT_EQ(install_main_text(100, 0.1f, 1100, 2), install_main_text(100, 1, 1100, 2))
        << "less than a second counts as one";
}

TEST(demo_road_texts, DestinationIsTheParentAloneUntilANameIsGiven)
{
    EXPECT_EQ(destination_folder("/home/u/", ""), "/home/u/");
    EXPECT_EQ(destination_folder("/home/u/", "Nimbrel 9 Demo"), "/home/u/Nimbrel 9 Demo/");
}

}  // namespace
