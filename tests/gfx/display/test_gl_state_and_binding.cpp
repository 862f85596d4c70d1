// The GL state cache and the texture-unit bind cache against Mesa: what
// they switch, what they leave alone, and that a request the cache already
// holds reaches GL not at all (shown by changing GL behind their backs).

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include "core/diag/stats_registry.h"
#include "gfx/gl_state_cache.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/textures/texture_binding.h"
#include "gl_test_environment.h"

namespace {

bool enabled_on_unit(int unit, GLenum cap)
{
    glActiveTexture(GL_TEXTURE0_ARB + unit);
    const bool on = glIsEnabled(cap);
    glActiveTexture(GL_TEXTURE0_ARB);
    return on;
}

GLint active_unit()
{
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &unit);
    return unit - GL_TEXTURE0_ARB;
}

GLint bound_on_unit(int unit)
{
    GLint name = 0;
    glActiveTexture(GL_TEXTURE0_ARB + unit);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    glActiveTexture(GL_TEXTURE0_ARB);
    return name;
}

GLint env_mode_on_unit(int unit)
{
    GLint mode = 0;
    glActiveTexture(GL_TEXTURE0_ARB + unit);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
    glActiveTexture(GL_TEXTURE0_ARB);
    return mode;
}

}  // namespace

TEST(GlStateCache, SwitchesEachPieceOfStateByItsCode)
{
    OGL_setstate(0, 0, 2, 7, 8, 10);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);

    OGL_setstate(1, 0, 3, 6, 9, 11);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_FALSE);

    OGL_setstate(1, 0, 3, 5, 9, 11);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));
}

TEST(GlStateCache, RepeatedRequestIssuesNoGlCall)
{
    OGL_setstate(1, 0, 3, 5, 9, 11);
    glDisable(GL_BLEND);  // behind the cache's back
    OGL_setstate(1, 0, 3, 5, 9, 11);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "the second call must not touch GL";
    glEnable(GL_BLEND);
    OGL_setstate(1, 0, 3, 5, 9, 11);
}

TEST(GlStateCache, TextureUnitsAreClippedToTheDriversCount)
{
    const int real_units = ren.tex_units;
    ren.tex_units = 2;
    OGL_setstate(1, 0, 3, 5, 9, 11);
    OGL_setstate(1, 3, 3, 5, 9, 11);
    EXPECT_EQ(num_units, 2);
    EXPECT_TRUE(enabled_on_unit(0, GL_TEXTURE_2D));
    EXPECT_TRUE(enabled_on_unit(1, GL_TEXTURE_2D));
    EXPECT_FALSE(enabled_on_unit(2, GL_TEXTURE_2D));

    // 3 again: the loop runs (3 differs from the recorded 2) and changes nothing.
    OGL_setstate(1, 3, 3, 5, 9, 11);
    EXPECT_FALSE(enabled_on_unit(2, GL_TEXTURE_2D));
    EXPECT_EQ(active_unit(), 0);

    OGL_setstate(1, 0, 3, 5, 9, 11);
    EXPECT_FALSE(enabled_on_unit(0, GL_TEXTURE_2D));
    EXPECT_FALSE(enabled_on_unit(1, GL_TEXTURE_2D));
    EXPECT_EQ(active_unit(), 0) << "unit 0 stays the active unit";
    ren.tex_units = real_units;
}

TEST(GlStateCache, UnitsBeyondTheCachedEightAreNeverTouched)
{
    // Mesa reports 32 image units, which become tex_units once GLSL is on.
    ASSERT_GT(ren.tex_units, OGL_cached_units);
    OGL_setstate(1, 0, 3, 5, 9, 11);
    OGL_setstate(1, 12, 3, 5, 9, 11);
    EXPECT_EQ(num_units, OGL_cached_units);
    EXPECT_TRUE(enabled_on_unit(7, GL_TEXTURE_2D));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    OGL_setstate(1, 0, 3, 5, 9, 11);
    EXPECT_FALSE(enabled_on_unit(7, GL_TEXTURE_2D));
}

class TextureBinding : public testing::Test {
protected:
    void SetUp() override
    {
        glGenTextures(2, names);
        TEX_reset_bind();
    }
    void TearDown() override
    {
        glDeleteTextures(2, names);
        TEX_reset_bind();
        glExt.combine_avail = combine;
        gKillTex.value = 0;
    }
    GLuint names[2];
    int combine = glExt.combine_avail;
};

TEST_F(TextureBinding, SecondBindOfTheSameTextureAndModeIsFree)
{
    TEX_bind_ref(names[0], 1, 0);
    EXPECT_EQ(bound_on_unit(1), static_cast<GLint>(names[0]));
    EXPECT_EQ(env_mode_on_unit(1), GL_MODULATE);
    EXPECT_EQ(active_unit(), 0);

    glActiveTexture(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, 0);  // behind the cache's back
    glActiveTexture(GL_TEXTURE0_ARB);
    TEX_bind_ref(names[0], 1, 0);
    EXPECT_EQ(bound_on_unit(1), 0) << "a cached bind makes no GL call";

    TEX_reset_bind();
    TEX_bind_ref(names[0], 1, 0);
    EXPECT_EQ(bound_on_unit(1), static_cast<GLint>(names[0]));
}

TEST_F(TextureBinding, ModeTwentySixKeepsTheEnvironment)
{
    TEX_bind_ref(names[0], 0, 0);
    TEX_bind_ref(names[1], 0, 26);
    EXPECT_EQ(bound_on_unit(0), static_cast<GLint>(names[1]));
    EXPECT_EQ(env_mode_on_unit(0), GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);  // behind its back
    TEX_bind_ref(names[1], 0, 0);
    EXPECT_EQ(env_mode_on_unit(0), GL_REPLACE) << "the cache still says GL_MODULATE";
}

TEST_F(TextureBinding, KillTexBindsTheBlankTextureExceptTheWidgetSheet)
{
    gKillTex.value = 1;
    TEX_bind_ref(410, 0, 0);
    EXPECT_EQ(bound_on_unit(0), 410);
    TEX_bind_ref(names[0], 0, 0);
    EXPECT_EQ(bound_on_unit(0), 950);
}

TEST_F(TextureBinding, CombinerModesSetTheTableEnvironment)
{
    ASSERT_TRUE(glExt.combine_avail);
    TEX_bind_ref(names[0], 0, 16);
    GLint value = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_COMBINE_ARB);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, &value);
    EXPECT_EQ(value, GL_MODULATE);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA_ARB, &value);
    EXPECT_EQ(value, GL_CONSTANT_ARB);
    GLfloat colour[4] = {0, 0, 0, 0};
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    EXPECT_EQ(colour[3], 1.0f);

    TEX_bind_ref(names[0], 0, 11);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_COMBINE_ALPHA_ARB, &value);
    EXPECT_EQ(value, GL_SUBTRACT_ARB);
    GLfloat scale = 0;
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_ALPHA_SCALE, &scale);
    EXPECT_EQ(scale, 4.0f);

    TEX_bind_ref(names[0], 0, 25);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_SOURCE2_RGB_ARB, &value);
    EXPECT_EQ(value, GL_TEXTURE) << "enums handed over as floats arrive whole";
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    EXPECT_EQ(colour[0], 0.0f);

    TEX_bind_ref(names[0], 0, GL_REPLACE);
    EXPECT_EQ(env_mode_on_unit(0), GL_REPLACE) << "other values are environment modes";
}

TEST_F(TextureBinding, WithoutCombinersTheModeIsPassedAsItIs)
{
    glExt.combine_avail = 0;
    while (glGetError() != GL_NO_ERROR) {}
    TEX_bind_ref(names[0], 0, 13);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_INVALID_ENUM)) << "13 reached GL_TEXTURE_ENV_MODE";
}

TEST_F(TextureBinding, TintOnlyOnUnitsTheDriverHas)
{
    TEX_set_tint(1, 0.25f, 0.5f, 0.75f, 1.0f);
    GLfloat colour[4] = {0, 0, 0, 0};
    glActiveTexture(GL_TEXTURE1_ARB);
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    glActiveTexture(GL_TEXTURE0_ARB);
    EXPECT_EQ(colour[1], 0.5f);
    EXPECT_EQ(active_unit(), 0);

    const int real_units = ren.tex_units;
    ren.tex_units = 2;
    TEX_set_blend_level(2, 0.5f);
    ren.tex_units = real_units;
    glActiveTexture(GL_TEXTURE2_ARB);
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    glActiveTexture(GL_TEXTURE0_ARB);
    EXPECT_NE(colour[0], 0.5f) << "unit 2 is not below the unit count";
    while (glGetError() != GL_NO_ERROR) {}
    TEX_set_tint(20, 1, 1, 1, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "units past the cached eight are skipped";
}
