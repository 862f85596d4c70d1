// Anti-aliased shapes on a canvas.  Coordinates are floats in pixels, x to
// the right and y downwards from the canvas's top-left corner; pixel (i, j)
// is the square from (i, j) to (i + 1, j + 1).
//
// Round shapes are drawn from signed distances (coverage is how far the
// pixel centre lies inside, clamped to one pixel); polygons are scan
// converted with several sub-rows per pixel and exact horizontal coverage,
// which is also how the world map's coastlines are filled.
#pragma once

#include <functional>
#include <vector>

#include "canvas.h"

namespace art {

struct point {
    float x, y;
};

// The colour a shape takes at a point: solid, or any gradient.
using paint = std::function<rgba(float x, float y)>;
paint solid(const rgba& c);
// From `top` at y0 to `bottom` at y1, held beyond both.
paint vertical_gradient(const rgba& top, const rgba& bottom, float y0, float y1);

// -- Signed-distance shapes ---------------------------------------------------

// Distance from (x, y) to the rounded rectangle's edge: negative inside.
float rounded_rect_distance(float x, float y, float x0, float y0, float x1, float y1,
                            float radius);

void fill_rounded_rect(canvas& c, float x0, float y0, float x1, float y1, float radius,
                       const paint& p);
// A band `width` wide just inside the rounded rectangle's edge.
void stroke_rounded_rect(canvas& c, float x0, float y0, float x1, float y1, float radius,
                         float width, const paint& p);
// A shadow that fades out over `blur` pixels around the rounded rectangle.
void soft_shadow(canvas& c, float x0, float y0, float x1, float y1, float radius, float blur,
                 float opacity);
void fill_circle(canvas& c, float cx, float cy, float r, const paint& p);
void stroke_circle(canvas& c, float cx, float cy, float r, float width, const paint& p);
// A line with round ends.
void stroke_line(canvas& c, point a, point b, float width, const paint& p);
void stroke_polyline(canvas& c, const std::vector<point>& points, float width, const paint& p);

// -- Polygons -----------------------------------------------------------------

struct edge {
    float x0, y0, x1, y1;
};

enum class fill_rule { even_odd, non_zero };

// Coverage (0 to 1) of every pixel of a width x height grid by the region
// the edges enclose.  The edges need not be ordered or joined into rings:
// only the crossings of each sub-row count.
std::vector<float> polygon_coverage(const std::vector<edge>& edges, int width, int height,
                                    fill_rule rule, int sub_rows = 5);

// The closed ring through the points.
std::vector<edge> ring_edges(const std::vector<point>& points);

void fill_polygon(canvas& c, const std::vector<point>& points, const paint& p);
void fill_edges(canvas& c, const std::vector<edge>& edges, const paint& p,
                fill_rule rule = fill_rule::non_zero);

}  // namespace art
