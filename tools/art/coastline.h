// The world's shorelines, read from the text dump of GMT's coastline tool
// ("gmt coast -Rd -W -M": segments headed by '>' lines, one "longitude
// latitude" pair a line), and filled as land on an equirectangular grid.
#pragma once

#include <string>
#include <vector>

#include "shapes.h"

namespace art {

struct geo_point {
    double lon, lat;
};
using shore_segment = std::vector<geo_point>;

// false, with `error` saying what and where, when the text is not such a
// dump or holds no segment at all.
bool parse_shorelines(const std::string& text, std::vector<shore_segment>& segments,
                      std::string& error);

// Land coverage (0 to 1) of a width x height grid spanning longitude -180
// at the left edge to 180 at the right and latitude 90 at the top to -90 at
// the bottom, row by row from the top.
//
// The dump cuts the shorelines into pieces at its bins, but the pieces
// join into closed rings, so counting the crossings of every piece fills
// the land without joining them.  Two things the rings do not say on a
// flat map: where land runs across the date line (the crossing latitudes
// on it pair up into stretches of land) and the land around the south
// pole, which the polar continent's ring circles instead of enclosing.
std::vector<float> land_coverage(const std::vector<shore_segment>& segments, int width,
                                 int height);

}  // namespace art
