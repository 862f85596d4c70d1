#include "shapes.h"

#include <algorithm>
#include <cmath>

namespace art {

paint solid(const rgba& c)
{
    return [c](float, float) { return c; };
}

paint vertical_gradient(const rgba& top, const rgba& bottom, float y0, float y1)
{
    return [=](float, float y) {
        const float t = y1 > y0 ? std::clamp((y - y0) / (y1 - y0), 0.0f, 1.0f) : 0.0f;
        return mix(top, bottom, t);
    };
}

// -- Signed-distance shapes ---------------------------------------------------

namespace {

// Paints every pixel of the box around a shape with the coverage that
// `coverage_at` gives for the pixel's centre.
template <class Coverage>
void paint_area(canvas& c, float x0, float y0, float x1, float y1, const paint& p,
                Coverage coverage_at)
{
    const int i0 = std::max(int(std::floor(x0)) - 1, c.clip().x0);
    const int j0 = std::max(int(std::floor(y0)) - 1, c.clip().y0);
    const int i1 = std::min(int(std::ceil(x1)) + 1, c.clip().x1);
    const int j1 = std::min(int(std::ceil(y1)) + 1, c.clip().y1);
    for (int j = j0; j < j1; ++j) {
        for (int i = i0; i < i1; ++i) {
            const float px = i + 0.5f, py = j + 0.5f;
            const float cover = coverage_at(px, py);
            if (cover > 0.0f) c.blend(i, j, p(px, py), cover);
        }
    }
}

float inside(float distance) { return std::clamp(0.5f - distance, 0.0f, 1.0f); }

float segment_distance(float x, float y, point a, point b)
{
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    const float t = len2 > 0 ? std::clamp(((x - a.x) * dx + (y - a.y) * dy) / len2, 0.0f, 1.0f)
                             : 0.0f;
    return std::hypot(x - (a.x + t * dx), y - (a.y + t * dy));
}

}  // namespace

float rounded_rect_distance(float x, float y, float x0, float y0, float x1, float y1,
                            float radius)
{
    const float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    const float hx = (x1 - x0) * 0.5f - radius, hy = (y1 - y0) * 0.5f - radius;
    const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

void fill_rounded_rect(canvas& c, float x0, float y0, float x1, float y1, float radius,
                       const paint& p)
{
    paint_area(c, x0, y0, x1, y1, p, [&](float x, float y) {
        return inside(rounded_rect_distance(x, y, x0, y0, x1, y1, radius));
    });
}

void stroke_rounded_rect(canvas& c, float x0, float y0, float x1, float y1, float radius,
                         float width, const paint& p)
{
    paint_area(c, x0, y0, x1, y1, p, [&](float x, float y) {
        const float d = rounded_rect_distance(x, y, x0, y0, x1, y1, radius);
        return std::min(inside(d), inside(-d - width));
    });
}

void soft_shadow(canvas& c, float x0, float y0, float x1, float y1, float radius, float blur,
                 float opacity)
{
    const paint black = solid({0, 0, 0, opacity});
    paint_area(c, x0 - blur, y0 - blur, x1 + blur, y1 + blur, black, [&](float x, float y) {
        const float d = rounded_rect_distance(x, y, x0, y0, x1, y1, radius);
        const float t = std::clamp(1.0f - d / blur, 0.0f, 1.0f);
        return t * t * (3.0f - 2.0f * t);
    });
}

void fill_circle(canvas& c, float cx, float cy, float r, const paint& p)
{
    paint_area(c, cx - r, cy - r, cx + r, cy + r, p,
               [&](float x, float y) { return inside(std::hypot(x - cx, y - cy) - r); });
}

void stroke_circle(canvas& c, float cx, float cy, float r, float width, const paint& p)
{
    paint_area(c, cx - r, cy - r, cx + r, cy + r, p, [&](float x, float y) {
        const float d = std::hypot(x - cx, y - cy) - r;
        return std::min(inside(d), inside(-d - width));
    });
}

void stroke_line(canvas& c, point a, point b, float width, const paint& p)
{
    const float h = width * 0.5f;
    paint_area(c, std::min(a.x, b.x) - h, std::min(a.y, b.y) - h, std::max(a.x, b.x) + h,
               std::max(a.y, b.y) + h, p,
               [&](float x, float y) { return inside(segment_distance(x, y, a, b) - h); });
}

void stroke_polyline(canvas& c, const std::vector<point>& points, float width, const paint& p)
{
    if (points.size() < 2) return;
    float x0 = points[0].x, y0 = points[0].y, x1 = x0, y1 = y0;
    for (const point& q : points) {
        x0 = std::min(x0, q.x), y0 = std::min(y0, q.y);
        x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
    }
    const float h = width * 0.5f;
    // One pass over the nearest segment, so joints are not painted twice.
    paint_area(c, x0 - h, y0 - h, x1 + h, y1 + h, p, [&](float x, float y) {
        float d = 1e9f;
        for (size_t i = 1; i < points.size(); ++i)
            d = std::min(d, segment_distance(x, y, points[i - 1], points[i]));
        return inside(d - h);
    });
}

// -- Polygons -----------------------------------------------------------------

std::vector<float> polygon_coverage(const std::vector<edge>& edges, int width, int height,
                                    fill_rule rule, int sub_rows)
{
    std::vector<float> coverage(size_t(width) * height, 0.0f);
    // Edges sorted by their top, so each sub-row only walks those it may
    // cross; each keeps the direction it had, which the non-zero rule needs.
    struct oriented {
        edge e;
        int wind;
    };
    std::vector<oriented> list;
    list.reserve(edges.size());
    for (const edge& e : edges) {
        if (e.y0 == e.y1) continue;  // a horizontal edge crosses no row
        list.push_back(e.y0 < e.y1 ? oriented{e, 1} : oriented{{e.x1, e.y1, e.x0, e.y0}, -1});
    }
    std::sort(list.begin(), list.end(),
              [](const oriented& a, const oriented& b) { return a.e.y0 < b.e.y0; });

    std::vector<const oriented*> active;
    std::vector<std::pair<float, int>> crossings;
    size_t next = 0;
    const float weight = 1.0f / sub_rows;
    for (int row = 0; row < height; ++row) {
        float* out = &coverage[size_t(row) * width];
        for (int k = 0; k < sub_rows; ++k) {
            const float y = row + (k + 0.5f) * weight;
            while (next < list.size() && list[next].e.y0 <= y) active.push_back(&list[next++]);
            active.erase(std::remove_if(active.begin(), active.end(),
                                        [y](const oriented* o) { return o->e.y1 <= y; }),
                         active.end());
            crossings.clear();
            for (const oriented* o : active) {
                const edge& e = o->e;
                const float t = (y - e.y0) / (e.y1 - e.y0);
                crossings.push_back({e.x0 + t * (e.x1 - e.x0), o->wind});
            }
            std::sort(crossings.begin(), crossings.end());
            int winding = 0;
            for (size_t i = 0; i + 1 < crossings.size(); ++i) {
                winding += rule == fill_rule::even_odd ? 1 : crossings[i].second;
                const bool filled = rule == fill_rule::even_odd ? (winding & 1) : winding != 0;
                if (!filled) continue;
                // Exact coverage of the span [a, b) on this sub-row.
                const float a = std::clamp(crossings[i].first, 0.0f, float(width));
                const float b = std::clamp(crossings[i + 1].first, 0.0f, float(width));
                if (b <= a) continue;
                const int ia = int(a), ib = int(b);
                if (ia == ib) {
                    out[std::min(ia, width - 1)] += (b - a) * weight;
                    continue;
                }
                out[ia] += (ia + 1 - a) * weight;
                for (int x = ia + 1; x < ib; ++x) out[x] += weight;
                if (ib < width) out[ib] += (b - ib) * weight;
            }
        }
    }
    for (float& v : coverage) v = std::min(v, 1.0f);
    return coverage;
}

std::vector<edge> ring_edges(const std::vector<point>& points)
{
    std::vector<edge> edges;
    for (size_t i = 0; i < points.size(); ++i) {
        const point& a = points[i];
        const point& b = points[(i + 1) % points.size()];
        edges.push_back({a.x, a.y, b.x, b.y});
    }
    return edges;
}

void fill_edges(canvas& c, const std::vector<edge>& edges, const paint& p, fill_rule rule)
{
    if (edges.empty()) return;
    float x0 = edges[0].x0, y0 = edges[0].y0, x1 = x0, y1 = y0;
    for (const edge& e : edges) {
        x0 = std::min({x0, e.x0, e.x1}), x1 = std::max({x1, e.x0, e.x1});
        y0 = std::min({y0, e.y0, e.y1}), y1 = std::max({y1, e.y0, e.y1});
    }
    // Work in a small grid around the shape rather than the whole canvas.
    const int ox = std::max(int(std::floor(x0)), c.clip().x0);
    const int oy = std::max(int(std::floor(y0)), c.clip().y0);
    const int w = std::min(int(std::ceil(x1)), c.clip().x1) - ox;
    const int h = std::min(int(std::ceil(y1)), c.clip().y1) - oy;
    if (w <= 0 || h <= 0) return;
    std::vector<edge> local;
    local.reserve(edges.size());
    for (const edge& e : edges) local.push_back({e.x0 - ox, e.y0 - oy, e.x1 - ox, e.y1 - oy});
    const std::vector<float> cover = polygon_coverage(local, w, h, rule);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (const float v = cover[size_t(j) * w + i]; v > 0.0f)
                c.blend(ox + i, oy + j, p(ox + i + 0.5f, oy + j + 0.5f), v);
}

void fill_polygon(canvas& c, const std::vector<point>& points, const paint& p)
{
    fill_edges(c, ring_edges(points), p);
}

}  // namespace art
