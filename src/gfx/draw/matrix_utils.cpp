#include "gfx/draw/matrix_utils.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

const double gIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

void setIdentityMatrix(double* m) { std::memcpy(m, gIdentity, sizeof gIdentity); }

void copyMatrix(double* dst, double* src) { std::memcpy(dst, src, 16 * sizeof(double)); }

void transposeMatrix(double* dst, double* src)
{
    double t[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) t[4 * j + i] = src[4 * i + j];
    std::memcpy(dst, t, sizeof t);
}

void addMatrices(double* dst, double* a, double* b)
{
    for (int i = 0; i < 16; ++i) dst[i] = a[i] + b[i];
}

void multMatrices(double* dst, const double* a, const double* b)
{
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + r] * b[4 * c + k];
            dst[4 * c + r] = sum;
        }
}

void vec3_assign(double* v, double x, double y, double z)
{
    v[0] = x;
    v[1] = y;
    v[2] = z;
}

void buildFrustumMatrix(double* m, double l, double r, double b, double t, double n, double f)
{
    std::memset(m, 0, 16 * sizeof(double));
    m[0] = 2 * n / (r - l);
    m[5] = 2 * n / (t - b);
    m[8] = (r + l) / (r - l);
    m[9] = (t + b) / (t - b);
    m[10] = -(f + n) / (f - n);
    m[11] = -1;
    m[14] = -2 * f * n / (f - n);
}

void buildOrthoMatrix(double* m, double l, double r, double b, double t, double n, double f)
{
    std::memset(m, 0, 16 * sizeof(double));
    m[0] = 2 / (r - l);
    m[5] = 2 / (t - b);
    m[10] = -2 / (f - n);
    m[12] = -(r + l) / (r - l);
    m[13] = -(t + b) / (t - b);
    m[14] = -(f + n) / (f - n);
    m[15] = 1;
}

void buildPerspectiveMatrix(double* m, double fovy, double aspect, double n, double f)
{
    const double h = std::tan(fovy * 0.008726646259971648) * n;
    buildFrustumMatrix(m, -h * aspect, h * aspect, -h, h, n, f);
}

void buildRotation(double* m, double angle, double x, double y, double z)
{
    setIdentityMatrix(m);
    const double a = angle * 0.017453292519943295;
    const double s = std::sin(a), c = std::cos(a);
    const int axes = (x != 0) + (y != 0) + (z != 0);
    if (axes == 1) {
        // A plain axis: only its sign counts.
        int i, j;
        double sign;
        if (x != 0) { i = 1; j = 2; sign = x > 0 ? 1 : -1; }
        else if (y != 0) { i = 2; j = 0; sign = y > 0 ? 1 : -1; }
        else { i = 0; j = 1; sign = z > 0 ? 1 : -1; }
        m[4 * i + i] = c;
        m[4 * j + j] = c;
        m[4 * j + i] = -s * sign;
        m[4 * i + j] = s * sign;
        return;
    }
    const double len = std::sqrt(x * x + y * y + z * z);
    if (len <= 0.0001) return;
    x /= len;
    y /= len;
    z /= len;
    const double k = 1 - c;
    m[0] = x * x * k + c;     m[4] = x * y * k - z * s; m[8] = x * z * k + y * s;
    m[1] = y * x * k + z * s; m[5] = y * y * k + c;     m[9] = y * z * k - x * s;
    m[2] = x * z * k - y * s; m[6] = y * z * k + x * s; m[10] = z * z * k + c;
}

namespace {

void normalise_if_long(double* v)
{
    const double len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len > 0) {
        v[0] /= len;
        v[1] /= len;
        v[2] /= len;
    }
}

void cross(double* out, const double* a, const double* b)
{
    const double x = a[1] * b[2] - a[2] * b[1];
    const double y = a[2] * b[0] - a[0] * b[2];
    const double z = a[0] * b[1] - a[1] * b[0];
    vec3_assign(out, x, y, z);
}

}  // namespace

void buildLookAtMatrix(double* m, double ex, double ey, double ez, double cx, double cy, double cz,
                       double ux, double uy, double uz)
{
    double forward[3] = {cx - ex, cy - ey, cz - ez};
    double up[3] = {ux, uy, uz};
    normalise_if_long(forward);
    double side[3];
    cross(side, forward, up);
    normalise_if_long(side);
    cross(up, side, forward);
    setIdentityMatrix(m);
    for (int j = 0; j < 3; ++j) {
        m[4 * j + 0] = side[j];
        m[4 * j + 1] = up[j];
        m[4 * j + 2] = -forward[j];
    }
    applyTranslation(m, -ex, -ey, -ez);
}

void applyTranslation(double* m, double x, double y, double z)
{
    for (int r = 0; r < 4; ++r) m[12 + r] += x * m[r] + y * m[4 + r] + z * m[8 + r];
}

void applyRotation(double* m, double angle, double x, double y, double z)
{
    double rotation[16], product[16];
    buildRotation(rotation, angle, x, y, z);
    multMatrices(product, m, rotation);
    copyMatrix(m, product);
}

int invertMatrix(double* dst, const double* src)
{
    double w[4][8];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            w[i][j] = src[4 * j + i];
            w[i][4 + j] = i == j ? 1 : 0;
        }
    for (int k = 0; k < 4; ++k) {
        int pivot = k;
        for (int i = k + 1; i < 4; ++i)
            if (std::fabs(w[i][k]) > std::fabs(w[pivot][k])) pivot = i;
        if (w[pivot][k] == 0) return 0;
        if (pivot != k) std::swap(w[pivot], w[k]);
        for (int i = k + 1; i < 4; ++i) {
            const double factor = w[i][k] / w[k][k];
            for (int j = k; j < 8; ++j) w[i][j] -= factor * w[k][j];
        }
    }
    for (int k = 3; k >= 0; --k) {
        const double p = w[k][k];
        for (int j = 0; j < 8; ++j) w[k][j] /= p;
        for (int i = 0; i < k; ++i) {
            const double factor = w[i][k];
            for (int j = 0; j < 8; ++j) w[i][j] -= factor * w[k][j];
        }
    }
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) dst[4 * j + i] = w[i][4 + j];
    return 1;
}

void printMatrix(char* label, double* m)
{
    std::puts(label);
    for (int i = 0; i < 4; ++i)
        std::printf(i < 3 ? " [ %f %f %f %f ]\n" : " [ %f %f %f %f ]\n\n", m[i], m[4 + i], m[8 + i],
                    m[12 + i]);
}

namespace {

void grow(const double* p, double* box_min, double* box_max)
{
    for (int i = 0; i < 3; ++i) {
        box_min[i] = std::min(box_min[i], p[i]);
        box_max[i] = std::max(box_max[i], p[i]);
    }
}

// The point of a-b at height y, x and z clamped to the segment's range.
void crossing(const double* a, const double* b, double y, double* out)
{
    out[1] = y;
    for (int i : {0, 2}) {
        double v = a[1] == b[1] ? (a[i] + b[i]) * 0.5
                                : a[i] + (b[i] - a[i]) / (b[1] - a[1]) * (y - a[1]);
        out[i] = std::clamp(v, std::min(a[i], b[i]), std::max(a[i], b[i]));
    }
}

}  // namespace

void accum_segment(double y_lo, double y_hi, double* p, double* q, double* box_min, double* box_max)
{
    const double* a = p[1] <= q[1] ? p : q;
    const double* b = p[1] <= q[1] ? q : p;
    double point[3];
    if (a[1] == b[1]) {
        if (y_lo <= a[1] && a[1] <= y_hi) {
            grow(a, box_min, box_max);
            grow(b, box_min, box_max);
        }
        return;
    }
    if (y_lo != y_hi) {
        if (y_lo <= a[1] && a[1] <= y_hi) grow(a, box_min, box_max);
        if (y_lo <= b[1] && b[1] <= y_hi) grow(b, box_min, box_max);
        if (a[1] < y_lo && y_lo < b[1]) {
            crossing(a, b, y_lo, point);
            grow(point, box_min, box_max);
        }
        if (a[1] < y_hi && y_hi < b[1]) {
            crossing(a, b, y_hi, point);
            grow(point, box_min, box_max);
        }
        return;
    }
    if (a[1] <= y_hi && y_hi <= b[1]) {
        crossing(a, b, y_hi, point);
        grow(point, box_min, box_max);
    }
}
