// The one door to fixed-function GL state: fog, 2-D texturing per unit,
// lighting, blending and alpha test, depth test and depth writes.  A call
// touches GL only where the request differs from what it last set.
#pragma once

// The per-unit state arrays of graphics hold this many texture units;
// drivers may report more (image units), which are never addressed here.
constexpr int OGL_cached_units = 8;

// Codes: fog 0 on / 1 off; textures = number of units with 2-D texturing;
// lighting 2 on / 3 off; alpha 4 none, 5 blend, 6 alpha test, 7 both;
// depth test 8 on / 9 off; depth writes 10 on / 11 off.
void OGL_setstate(int fog, int tex, int lit, int alpha, int depth_read, int depth_write);

// Texture units last enabled; the texture loader overrides it for the
// length of one bind.
extern int num_units;
