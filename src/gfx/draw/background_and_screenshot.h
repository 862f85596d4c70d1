// Two whole-window services: the start-up picture drawn as a 4 x 4 mosaic
// of 512 x 512 textures (references 447 to 462), and numbered screenshots.
#pragma once

// The loaded picture's size in pixels and the colour that tints it.
extern int back_dx, back_dy, back_colr;

// Builds the mosaic from "Resources/bitmaps/intro.png"; only before the
// first window exists (current window -1).
void OGL_make_back_tex();
void OGL_plot_back_tex();

// Reads the centre of the screen (at most 2048 x 2048) into scratch_array
// as RGB, bottom row first; with `save` also writes "screenshot_N.png" in
// the working folder, N one past the last number taken or on disk.
void OGL_screenshot(int save);
