// Small drawn symbols shared by the sheets: arrow heads, outlined shapes
// for the mouse cursors, and the file-kind icons.
#pragma once

#include <functional>
#include <vector>

#include "shapes.h"

namespace art {

// A filled triangle pointing at `tip` along the unit direction (dx, dy).
void arrow_head(canvas& c, point tip, float dx, float dy, float length, float half_width,
                const paint& p);

// Draws the shape that `draw` paints (in any colour; only its coverage
// counts) in `fill` with an outline `thickness` wide in `outline` around it,
// inside the box.  The mouse shapes are drawn so, to show on any background.
void outlined(canvas& c, const box& area, const rgba& fill, const rgba& outline,
              float thickness, const std::function<void(canvas&)>& draw);

// A line with an arrow head at its end, and at its start when `both`.
void arrow_line(canvas& c, point from, point to, float width, float head_length,
                float head_half_width, bool both, const paint& p);
// An arc around (cx, cy) from angle a0 to a1 (radians, y downwards) with a
// head at the a1 end, and at the a0 end when `both`.
void arrow_arc(canvas& c, float cx, float cy, float r, float a0, float a1, float width,
               float head_length, float head_half_width, bool both, const paint& p);

}  // namespace art
