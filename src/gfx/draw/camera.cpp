#include "gfx/draw/camera.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/diag/stats_registry.h"
#include "gfx/draw/matrix_utils.h"
#include "gfx/window_link.h"

UTL_stat gKillCull("perf/kill_cull", 4, 0);
UTL_stat gKillClip("perf/kill_clip", 4, 0);
UTL_stat gExtraNear("shadow/extra_near", 4, 0);

xcam_class xcam;

namespace {

double length(const double* v) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void normalise(double* v)
{
    const double len = length(v);
    if (len > 0)
        for (int i = 0; i < 3; ++i) v[i] /= len;
}

void cross(double* out, const double* a, const double* b)
{
    const double r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
    std::memcpy(out, r, sizeof r);
}

// (x, y, z, 1) through m, divided by w when w is not 0.
void transform_point(const double* m, const double* p, double* out)
{
    double r[4];
    for (int i = 0; i < 4; ++i) r[i] = m[i] * p[0] + m[4 + i] * p[1] + m[8 + i] * p[2] + m[12 + i];
    const double w = r[3] != 0 ? r[3] : 1;
    for (int i = 0; i < 3; ++i) out[i] = r[i] / w;
}

// The central tenth of a range, for the kill switches.
void narrow(double& lo, double& hi)
{
    const double l = lo + 0.45 * (hi - lo), h = lo + 0.55 * (hi - lo);
    const double mn = std::min(lo, hi), mx = std::max(lo, hi);
    lo = std::clamp(l, mn, mx);
    hi = std::clamp(h, mn, mx);
}

}  // namespace

xcam_class::xcam_class()
{
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    setIdentityMatrix(projection);
    setIdentityMatrix(modelview);
    ortho = 1;
    reload_view = 1;
}

xcam_class::xcam_class(xcam_class* other) { *this = *other; }

void xcam_class::Identity() { setIdentityMatrix(modelview); }

void xcam_class::Rotate(double angle, double x, double y, double z) { applyRotation(modelview, angle, x, y, z); }

void xcam_class::Translate(double x, double y, double z) { applyTranslation(modelview, x, y, z); }

void xcam_class::LookAtPtFromPt(double ex, double ey, double ez, double tx, double ty, double tz,
                                double ux, double uy, double uz)
{
    buildLookAtMatrix(modelview, ex, ey, ez, tx, ty, tz, ux, uy, uz);
}

void xcam_class::LookAtPtFromDir(double x, double y, double z, double heading, double pitch, double dist)
{
    const double h = heading * 0.017453292519943295, p = pitch * 0.017453292519943295;
    buildLookAtMatrix(modelview, x + std::cos(h) * std::cos(p) * dist, y + std::sin(p) * dist,
                      z + std::sin(h) * std::cos(p) * dist, x, y, z, 0, 1, 0);
}

void xcam_class::SetupOrtho(double l, double r, double b, double t, double n, double f)
{
    ortho = 1;
    buildOrthoMatrix(projection, l, r, b, t, n, f);
    ortho_top = t;
    ortho_left = l;
    ortho_right = r;
    ortho_bottom = b;
    near_z = -n;
    far_z = fake_far_z = -f;
}

void xcam_class::SetupFrustum(double l, double r, double b, double t, double n, double f)
{
    ortho = 0;
    double pl = l, pr = r, pb = b, pt = t;
    if (gKillClip.value != 0) {
        narrow(pl, pr);
        narrow(pb, pt);
    }
    buildFrustumMatrix(projection, pl, pr, pb, pt, n, f);

    double cl = l, cr = r, cb = b, ct = t;
    if (gKillCull.value != 0) {
        narrow(cl, cr);
        narrow(cb, ct);
    }
    double A[3] = {cl, ct, -n}, B[3] = {cr, ct, -n}, C[3] = {cl, cb, -n}, D[3] = {cr, cb, -n};
    for (double* v : {A, B, C, D}) normalise(v);
    cross(cull_planes[0], A, B);
    cross(cull_planes[1], C, A);
    cross(cull_planes[2], B, D);
    cross(cull_planes[3], D, C);
    for (auto& plane : cull_planes) normalise(plane);
    near_z = -n;
    far_z = fake_far_z = -f;
}

void xcam_class::SetupPerspective(double fovy, double aspect, double n, double f)
{
    const double h = std::tan(fovy * 0.008726646259971648) * n;
    SetupFrustum(-h * aspect, h * aspect, -h, h, n, f);
}

void xcam_class::SetFakeFarClippingPlane(double d) { fake_far_z = std::max(-d, far_z); }

void xcam_class::ResetFakeFarClippingPlane() { fake_far_z = far_z; }

int xcam_class::GetFOVHalfCosines(float* h, float* v)
{
    if (ortho) return 0;
    if (h) *h = static_cast<float>((cull_planes[1][0] - cull_planes[2][0]) * 0.5);
    if (v) *v = static_cast<float>((cull_planes[3][1] - cull_planes[0][1]) * 0.5);
    return 1;
}

// Someone may have drawn with GL's own matrix since the camera last set it.
static void reload_if_asked(xcam_class& cam)
{
    if (cam.reload_view) {
        cam.reload_view = 0;
        glGetDoublev(GL_MODELVIEW_MATRIX, cam.modelview);
    }
}

void xcam_class::CalcUp(double* up)
{
    reload_if_asked(*this);
    const double* V = modelview;
    up[0] = V[1] + V[3];
    up[1] = V[5] + V[7];
    up[2] = V[9] + V[11];
    normalise(up);
}

void xcam_class::CalcDirection(double* dir)
{
    reload_if_asked(*this);
    const double* V = modelview;
    dir[0] = V[3] - V[2];
    dir[1] = V[7] - V[6];
    dir[2] = V[11] - V[10];
    normalise(dir);
}

void xcam_class::CalcRight(double* right)
{
    double dir[3], up[3];
    CalcDirection(dir);
    CalcUp(up);
    cross(right, dir, up);
}

void xcam_class::CalcBillboardCamera(float* right, float* up)
{
    double u[3], dir[3], r[3];
    CalcUp(u);
    CalcDirection(dir);
    cross(r, dir, u);
    normalise(r);
    for (int i = 0; i < 3; ++i) {
        right[i] = static_cast<float>(r[i]);
        up[i] = static_cast<float>(u[i]);
    }
}

void xcam_class::CalcBillboardGround(float* right, float* up)
{
    double dir[3];
    CalcDirection(dir);
    double r[3] = {-dir[2], 0, dir[0]};
    normalise(r);
    double u[3];
    cross(u, r, dir);
    normalise(u);
    for (int i = 0; i < 3; ++i) {
        right[i] = static_cast<float>(r[i]);
        up[i] = static_cast<float>(u[i]);
    }
}

void xcam_class::mtr_to_pix(double* p, double* pix)
{
    double m[16];
    multMatrices(m, projection, modelview);
    double c[4];
    for (int i = 0; i < 4; ++i) c[i] = m[i] * p[0] + m[4 + i] * p[1] + m[8 + i] * p[2] + m[12 + i];
    const double x = c[3] != 0 ? c[0] / c[3] : c[0];
    const double y = c[3] != 0 ? c[1] / c[3] : c[1];
    GLfloat vp[4];
    glGetFloatv(GL_VIEWPORT, vp);
    const double k = ogl_win->ui_scale;
    pix[0] = ((x + 1) * 0.5 * vp[2] + vp[0] - ogl_win->origin_x) / k;
    pix[1] = ((y + 1) * 0.5 * vp[3] + vp[1] - ogl_win->origin_y) / k;
}

bool xcam_class::GetFrustumBounds(double max_dist, double y_lo, double y_hi, double* box_min,
                                  double* box_max)
{
    double world_from_eye[16];
    invertMatrix(world_from_eye, modelview);

    // Corners in the order near/far pairs: (-1,1), (1,1), (-1,-1), (1,-1).
    double corners[8][3];
    if (!ortho) {
        double eye_from_clip[16];
        invertMatrix(eye_from_clip, projection);
        int k = 0;
        for (double cy : {1.0, -1.0})
            for (double cx : {-1.0, 1.0})
                for (double cz : {-1.0, 1.0}) {
                    const double clip[3] = {cx, cy, cz};
                    transform_point(eye_from_clip, clip, corners[k]);
                    if (corners[k][2] < -max_dist) {
                        const double s = -max_dist / corners[k][2];
                        for (double& v : corners[k]) v *= s;
                    }
                    ++k;
                }
    } else {
        // Near corners at the stored near depth, far ones at the nearer of
        // the far plane and the cut-off, as for a perspective camera.
        const double near_depth = near_z;
        const double far_depth = std::max(far_z, -max_dist);
        int k = 0;
        for (double y : {ortho_top, ortho_bottom})
            for (double x : {ortho_left, ortho_right})
                for (double z : {near_depth, far_depth}) vec3_assign(corners[k++], x, y, z);
    }
    for (auto& corner : corners) {
        double world[3];
        transform_point(world_from_eye, corner, world);
        std::memcpy(corner, world, sizeof world);
    }

    for (int i = 0; i < 3; ++i) {
        box_min[i] = 9.9e9;
        box_max[i] = -9.9e9;
    }
    // Index bits: 1 far, 2 right, 4 bottom.  Edges join corners that differ
    // in one bit.
    for (int a = 0; a < 8; ++a)
        for (int bit : {1, 2, 4})
            if (!(a & bit)) accum_segment(y_lo, y_hi, corners[a], corners[a | bit], box_min, box_max);
    return box_max[0] >= box_min[0];
}

void xcam_class::LookAtCamera(xcam_class* other, double* dir, double dist, double& near_out,
                              double& far_out)
{
    double inv_projection[16], inv_view[16];
    invertMatrix(inv_projection, other->projection);
    invertMatrix(inv_view, other->modelview);
    const double origin[3] = {0, 0, 0};
    double eye[3];
    transform_point(inv_view, origin, eye);
    buildLookAtMatrix(modelview, eye[0] - dist * dir[0], eye[1] - dist * dir[1], eye[2] - dist * dir[2],
                      eye[0], eye[1], eye[2], 0, 1, 0);

    double lo[3] = {9.9e9, 9.9e9, 9.9e9}, hi[3] = {-9.9e9, -9.9e9, -9.9e9};
    for (double cx : {-1.0, 1.0})
        for (double cy : {-1.0, 1.0})
            for (double cz : {-1.0, 1.0}) {
                const double clip[3] = {cx, cy, cz};
                double in_eye[3], in_world[3], here[3];
                transform_point(inv_projection, clip, in_eye);
                transform_point(inv_view, in_eye, in_world);
                transform_point(modelview, in_world, here);
                for (int i = 0; i < 3; ++i) {
                    lo[i] = std::min(lo[i], here[i]);
                    hi[i] = std::max(hi[i], here[i]);
                }
            }
    const double extra = gExtraNear.value;
    ortho = 1;
    buildOrthoMatrix(projection, lo[0], hi[0], lo[1], hi[1], -(hi[2] + extra), -lo[2]);
    ortho_top = hi[1];
    ortho_left = lo[0];
    ortho_right = hi[0];
    ortho_bottom = lo[1];
    near_z = hi[2] + extra;
    far_z = fake_far_z = lo[2];
    near_out = -(hi[2] + extra);
    far_out = -lo[2];
}
