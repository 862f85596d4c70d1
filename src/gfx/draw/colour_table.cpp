#include "gfx/draw/colour_table.h"

#include <cmath>

colr_class colr;

const float roygbv_rgb_loc[6][3] = {
    {1.0f, 0.0f, 0.0f},  {1.0f, 0.32f, 0.08f}, {1.0f, 1.0f, 0.0f},
    {0.0f, 1.0f, 0.0f},  {0.0f, 0.0f, 1.0f},   {0.8f, 0.0f, 0.8f},
};

namespace {

struct named_colour {
    int first, last;
    float r, g, b;
};

// Slots not listed stay black.
const named_colour named_colours[] = {
    {0, 0, 1, 1, 1},          {1, 1, 1, 0.2f, 0.2f},      {2, 2, 1, 1, 0.2f},
    {3, 3, 0.7f, 0.7f, 0.7f}, {4, 4, 0.8f, 0, 0},         {5, 5, 1, 1, 0},
    {6, 6, 0.3f, 0.3f, 0.3f}, {7, 7, 0.2f, 0, 0},         {8, 8, 1, 0.8f, 0.2f},
    {9, 9, 0.1f, 0.1f, 0.1f}, {10, 10, 0, 0.8f, 0},       {13, 13, 0, 0.4f, 0},
    {15, 15, 0.4f, 0.4f, 1},  {17, 17, 0, 0, 0.6f},       {18, 18, 0.5f, 0.55f, 0.6f},
    {19, 19, 0.2f, 0.2f, 0.25f}, {20, 20, 0.9f, 0.9f, 0.9f}, {21, 21, 0.8f, 0.1f, 0.1f},
    {22, 22, 0.9f, 0.9f, 1},  {23, 23, 0.9f, 0.9f, 0.9f}, {24, 24, 0.1f, 0.1f, 0.1f},
    {26, 26, 0.9f, 0.9f, 0.9f}, {27, 27, 1, 1, 0},        {29, 31, 1, 1, 1},
    {32, 32, 1, 1, 0},        {34, 36, 1, 1, 1},          {52, 52, 1, 1, 1},
    {53, 53, 0.4f, 1, 0.4f},  {54, 54, 1, 0.4f, 0.4f},    {55, 55, 1, 1, 0.6f},
    {56, 56, 0.7f, 0.7f, 1},  {57, 57, 1, 0.5f, 0},       {58, 58, 0.8f, 0.8f, 0.8f},
    {59, 59, 0, 1, 0},        {60, 60, 1, 0.2f, 0.2f},    {61, 61, 1, 1, 0.2f},
    {62, 62, 0.4f, 0.4f, 1},  {63, 63, 0.5f, 0.3f, 0},    {64, 64, 0.5f, 0.5f, 0.5f},
    {65, 65, 0, 0.6f, 0},     {66, 66, 0.6f, 0.2f, 0},    {67, 67, 1, 1, 0},
    {68, 68, 0.2f, 0.2f, 0.8f}, {69, 69, 1, 0.4f, 0},     {70, 70, 0.2f, 0.2f, 0.2f},
    {71, 71, 0, 0.2f, 0},     {72, 72, 1, 0, 0},          {73, 73, 0.6f, 0.6f, 0},
    {74, 74, 0.15f, 0.15f, 0.6f}, {75, 75, 0.49f, 0.43f, 0.24f}, {77, 77, 0, 0.1f, 0},
    {78, 78, 1, 0.2f, 1},     {79, 79, 1, 0, 1},          {80, 80, 0, 1, 1},
    {81, 81, 1, 1, 0},        {82, 82, 0.44f, 0.53f, 0.54f}, {89, 89, 1, 0, 1},
    {91, 91, 1, 0, 1},        {92, 92, 1, 1, 1},          {101, 101, 0.5f, 0.5f, 0.4f},
    {102, 102, 1, 0.3f, 0},   {103, 103, 0.5f, 0.5f, 0.4f}, {104, 104, 0.8f, 0.8f, 0.7f},
    {105, 105, 0, 0.6f, 0.2f}, {106, 106, 1, 1, 0.9f},
};

}  // namespace

colr_class::colr_class()
{
    gamma_differs = gamma_b != 1.8 ? 1 : 0;
    // Images are made for a display gamma of 1.8; ours shows them at 2.2.
    const double exponent = static_cast<float>(1.8 / 2.2);
    for (int i = 1; i < 256; ++i)
        gamma_table[i] = static_cast<unsigned char>(255.0 * std::pow(i / 255.0, exponent) + 0.5);
    for (const named_colour& c : named_colours)
        for (int i = c.first; i <= c.last; ++i) assign(i, c.r, c.g, c.b);
    for (float& light : lights) light = 1.0f;
}

void colr_class::assign(int index, float r, float g, float b)
{
    colours[index][0] = r;
    colours[index][1] = g;
    colours[index][2] = b;
}

void colr_class::spectrum_init(int mode)
{
    if (mode < 0 || mode > 3) return;
    for (int i = 0; i < ramp_steps; ++i) {
        const float t = i * 0.001f;
        float* out = ramp[i];
        if (mode == 0) {
            const int k = t < 0.2f ? 0 : t < 0.4f ? 1 : t < 0.6f ? 2 : t < 0.8f ? 3 : 4;
            const float f = (t - 0.2f * k) * 5.0f;
            for (int c = 0; c < 3; ++c)
                out[c] = (1.0f - f) * roygbv_rgb_loc[k][c] + f * roygbv_rgb_loc[k + 1][c];
        } else {
            out[0] = out[1] = out[2] = 0.0f;
            out[mode - 1] = t;
        }
    }
}

void colr_class::set_lites_for_interface()
{
    for (int i = 0; i < 6; i += 2)
        if (lights[i] < 0.75f) lights[i] = 0.75f;
}
