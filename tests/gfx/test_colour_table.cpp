#include <gtest/gtest.h>

#include "gfx/draw/colour_table.h"

namespace {

void expect_rgb(const float* c, float r, float g, float b, const char* what)
{
    EXPECT_NEAR(c[0], r, 1e-3) << what;
    EXPECT_NEAR(c[1], g, 1e-3) << what;
    EXPECT_NEAR(c[2], b, 1e-3) << what;
}

}  // namespace

TEST(ColourTable, StartsWithTheNamedColoursGammaAndFullLights)
{
    colr_class table;
    expect_rgb(table.colours[0], 1, 1, 1, "slot 0 is white");
    expect_rgb(table.colours[11], 0, 0, 0, "slot 11 is not named, so black");
    expect_rgb(table.colours[30], 1, 1, 1, "slot 30 lies in the white range 29-31");
    expect_rgb(table.colours[75], 0.49f, 0.43f, 0.24f, "slot 75");
    expect_rgb(table.colours[106], 1, 1, 0.9f, "slot 106");
    expect_rgb(table.colours[108], 0, 0, 0, "slot 108");
    EXPECT_EQ(table.gamma_a, 1.8);
    EXPECT_EQ(table.gamma_b, 2.2);
    EXPECT_EQ(table.gamma_differs, 1);
    EXPECT_EQ(table.gamma_table[0], 0);
    EXPECT_EQ(table.gamma_table[255], 255);
    EXPECT_EQ(table.gamma_table[128], 145) << "255 * (128/255)^(1.8/2.2) rounds to 145";
    for (float light : table.lights) EXPECT_EQ(light, 1.0f);
}

TEST(ColourTable, RampModeZeroRunsThroughTheSixStops)
{
    colr_class table;
    table.spectrum_init(0);
    expect_rgb(table.ramp[0], 1, 0, 0, "step 0 is red");
    expect_rgb(table.ramp[100], 1, 0.16f, 0.04f, "step 100 is half way to orange");
    expect_rgb(table.ramp[500], 0.5f, 1, 0, "step 500 is half way from yellow to green");
    expect_rgb(table.ramp[999], 0.796f, 0, 0.801f, "step 999 is almost violet");
}

TEST(ColourTable, SingleChannelRampsAndUnknownModes)
{
    colr_class table;
    table.spectrum_init(2);
    expect_rgb(table.ramp[500], 0, 0.5f, 0, "mode 2 step 500");
    table.spectrum_init(7);
    expect_rgb(table.ramp[500], 0, 0.5f, 0, "mode 7 leaves the ramp as it was");
    table.spectrum_init(-1);
    expect_rgb(table.ramp[999], 0, 0.999f, 0, "mode -1 leaves the ramp as it was");
}

TEST(ColourTable, AssignAndInterfaceLights)
{
    colr_class table;
    table.assign(107, 0.25f, 0.5f, 0.75f);
    expect_rgb(table.colours[107], 0.25f, 0.5f, 0.75f, "slot 107 after assign");
    table.colours[111][0] = 0.4f;  // the frame clock's pulse has a slot of its own
    EXPECT_EQ(table.ramp_low, 0.0f);

    for (float& light : table.lights) light = 0.5f;
    table.set_lites_for_interface();
    EXPECT_EQ(table.lights[0], 0.75f);
    EXPECT_EQ(table.lights[1], 0.5f);
    EXPECT_EQ(table.lights[2], 0.75f);
    EXPECT_EQ(table.lights[3], 0.5f);
    EXPECT_EQ(table.lights[4], 0.75f);
    EXPECT_EQ(table.lights[5], 0.5f);
    table.lights[0] = 0.9f;
    table.set_lites_for_interface();
    EXPECT_EQ(table.lights[0], 0.9f) << "brighter lights are never lowered";
}
