#include "pictograms.h"

#include <algorithm>
#include <cmath>

namespace art {

void arrow_head(canvas& c, point tip, float dx, float dy, float length, float half_width,
                const paint& p)
{
    const point base{tip.x - dx * length, tip.y - dy * length};
    fill_polygon(c,
                 {tip,
                  {base.x - dy * half_width, base.y + dx * half_width},
                  {base.x + dy * half_width, base.y - dx * half_width}},
                 p);
}

void outlined(canvas& c, const box& area, const rgba& fill, const rgba& outline,
              float thickness, const std::function<void(canvas&)>& draw)
{
    canvas mask(c.width(), c.height());
    mask.clip_to(area);
    draw(mask);
    const int w = area.x1 - area.x0, h = area.y1 - area.y0;
    const int reach = int(std::ceil(thickness));
    std::vector<float> grown(size_t(w) * h, 0.0f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float best = 0.0f;
            for (int j = -reach; j <= reach; ++j)
                for (int i = -reach; i <= reach; ++i) {
                    const int sx = x + i, sy = y + j;
                    if (sx < 0 || sy < 0 || sx >= w || sy >= h) continue;
                    const float near = std::clamp(thickness + 0.5f - std::hypot(float(i), float(j)),
                                                  0.0f, 1.0f);
                    best = std::max(best, near * mask.at(area.x0 + sx, area.y0 + sy).a);
                }
            grown[size_t(y) * w + x] = best;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            c.blend(area.x0 + x, area.y0 + y, outline, grown[size_t(y) * w + x]);
            c.blend(area.x0 + x, area.y0 + y, fill, mask.at(area.x0 + x, area.y0 + y).a);
        }
}

void arrow_line(canvas& c, point from, point to, float width, float head_length,
                float head_half_width, bool both, const paint& p)
{
    const float len = std::hypot(to.x - from.x, to.y - from.y);
    if (len <= 0) return;
    const float dx = (to.x - from.x) / len, dy = (to.y - from.y) / len;
    // The shaft stops inside the heads so their points stay sharp.
    const float inset = head_length * 0.6f;
    const point a{both ? from.x + dx * inset : from.x, both ? from.y + dy * inset : from.y};
    const point b{to.x - dx * inset, to.y - dy * inset};
    stroke_line(c, a, b, width, p);
    arrow_head(c, to, dx, dy, head_length, head_half_width, p);
    if (both) arrow_head(c, from, -dx, -dy, head_length, head_half_width, p);
}

void arrow_arc(canvas& c, float cx, float cy, float r, float a0, float a1, float width,
               float head_length, float head_half_width, bool both, const paint& p)
{
    // Leave room for the heads at the ends of the arc.
    const float trim = head_length * 0.6f / r * (a1 > a0 ? 1.0f : -1.0f);
    const float s0 = both ? a0 + trim : a0, s1 = a1 - trim;
    std::vector<point> arc;
    const int steps = 24;
    for (int i = 0; i <= steps; ++i) {
        const float a = s0 + (s1 - s0) * i / steps;
        arc.push_back({cx + r * std::cos(a), cy + r * std::sin(a)});
    }
    stroke_polyline(c, arc, width, p);
    const float turn = a1 > a0 ? 1.0f : -1.0f;
    const auto head_at = [&](float a, float sense) {
        // The tangent of the arc, pointing on in the arc's direction.
        const float tx = -std::sin(a) * turn * sense, ty = std::cos(a) * turn * sense;
        arrow_head(c, {cx + r * std::cos(a), cy + r * std::sin(a)}, tx, ty, head_length,
                   head_half_width, p);
    };
    head_at(a1, 1.0f);
    if (both) head_at(a0, -1.0f);
}

}  // namespace art
