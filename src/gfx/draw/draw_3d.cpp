// The spectrum colour, blend and lighting helpers, and the 3-D shapes kept
// for drawing in a perspective view.

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "gfx/draw/draw_2d.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/shared_buffers.h"

namespace {

const float col_r[7] = {0.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f, 0.8f};
const float col_g[7] = {0.0f, 0.0f, 0.32f, 1.0f, 1.0f, 0.0f, 0.0f};
const float col_b[7] = {0.0f, 0.0f, 0.08f, 0.0f, 0.0f, 1.0f, 0.8f};

const float st11[2] = {1, 1}, st10[2] = {1, 0}, st00[2] = {0, 0}, st01[2] = {0, 1};

void quad_normal(const float* p0, const float* p1, const float* p2)
{
    const float a[3] = {p2[0] - p1[0], p2[1] - p1[1], p2[2] - p1[2]};
    const float b[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float n[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (len == 0)
        glNormal3f(0, 1, 0);
    else
        glNormal3f(n[0] / len, n[1] / len, n[2] / len);
}

}  // namespace

void OGL_spectrum_rgb(float v)
{
    float r, g, b;
    if (v < 0) {
        r = col_r[0], g = col_g[0], b = col_b[0];
    } else if (v > 1) {
        r = col_r[6], g = col_g[6], b = col_b[6];
    } else {
        static const float thresholds[5] = {0.16666667f, 0.33333334f, 0.5f, 0.6666667f, 0.8333333f};
        int k = 0;
        while (k < 5 && v >= thresholds[k]) ++k;
        const float w = (v - k / 6.0f) * 6.0f;
        r = col_r[k] * (1 - w) + col_r[k + 1] * w;
        g = col_g[k] * (1 - w) + col_g[k + 1] * w;
        b = col_b[k] * (1 - w) + col_b[k + 1] * w;
    }
    if (ren.green_only) {
        g = std::clamp(r + g + b, 0.01f, 1.0f);
        r = b = 0;
    }
    glColor4f(r, g, b, ren.global_alpha);
}

void OGL_nrml_colors() { glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }

void OGL_glow_colors() { glBlendFunc(GL_SRC_ALPHA, GL_ONE); }

void OGL_poly_offset(int n)
{
    if (n) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(n * -10.0f, -1.0f);
    } else {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
}

void OGL_setspec(float k)
{
    const float specular[4] = {k, k, k, 1.0f};
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialf(GL_FRONT, GL_SHININESS, 128);
}

void OGL_3dline(float x1, float y1, float z1, float x2, float y2, float z2)
{
    glVertex3f(x1, y1, z1);
    glVertex3f(x2, y2, z2);
}

void OGL_3dquad(float* p0, float* p1, float* p2, float* p3)
{
    quad_normal(p0, p1, p2);
    glTexCoord2fv(st11);
    glVertex3fv(p0);
    glTexCoord2fv(st10);
    glVertex3fv(p1);
    glTexCoord2fv(st00);
    glVertex3fv(p2);
    glTexCoord2fv(st01);
    glVertex3fv(p3);
}

void OGL_3dquad_st(float* p0, float* p1, float* p2, float* p3, float s1, float t1, float s2, float t2)
{
    quad_normal(p0, p1, p2);
    glTexCoord2f(s1, t1);
    glVertex3fv(p0);
    glTexCoord2f(s1, t2);
    glVertex3fv(p1);
    glTexCoord2f(s2, t2);
    glVertex3fv(p2);
    glTexCoord2f(s2, t1);
    glVertex3fv(p3);
}

void OGL_cube(float x, float y, float z, float dx, float dy, float dz, float s1, float s2, float t1,
              float t2)
{
    glPushMatrix();
    glTranslatef(x, y, z);
    const float hx = dx * 0.5f, hz = dz * 0.5f;
    // Five (top, base) pairs walk round the sides back to the start.
    const float corners[5][2] = {{-hx, -hz}, {hx, -hz}, {hx, hz}, {-hx, hz}, {-hx, -hz}};
    const float normals[5][3] = {{0, 0, -1}, {0, 0, -1}, {1, 0, 0}, {0, 0, 1}, {-1, 0, 0}};
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i < 5; ++i) {
        const float s = i % 2 ? s2 : s1;
        glNormal3fv(normals[i]);
        glTexCoord2f(s, t2);
        glVertex3f(corners[i][0], dy, corners[i][1]);
        glTexCoord2f(s, t1);
        glVertex3f(corners[i][0], 0, corners[i][1]);
    }
    glEnd();
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 0);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(i == 0 || i == 3 ? s1 : s2, t2);
        glVertex3f(corners[i][0], dy, corners[i][1]);
    }
    glNormal3f(0, -1, 0);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(i == 0 || i == 3 ? s1 : s2, t1);
        glVertex3f(corners[i][0], 0, corners[i][1]);
    }
    glEnd();
    glPopMatrix();
}

void OGL_disc(float x, float y, float z, float r)
{
    glPushMatrix();
    glTranslatef(x, y, z);
    const float w = 0.38f * r;
    auto ring = [](float px, float radius, int a) {
        glVertex3f(px, radius * lookup_cos[a], -radius * lookup_sin[a]);
    };
    for (float face : {-1.0f, 1.0f}) {
        glBegin(GL_TRIANGLE_FAN);
        glNormal3f(face, 0, 0);
        glVertex3f(face * r, 0, 0);
        for (int a = 0; a <= 360; a += 30) ring(face * r, w, face < 0 ? 360 - a : a);
        glEnd();
    }
    // Chamfer, rim, chamfer: (x, radius) pairs of the rings each strip joins.
    const float strips[3][4] = {{-r, w, -w, r}, {-w, r, w, r}, {w, r, r, w}};
    for (const auto& s : strips) {
        glBegin(GL_QUAD_STRIP);
        for (int a = 0; a <= 360; a += 30) {
            const float nx = s[2] - s[0] == 0 ? 0 : (s[1] - s[3]) / (s[2] - s[0]);
            glNormal3f(nx, lookup_cos[a], -lookup_sin[a]);
            ring(s[0], s[1], a);
            ring(s[2], s[3], a);
        }
        glEnd();
    }
    glPopMatrix();
}

void OGL_printer() {}

void GOL_set_back_tex_lighting() {}
