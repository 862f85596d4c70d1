// Matrix builders, inversion and slicing, and the camera's set-ups and
// frustum queries; what GL itself builds is compared in the display suite.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "gfx/draw/camera.h"
#include "gfx/draw/matrix_utils.h"
#include "core/diag/stats_registry.h"

namespace {

void apply(const double* m, const double* p, double* out)
{
    for (int i = 0; i < 3; ++i) out[i] = m[i] * p[0] + m[4 + i] * p[1] + m[8 + i] * p[2] + m[12 + i];
}

void expect_matrix_near(const double* a, const double* b, double tolerance = 1e-9)
{
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

}  // namespace

TEST(MatrixUtilities, InversionOfSingularRotationAndIdentity)
{
    double zero_row[16] = {1, 0, 3, 0, 2, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 1};  // row 1 is zero
    double dst[16];
    for (double& d : dst) d = 42;
    EXPECT_EQ(invertMatrix(dst, zero_row), 0);
    for (double d : dst) EXPECT_EQ(d, 42) << "a singular matrix leaves dst unwritten";

    double rotation[16], inverse[16], transposed[16];
    buildRotation(rotation, 33, 1, 2, 3);
    ASSERT_EQ(invertMatrix(inverse, rotation), 1);
    transposeMatrix(transposed, rotation);
    expect_matrix_near(inverse, transposed);

    double identity[16];
    setIdentityMatrix(identity);
    ASSERT_EQ(invertMatrix(inverse, identity), 1);
    expect_matrix_near(inverse, gIdentity);

    double translation[16], product[16];
    setIdentityMatrix(translation);
    applyTranslation(translation, 5, -2, 7);
    multMatrices(product, rotation, translation);
    ASSERT_EQ(invertMatrix(inverse, product), 1);
    double back[16];
    multMatrices(back, inverse, product);
    expect_matrix_near(back, gIdentity, 1e-12);
}

TEST(MatrixUtilities, ProductAppliesTheRightHandMatrixFirst)
{
    double t[16], r[16], m[16];
    setIdentityMatrix(t);
    applyTranslation(t, 10, 0, 0);
    buildRotation(r, 90, 0, 0, 1);
    multMatrices(m, t, r);
    const double p[3] = {1, 0, 0};
    double out[3];
    apply(m, p, out);
    EXPECT_NEAR(out[0], 10, 1e-12) << "rotated to (0, 1, 0), then moved by 10";
    EXPECT_NEAR(out[1], 1, 1e-12);
}

TEST(MatrixUtilities, RotationsAboutPlainAndGeneralAxes)
{
    double m[16], out[3];
    const double x_axis[3] = {1, 0, 0};
    buildRotation(m, 90, 0, 0, 1);
    apply(m, x_axis, out);
    EXPECT_NEAR(out[0], 0, 1e-12);
    EXPECT_NEAR(out[1], 1, 1e-12);
    buildRotation(m, 90, 0, 0, -1);
    apply(m, x_axis, out);
    EXPECT_NEAR(out[1], -1, 1e-12);
    buildRotation(m, 90, 0, 0, -7);
    apply(m, x_axis, out);
    EXPECT_NEAR(out[1], -1, 1e-12) << "only the sign of a plain axis counts";
    buildRotation(m, 45, 0, 0, 0);
    expect_matrix_near(m, gIdentity);

    // A general axis: 120 degrees about (1, 1, 1) cycles the axes.
    buildRotation(m, 120, 1, 1, 1);
    apply(m, x_axis, out);
    EXPECT_NEAR(out[0], 0, 1e-12);
    EXPECT_NEAR(out[1], 1, 1e-12);
    EXPECT_NEAR(out[2], 0, 1e-12);
}

TEST(MatrixUtilities, SegmentSlicesGrowTheBox)
{
    double p[3] = {0, 0, 0}, q[3] = {10, 10, 20};
    double lo[3] = {9.9e9, 9.9e9, 9.9e9}, hi[3] = {-9.9e9, -9.9e9, -9.9e9};
    accum_segment(2, 4, p, q, lo, hi);
    EXPECT_DOUBLE_EQ(lo[0], 2);
    EXPECT_DOUBLE_EQ(hi[0], 4);
    EXPECT_DOUBLE_EQ(lo[1], 2);
    EXPECT_DOUBLE_EQ(hi[1], 4);
    EXPECT_DOUBLE_EQ(lo[2], 4);
    EXPECT_DOUBLE_EQ(hi[2], 8);

    double lo2[3] = {9.9e9, 9.9e9, 9.9e9}, hi2[3] = {-9.9e9, -9.9e9, -9.9e9};
    accum_segment(20, 30, p, q, lo2, hi2);
    EXPECT_EQ(lo2[0], 9.9e9) << "a slice above the segment adds nothing";

    // A single plane cuts once; a horizontal segment inside adds both ends.
    double lo3[3] = {9.9e9, 9.9e9, 9.9e9}, hi3[3] = {-9.9e9, -9.9e9, -9.9e9};
    accum_segment(5, 5, q, p, lo3, hi3);
    EXPECT_DOUBLE_EQ(lo3[0], 5);
    EXPECT_DOUBLE_EQ(hi3[0], 5);
    double a[3] = {-1, 3, 0}, b[3] = {4, 3, 1};
    accum_segment(0, 5, a, b, lo3, hi3);
    EXPECT_DOUBLE_EQ(lo3[0], -1);
    EXPECT_DOUBLE_EQ(hi3[0], 5);
}

TEST(MatrixUtilities, PrintsRowsWithTheLabelFirst)
{
    testing::internal::CaptureStdout();
    double m[16];
    setIdentityMatrix(m);
    char label[] = "identity";
    printMatrix(label, m);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "identity\n"
              " [ 1.000000 0.000000 0.000000 0.000000 ]\n"
              " [ 0.000000 1.000000 0.000000 0.000000 ]\n"
              " [ 0.000000 0.000000 1.000000 0.000000 ]\n"
              " [ 0.000000 0.000000 0.000000 1.000000 ]\n\n");
}

TEST(Camera, PerspectiveOfNinetyDegreesIsTheUnitFrustum)
{
    xcam_class a, b;
    a.SetupPerspective(90, 1, 1, 100);
    b.SetupFrustum(-1, 1, -1, 1, 1, 100);
    expect_matrix_near(a.projection, b.projection, 1e-12);
    EXPECT_EQ(a.ortho, 0);
    for (const auto& plane : a.cull_planes) {
        const double side = std::fabs(plane[0]) + std::fabs(plane[1]);
        EXPECT_NEAR(side, std::sqrt(0.5), 1e-9);
        EXPECT_NEAR(plane[2], -std::sqrt(0.5), 1e-9) << "normals point into the frustum";
    }
    EXPECT_NEAR(a.cull_planes[0][1], -std::sqrt(0.5), 1e-9) << "the top plane faces down";
    float h = 0, v = 0;
    EXPECT_EQ(a.GetFOVHalfCosines(&h, &v), 1);
    EXPECT_NEAR(h, 0.7071, 1e-4);
    EXPECT_NEAR(v, 0.7071, 1e-4);
    EXPECT_EQ(a.near_z, -1);
    EXPECT_EQ(a.far_z, -100);
}

TEST(Camera, OrthographicCameraHasNoHalfCosines)
{
    xcam_class c;
    c.SetupOrtho(0, 800, 0, 600, -1, 1);
    float h = 5, v = 6;
    EXPECT_EQ(c.GetFOVHalfCosines(&h, &v), 0);
    EXPECT_EQ(h, 5);
    EXPECT_EQ(v, 6);
    EXPECT_EQ(c.ortho_right, 800);
    EXPECT_EQ(c.ortho_top, 600);
}

TEST(Camera, FakeFarPlaneNeverPassesTheRealOne)
{
    xcam_class c;
    c.SetupFrustum(-1, 1, -1, 1, 1, 100);
    c.SetFakeFarClippingPlane(500);
    EXPECT_EQ(c.fake_far_z, c.far_z);
    c.SetFakeFarClippingPlane(50);
    EXPECT_EQ(c.fake_far_z, -50);
    c.ResetFakeFarClippingPlane();
    EXPECT_EQ(c.fake_far_z, -100);
}

TEST(Camera, KillClipNarrowsTheProjectionNotTheCullPlanes)
{
    xcam_class whole, narrowed;
    whole.SetupFrustum(-1, 1, -1, 1, 1, 100);
    gKillClip.value = 1;
    narrowed.SetupFrustum(-1, 1, -1, 1, 1, 100);
    gKillClip.value = 0;
    double expected[16];
    buildFrustumMatrix(expected, -0.1, 0.1, -0.1, 0.1, 1, 100);
    expect_matrix_near(narrowed.projection, expected, 1e-12);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_NEAR(narrowed.cull_planes[i][j], whole.cull_planes[i][j], 1e-12);
}

TEST(Camera, FrustumBoundsOfASlice)
{
    xcam_class c;
    c.SetupPerspective(90, 1, 1, 100);
    c.reload_view = 0;
    double lo[3], hi[3];
    EXPECT_FALSE(c.GetFrustumBounds(50, 200, 300, lo, hi)) << "slice above the whole volume";
    EXPECT_EQ(lo[0], 9.9e9);
    EXPECT_EQ(hi[0], -9.9e9);

    ASSERT_TRUE(c.GetFrustumBounds(50, -1, 1, lo, hi));
    EXPECT_NEAR(lo[2], -50, 1e-9) << "cut off at 50";
    EXPECT_NEAR(hi[2], -1, 1e-9);
    EXPECT_NEAR(lo[0], -50, 1e-9);
    EXPECT_NEAR(hi[0], 50, 1e-9);
    EXPECT_NEAR(lo[1], -1, 1e-9);
    EXPECT_NEAR(hi[1], 1, 1e-9);
}

TEST(Camera, LookAtCameraFitsAroundTheOtherFrustum)
{
    xcam_class scene, shadow;
    scene.SetupPerspective(90, 1, 1, 10);
    double dir[3] = {0, 0, -1};
    double near_out = 0, far_out = 0;
    shadow.LookAtCamera(&scene, dir, 100, near_out, far_out);
    EXPECT_EQ(shadow.ortho, 1);
    EXPECT_NEAR(shadow.ortho_left, -10, 1e-9);
    EXPECT_NEAR(shadow.ortho_right, 10, 1e-9);
    EXPECT_NEAR(shadow.ortho_bottom, -10, 1e-9);
    EXPECT_NEAR(near_out, 101, 1e-9) << "from 100 behind the eye to the near and far planes";
    EXPECT_NEAR(far_out, 110, 1e-9);
}

TEST(Camera, DirectionsOfALookAtView)
{
    xcam_class c;
    c.LookAtPtFromPt(0, 0, 0, 0, 0, -1, 0, 1, 0);
    c.reload_view = 0;
    double dir[3], up[3], right[3];
    c.CalcDirection(dir);
    c.CalcUp(up);
    c.CalcRight(right);
    EXPECT_NEAR(dir[2], -1, 1e-12);
    EXPECT_NEAR(up[1], 1, 1e-12);
    EXPECT_NEAR(right[0], 1, 1e-12);
    float r[3], u[3];
    c.CalcBillboardGround(r, u);
    EXPECT_NEAR(r[0], 1, 1e-6);
    EXPECT_NEAR(u[1], 1, 1e-6);
}
