// 4 x 4 matrices of doubles in GL's column-major order (row i, column j at
// 4j + i) and 3-vectors: the builders reproduce GL's and GLU's own, so the
// camera can keep, combine and invert what it later loads into GL.
#pragma once

extern const double gIdentity[16];

void setIdentityMatrix(double* m);
void copyMatrix(double* dst, double* src);
void transposeMatrix(double* dst, double* src);
void addMatrices(double* dst, double* a, double* b);
// dst = a x b (b applied first); dst must be neither a nor b.
void multMatrices(double* dst, const double* a, const double* b);
void vec3_assign(double* v, double x, double y, double z);

void buildFrustumMatrix(double* m, double l, double r, double b, double t, double n, double f);
void buildOrthoMatrix(double* m, double l, double r, double b, double t, double n, double f);
void buildPerspectiveMatrix(double* m, double fovy, double aspect, double n, double f);
void buildRotation(double* m, double angle, double x, double y, double z);
void buildLookAtMatrix(double* m, double ex, double ey, double ez, double cx, double cy, double cz,
                       double ux, double uy, double uz);
void applyTranslation(double* m, double x, double y, double z);
void applyRotation(double* m, double angle, double x, double y, double z);

// 1 and dst = the inverse; 0 for a singular matrix, dst untouched.
int invertMatrix(double* dst, const double* src);

void printMatrix(char* label, double* m);

// Grows the box by the part of segment p-q whose y lies in [y_lo, y_hi].
void accum_segment(double y_lo, double y_hi, double* p, double* q, double* box_min, double* box_max);
