// Immediate-mode drawing: rectangles, lines, circles, arcs, textured quads,
// the background clear, scissors, viewport and projection set-up, the
// buffer swap, and a few 3-D helpers.
//
// Coordinates are interface units from the drawing origin of the current
// window, y up.  A colour is an index into `colr`; an alpha is multiplied by
// the global alpha of `ren`.  Each primitive sets the GL state it needs
// through OGL_setstate.
#pragma once

// Sets the current colour from index `colour` by the rule every primitive
// follows: light levels for indices up to 48, the global alpha, green-only.
void OGL_set_colour(int colour, float alpha);

void OGL_fillrect(int colour, float alpha, float x, float y, float dx, float dy);
void OGL_framerect(int colour, float alpha, float x, float y, float dx, float dy);
void OGL_line(int colour, float alpha, float x1, float y1, float x2, float y2);
// Corners, not a size; always colour 12.
void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha);
void OGL_fillcircle(int colour, float x, float y, float r);
void OGL_framecircle(int colour, float x, float y, float r);
// Angles in degrees, 0 up, clockwise.
void OGL_arc(int colour, float x, float y, float r1, float r2, float a1, float a2);
// Fills the whole screen in colour 37, whatever the window's origin.
void OGL_plot_back_col();

void OGL_2dquad(int tex_ref, int colour, float alpha, float x1, float y1, float s1, float t1,
                float x2, float y2, float s2, float t2, float x3, float y3, float s3, float t3,
                float x4, float y4, float s4, float t4, int units, int alpha_mode);
void OGL_2dquad_d(int tex_ref, int colour, float alpha, float x, float y, float s, float t, float dx,
                  float dy, float ds, float dt, int alpha_mode);

// -- Quad arrays: quads gathered and drawn with one call, in the colour,
// texture and state current at the draw.  A panel tiled from small sheet
// pieces sends thousands of quads a frame, and a call per corner was most
// of the idle frame's processor time under a software GL.  Main thread
// only; the corners live in one buffer reused frame after frame.
//
// Screen x1..x2, y1..y2 (already from the window's origin), texture s1..s2,
// t1..t2: corners lower-left, upper-left, upper-right, lower-right.
void OGL_quad_array_add(float x1, float y1, float x2, float y2, float s1, float t1, float s2, float t2);
// Draws the quads added since the last draw as GL_QUADS and forgets them.
void OGL_quad_array_draw();

// -- Quad batches: one bind and one draw for a picture cut into many
// tiles.  Between begin and end only colour and quad calls are allowed.
void OGL_2dquad_batch_begin(int tex_ref, int alpha_mode);
// A colour taken as it stands, outside the colour rule and the global
// alpha: for pictures that must look the same whatever the fade.
void OGL_2dquad_batch_rgba(float r, float g, float b, float a);
// A colour by the colour rule, as every primitive applies it.
void OGL_2dquad_batch_colour(int colour, float alpha);
void OGL_2dquad_batch_add(float x, float y, float dx, float dy, float s, float t, float ds, float dt);
void OGL_2dquad_batch_end();

// The outline through (x1, y1), (x2, y1), (x2, y2), (x1, y2) in a colour
// taken as it stands.
void OGL_outline_rgba(float r, float g, float b, float a, float x1, float y1, float x2, float y2);

void OGL_scissors(float x, float y, float dx, float dy);
void OGL_scissors_end();

// Mode 2: 2-D over the whole window (only zoom and fix_aspect count);
// mode 3: perspective with slopes l, b, r, t at unit distance.
void OGL_viewport(int mode, float l, float vl, float b, float vb, float r, float vr, float near,
                  float t, float vt, float far, float zoom, int fix_aspect);
void OGL_screensize(int mode, float l, float b, float r, float t);
// Lays out the main window from the screen size; sets the 2-D view when a
// window is current.
void OGL_pix_specs(int);
// Ends a frame: swaps the main window's buffers.
void OGL_sbuff();

// Black, red, orange, yellow, green, blue, violet over 0..1.
void OGL_spectrum_rgb(float v);
void OGL_nrml_colors();
void OGL_glow_colors();
void OGL_poly_offset(int n);
void OGL_setspec(float k);

// 3-D helpers: drawn in the current model view, no state or colour set.
void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2);
void OGL_3dquad(float* p0, float* p1, float* p2, float* p3);
void OGL_3dquad_st(float* p0, float* p1, float* p2, float* p3, float s1, float t1, float s2, float t2);
void OGL_cube(float x, float y, float z, float dx, float dy, float dz, float s1, float s2, float t1,
              float t2);
void OGL_disc(float x, float y, float z, float r);

void OGL_printer();
void GOL_set_back_tex_lighting();
