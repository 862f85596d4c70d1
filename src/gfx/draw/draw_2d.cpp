// Coloured and textured 2-D primitives.
//
// -- Colour rule ---
// -- Rectangles and lines ---
// -- Circles and arcs ---
// -- Textured quads ---

#include "gfx/draw/draw_2d.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "gfx/draw/colour_table.h"
#include "gfx/gl_state_cache.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/shared_buffers.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/window_link.h"

namespace {

// Every 2-D coordinate is relative to the current window's origin.
inline void vertex(float x, float y) { glVertex2f(x + ogl_win->origin_x, y + ogl_win->origin_y); }

void untextured_state() { OGL_setstate(1, 0, 3, 5, 9, 11); }

// A rectangle's corners from (x1, y1) round to (x2, y2), up the left side
// first, as every rectangle of the interface has always been wound.
void corners(GLenum mode, float x1, float y1, float x2, float y2)
{
    glBegin(mode);
    vertex(x1, y1);
    vertex(x1, y2);
    vertex(x2, y2);
    vertex(x2, y1);
    glEnd();
}

}  // namespace

// -- Colour rule ---

void OGL_set_colour(int colour, float alpha)
{
    float rgb[3] = {colr.colours[colour][0], colr.colours[colour][1], colr.colours[colour][2]};
    if (colour < 49) {
        rgb[0] *= colr.lights[0];
        rgb[1] *= colr.lights[2];
        rgb[2] *= colr.lights[4];
    }
    alpha *= ren.global_alpha;
    if (ren.green_only) {
        rgb[1] = std::clamp(rgb[0] + rgb[1] + rgb[2], 0.01f, 1.0f);
        rgb[0] = rgb[2] = 0;
    }
    // Opaque is said with an explicit alpha of 1: after a few translucent
    // quads Mesa's llvmpipe keeps the old alpha through glColor3fv, and a
    // live button drawn after a dimmed one came out dimmed too.
    glColor4f(rgb[0], rgb[1], rgb[2], alpha <= 0.99f ? alpha : 1.0f);
}

// -- Rectangles and lines ---

void OGL_fillrect(int colour, float alpha, float x, float y, float dx, float dy)
{
    untextured_state();
    OGL_set_colour(colour, alpha);
    corners(GL_QUADS, x, y, x + dx, y + dy);
}

void OGL_framerect(int colour, float alpha, float x, float y, float dx, float dy)
{
    untextured_state();
    OGL_set_colour(colour, alpha);
    // Half a pixel in, so the outline covers the pixels at the corners.
    x += 0.5f;
    y += 0.5f;
    corners(GL_LINE_LOOP, x, y, x + dx, y + dy);
}

void OGL_line(int colour, float alpha, float x1, float y1, float x2, float y2)
{
    untextured_state();
    OGL_set_colour(colour, alpha);
    glBegin(GL_LINES);
    vertex(x1 + 0.5f, y1 + 0.5f);
    vertex(x2 + 0.5f, y2 + 0.5f);
    glEnd();
}

void OGL_outline_rgba(float r, float g, float b, float a, float x1, float y1, float x2, float y2)
{
    untextured_state();
    glColor4f(r, g, b, a);
    glBegin(GL_LINE_LOOP);
    vertex(x1, y1);
    vertex(x2, y1);
    vertex(x2, y2);
    vertex(x1, y2);
    glEnd();
}

void OGL_grayrect(float x1, float y1, float x2, float y2, float alpha)
{
    untextured_state();
    OGL_set_colour(12, alpha);
    corners(GL_QUADS, x1, y1, x2, y2);
}

void OGL_plot_back_col()
{
    OGL_fillrect(37, 1.0f, -ogl_win->origin_x, -ogl_win->origin_y,
                 static_cast<float>(ogl_win->screen_width), static_cast<float>(ogl_win->screen_height));
}

// -- Circles and arcs ---

void OGL_fillcircle(int colour, float x, float y, float r)
{
    for (float d = -r; d <= r; d += 1.0f) {
        const float h = std::sqrt(std::max(r * r - d * d, 0.0f));
        OGL_line(colour, 1.0f, x - h, y + d, x + h, y + d);
    }
}

void OGL_framecircle(int colour, float x, float y, float r)
{
    OGL_setstate(1, 0, 3, 4, 9, 11);
    OGL_set_colour(colour, 1.0f);
    glBegin(GL_LINE_STRIP);
    for (int a = 0; a <= 360; a += 5) vertex(x + 0.5f + r * lookup_sin[a], y + 0.5f + r * lookup_cos[a]);
    glEnd();
}

void OGL_arc(int colour, float x, float y, float r1, float r2, float a1, float a2)
{
    untextured_state();
    OGL_set_colour(colour, 1.0f);
    glBegin(GL_QUAD_STRIP);
    for (float a = a1; a <= a2; a += 1.0f) {
        const float s = std::sin(a * 0.017453294f), c = std::cos(a * 0.017453294f);
        vertex(x + r1 * s, y + r1 * c);
        vertex(x + r2 * s, y + r2 * c);
    }
    glEnd();
}

// -- Textured quads ---

void OGL_2dquad(int tex_ref, int colour, float alpha, float x1, float y1, float s1, float t1,
                float x2, float y2, float s2, float t2, float x3, float y3, float s3, float t3,
                float x4, float y4, float s4, float t4, int units, int alpha_mode)
{
    OGL_setstate(1, units, 3, alpha_mode, 9, 11);
    if (tex_ref > 0) tman.bind_ref(tex_ref, 0, tex_ref == 438 ? 17 : 0);
    OGL_set_colour(colour, alpha);
    glBegin(GL_QUADS);
    glTexCoord2f(s1, t1);
    vertex(x1, y1);
    glTexCoord2f(s2, t2);
    vertex(x2, y2);
    glTexCoord2f(s3, t3);
    vertex(x3, y3);
    glTexCoord2f(s4, t4);
    vertex(x4, y4);
    glEnd();
}

// -- Quad arrays ---

namespace {

// x, y, s, t of every corner gathered since the last draw.
std::vector<float> quad_corners;

}  // namespace

void OGL_quad_array_add(float x1, float y1, float x2, float y2, float s1, float t1, float s2, float t2)
{
    const float corners[16] = {x1, y1, s1, t1, x1, y2, s1, t2, x2, y2, s2, t2, x2, y1, s2, t1};
    quad_corners.insert(quad_corners.end(), corners, corners + 16);
}

void OGL_quad_array_draw()
{
    if (quad_corners.empty()) return;
    // The arrays are switched on for this draw only: no other drawing of
    // the program uses client arrays, and none finds them left on.
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), quad_corners.data());
    glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), quad_corners.data() + 2);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(quad_corners.size() / 4));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    quad_corners.clear();
}

// -- Quad batches ---

void OGL_2dquad_batch_begin(int tex_ref, int alpha_mode)
{
    OGL_setstate(1, 1, 3, alpha_mode, 9, 11);
    if (tex_ref > 0) tman.bind_ref(tex_ref, 0, 0);
}

// A new colour applies to the quads after it: those before are drawn first.
void OGL_2dquad_batch_rgba(float r, float g, float b, float a)
{
    OGL_quad_array_draw();
    glColor4f(r, g, b, a);
}

void OGL_2dquad_batch_colour(int colour, float alpha)
{
    OGL_quad_array_draw();
    OGL_set_colour(colour, alpha);
}

void OGL_2dquad_batch_add(float x, float y, float dx, float dy, float s, float t, float ds, float dt)
{
    x += ogl_win->origin_x;
    y += ogl_win->origin_y;
    OGL_quad_array_add(x, y, x + dx, y + dy, s, t, s + ds, t + dt);
}

void OGL_2dquad_batch_end() { OGL_quad_array_draw(); }

void OGL_2dquad_d(int tex_ref, int colour, float alpha, float x, float y, float s, float t, float dx,
                  float dy, float ds, float dt, int alpha_mode)
{
    OGL_2dquad_batch_begin(tex_ref, alpha_mode);
    OGL_set_colour(colour, alpha);
    OGL_2dquad_batch_add(x, y, dx, dy, s, t, ds, dt);
    OGL_2dquad_batch_end();
}
