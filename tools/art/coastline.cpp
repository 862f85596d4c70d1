#include "coastline.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace art {

bool parse_shorelines(const std::string& text, std::vector<shore_segment>& segments,
                      std::string& error)
{
    segments.clear();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '>') {
            segments.emplace_back();
            continue;
        }
        const char* p = line.c_str();
        char* end = nullptr;
        const double lon = std::strtod(p, &end);
        const bool lon_ok = end != p;
        p = end;
        const double lat = std::strtod(p, &end);
        if (!lon_ok || end == p || segments.empty() || !std::isfinite(lon) ||
            !std::isfinite(lat) || std::fabs(lat) > 90.0 || std::fabs(lon) > 360.0) {
            error = "line " + std::to_string(number) + " is no shoreline point: " + line;
            return false;
        }
        segments.back().push_back({lon, lat});
    }
    segments.erase(std::remove_if(segments.begin(), segments.end(),
                                  [](const shore_segment& s) { return s.size() < 2; }),
                   segments.end());
    if (segments.empty()) {
        error = "no shoreline segment in the dump";
        return false;
    }
    return true;
}

namespace {

bool on_date_line(double lon) { return std::fabs(std::fabs(lon) - 180.0) < 1e-6; }

}  // namespace

std::vector<float> land_coverage(const std::vector<shore_segment>& segments, int width,
                                 int height)
{
    const auto x_of = [&](double lon) { return float((lon + 180.0) / 360.0 * width); };
    const auto y_of = [&](double lat) { return float((90.0 - lat) / 180.0 * height); };

    std::vector<edge> edges;
    std::vector<double> crossings;  // latitudes where a shoreline meets the date line
    for (const shore_segment& s : segments) {
        for (size_t i = 1; i < s.size(); ++i)
            edges.push_back({x_of(s[i - 1].lon), y_of(s[i - 1].lat), x_of(s[i].lon),
                             y_of(s[i].lat)});
        // A crossing ends one piece at one side of the date line and starts
        // the next at the other: count it at the western side only.
        for (const geo_point& end : {s.front(), s.back()})
            if (on_date_line(end.lon) && end.lon < 0) crossings.push_back(end.lat);
    }
    std::sort(crossings.begin(), crossings.end());
    // The north pole lies at sea, so an odd count means the land reaches
    // the south pole below the lowest crossing.
    if (crossings.size() % 2) crossings.insert(crossings.begin(), -90.0);
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
        const float y0 = y_of(crossings[i]), y1 = y_of(crossings[i + 1]);
        edges.push_back({0.0f, y0, 0.0f, y1});
        edges.push_back({float(width), y0, float(width), y1});
    }
    return polygon_coverage(edges, width, height, fill_rule::even_odd, 6);
}

}  // namespace art
