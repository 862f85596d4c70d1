// The world map of the scenery screens: three looks of the same
// equirectangular world, 504 by 252 each, one above the other.  From the
// top: selected tiles (the earth in natural colours on a dark blue sea,
// white grid), available tiles (white land on a grey sea, grid) and the
// plain map under everything (the same without the grid).  A tile is 14
// pixels, ten degrees, so the grid lines fall on every 14th column and row.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "artwork.h"

namespace art {

namespace {

constexpr int band_width = 504, band_height = 252, tile = 14;

// Distance in pixels from every pixel to the nearest pixel of the other
// kind (land or sea), by a two-pass chamfer walk.
std::vector<float> distance_to_other(const std::vector<float>& land, bool from_land)
{
    const float far = 1e6f, straight = 1.0f, diagonal = 1.41421f;
    std::vector<float> d(land.size());
    for (size_t i = 0; i < land.size(); ++i) d[i] = ((land[i] >= 0.5f) == from_land) ? far : 0.0f;
    const auto at = [&](int x, int y) -> float& { return d[size_t(y) * band_width + x]; };
    for (int y = 0; y < band_height; ++y)
        for (int x = 0; x < band_width; ++x) {
            float& v = at(x, y);
            if (x > 0) v = std::min(v, at(x - 1, y) + straight);
            if (y > 0) v = std::min(v, at(x, y - 1) + straight);
            if (x > 0 && y > 0) v = std::min(v, at(x - 1, y - 1) + diagonal);
            if (x + 1 < band_width && y > 0) v = std::min(v, at(x + 1, y - 1) + diagonal);
        }
    for (int y = band_height - 1; y >= 0; --y)
        for (int x = band_width - 1; x >= 0; --x) {
            float& v = at(x, y);
            if (x + 1 < band_width) v = std::min(v, at(x + 1, y) + straight);
            if (y + 1 < band_height) v = std::min(v, at(x, y + 1) + straight);
            if (x + 1 < band_width && y + 1 < band_height)
                v = std::min(v, at(x + 1, y + 1) + diagonal);
            if (x > 0 && y + 1 < band_height) v = std::min(v, at(x - 1, y + 1) + diagonal);
        }
    return d;
}

float smooth(float e0, float e1, float v)
{
    const float t = std::clamp((v - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3.0f - 2.0f * t);
}

// A small, fixed grain so large areas of one colour do not look flat.
float grain(int x, int y)
{
    uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65535.0f - 0.5f;
}

// Land in natural colours, from its latitude and how far inland it lies:
// ice at the poles and on Greenland, tundra and forest, the dry belts'
// deserts deep inside the continents, green tropics.
rgba natural_land(float lon, float lat, float inland_degrees)
{
    const float a = std::fabs(lat);
    const rgba tropic = rgb8(58, 112, 52), temperate = rgb8(98, 130, 70),
               boreal = rgb8(74, 100, 62), tundra = rgb8(140, 136, 108),
               desert = rgb8(206, 180, 128), ice = rgb8(238, 243, 248);
    rgba c = mix(tropic, temperate, smooth(18, 38, a));
    c = mix(c, boreal, smooth(48, 58, a));
    c = mix(c, tundra, smooth(62, 68, a));
    const float dry_belt = 1.0f - smooth(8, 16, std::fabs(a - 24.0f));
    c = mix(c, desert, dry_belt * smooth(2.0f, 7.0f, inland_degrees));
    const bool greenland = lon > -74 && lon < -11 && lat > 59;
    const float frozen = std::max({smooth(70, 76, lat), smooth(58, 63, -lat),
                                   greenland ? smooth(59, 62, lat) : 0.0f});
    return mix(c, ice, frozen);
}

rgba natural_sea(float offshore_pixels)
{
    return mix(rgb8(36, 78, 124), rgb8(18, 46, 86), smooth(0.0f, 2.5f, offshore_pixels));
}

void grid_lines(canvas& c, int band_top, const rgba& line)
{
    for (int y = 0; y < band_height; ++y)
        for (int x = 0; x < band_width; ++x)
            if (x % tile == 0 || y % tile == 0 || x == band_width - 1 || y == band_height - 1)
                c.blend(x, band_top + y, line, 1.0f);
}

}  // namespace

canvas draw_world_map(const std::vector<shore_segment>& shorelines)
{
    canvas c(band_width, 3 * band_height);
    const std::vector<float> land = land_coverage(shorelines, band_width, band_height);
    const std::vector<float> inland = distance_to_other(land, true);
    const std::vector<float> offshore = distance_to_other(land, false);
    const float degrees_per_pixel = 360.0f / band_width;

    const rgba grey_sea = rgb8(122, 127, 134), white_land = rgb8(250, 251, 252);
    for (int y = 0; y < band_height; ++y) {
        const float lat = 90.0f - (y + 0.5f) * degrees_per_pixel;
        for (int x = 0; x < band_width; ++x) {
            const float lon = -180.0f + (x + 0.5f) * degrees_per_pixel;
            const size_t i = size_t(y) * band_width + x;
            const float g = grain(x, y) * 0.05f;
            rgba earth = natural_land(lon, lat, inland[i] * degrees_per_pixel);
            earth = {earth.r + g, earth.g + g, earth.b + g, 1.0f};
            c.put(x, y, mix(natural_sea(offshore[i]), earth, land[i]));
            const rgba plain = mix(grey_sea, white_land, land[i]);
            c.put(x, band_height + y, plain);
            c.put(x, 2 * band_height + y, plain);
        }
    }
    grid_lines(c, 0, rgb8(255, 255, 255, 0.42f));
    // Mid grey, so the lines show on the white land and the grey sea alike.
    grid_lines(c, band_height, rgb8(176, 180, 186, 0.75f));
    return c;
}

}  // namespace art
