// The matrix builders against the matrices GL builds itself, read back.

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "gfx/draw/matrix_utils.h"
#include "gl_test_environment.h"

namespace {

void expect_same(const double* ours, const char* what)
{
    double gl[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, gl);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(ours[i], gl[i], 1e-6) << what << ", element " << i;
}

// GL's modelview stack as a scratch matrix, left as it was.
class MatricesAgainstGl : public testing::Test {
protected:
    void SetUp() override
    {
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }
    void TearDown() override { glPopMatrix(); }
};

}  // namespace

TEST_F(MatricesAgainstGl, FrustumAndOrtho)
{
    double m[16];
    buildFrustumMatrix(m, -2, 3, -1.5, 0.5, 0.7, 250);
    glFrustum(-2, 3, -1.5, 0.5, 0.7, 250);
    expect_same(m, "frustum");

    glLoadIdentity();
    buildOrthoMatrix(m, 0, 800, 0, 600, -1, 1);
    glOrtho(0, 800, 0, 600, -1, 1);
    expect_same(m, "ortho");

    glLoadIdentity();
    buildPerspectiveMatrix(m, 60, 4.0 / 3.0, 1, 1000);
    const double h = std::tan(60 * 3.14159265358979323846 / 360) * 1;
    glFrustum(-h * 4 / 3, h * 4 / 3, -h, h, 1, 1000);
    expect_same(m, "perspective");
}

TEST_F(MatricesAgainstGl, RotationsAboutEveryKindOfAxis)
{
    const double axes[][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0, -1, 0}, {1, 2, 3}, {-0.5, 0, 2}};
    for (const auto& a : axes) {
        double m[16];
        buildRotation(m, 37, a[0], a[1], a[2]);
        glLoadIdentity();
        glRotated(37, a[0], a[1], a[2]);
        expect_same(m, "rotation");
    }
}

TEST_F(MatricesAgainstGl, TranslationAndRotationApplyToTheCurrentMatrix)
{
    double m[16];
    buildFrustumMatrix(m, -1, 1, -1, 1, 1, 10);
    applyTranslation(m, 3, -4, 5);
    applyRotation(m, 120, 0, 1, 1);
    glFrustum(-1, 1, -1, 1, 1, 10);
    glTranslated(3, -4, 5);
    glRotated(120, 0, 1, 1);
    expect_same(m, "frustum, translated, rotated");
}

TEST(LookAt, EyeGoesToTheOriginAndTheCentreStraightAhead)
{
    double m[16];
    buildLookAtMatrix(m, 1, 2, 3, 4, 2, 7, 0, 1, 0);
    auto apply = [&](double x, double y, double z, double* out) {
        for (int i = 0; i < 3; ++i) out[i] = m[i] * x + m[4 + i] * y + m[8 + i] * z + m[12 + i];
    };
    double eye[3], centre[3], above[3];
    apply(1, 2, 3, eye);
    apply(4, 2, 7, centre);
    apply(1, 3, 3, above);
    for (double v : eye) EXPECT_NEAR(v, 0, 1e-12);
    EXPECT_NEAR(centre[0], 0, 1e-12);
    EXPECT_NEAR(centre[1], 0, 1e-12);
    EXPECT_NEAR(centre[2], -5, 1e-12);
    EXPECT_NEAR(above[1], 1, 1e-12);
}
