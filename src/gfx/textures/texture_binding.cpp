#include "gfx/textures/texture_binding.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "core/diag/stats_registry.h"
#include "gfx/gl_state_cache.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/textures/texture_refs.h"

UTL_stat gKillTex("perf/kill_tex", 4, 0);

namespace {

int o_tex[OGL_cached_units] = {-1, -1, -1, -1, -1, -1, -1, -1};
int o_mod[OGL_cached_units] = {-1, -1, -1, -1, -1, -1, -1, -1};

// One combiner set-up: RGB and alpha functions with up to three sources
// and operands each; 0 marks an unused argument.
struct combiner {
    GLenum rgb_func;
    GLenum rgb_src[3], rgb_op[3];
    GLenum alpha_func;
    GLenum alpha_src[3], alpha_op[3];
    int alpha_scale;      // 0: leave GL_ALPHA_SCALE as it is
    const float* colour;  // GL_TEXTURE_ENV_COLOR, or null
};

constexpr GLenum Prev = GL_PREVIOUS_ARB, Tex = GL_TEXTURE, Const = GL_CONSTANT_ARB,
                 Prim = GL_PRIMARY_COLOR_ARB;
constexpr GLenum C = GL_SRC_COLOR, A = GL_SRC_ALPHA, InvA = GL_ONE_MINUS_SRC_ALPHA;
constexpr GLenum ADD = GL_ADD, MOD = GL_MODULATE, REP = GL_REPLACE, SUB = GL_SUBTRACT_ARB,
                 LERP = GL_INTERPOLATE_ARB;
const float white[4] = {1, 1, 1, 1};
const float clear[4] = {0, 0, 0, 0};

// Modes 1, 2 and 10 to 25, in that order.
const combiner combiners[] = {
    /* 1 */ {ADD, {Prev, Tex}, {C, C}, REP, {Prev}, {A}, 1, nullptr},
    /* 2 */ {ADD, {Prev, Tex}, {C, C}, ADD, {Prev, Tex}, {A, A}, 1, nullptr},
    /* 10 */ {MOD, {Prev, Tex}, {C, C}, REP, {Tex}, {A}, 1, nullptr},
    /* 11 */ {REP, {Prev}, {C}, SUB, {Tex, Prev}, {A, A}, 4, nullptr},
    /* 12 */ {REP, {Prev}, {C}, MOD, {Prev, Tex}, {InvA, A}, 1, nullptr},
    /* 13 */ {MOD, {Prev, Prev}, {C, InvA}, REP, {Const}, {A}, 1, white},
    /* 14 */ {REP, {Prev}, {C}, REP, {Prev}, {A}, 1, nullptr},
    /* 15 */ {REP, {Prev}, {C}, REP, {Const}, {A}, 1, white},
    /* 16 */ {MOD, {Prev, Tex}, {C, C}, REP, {Const}, {A}, 1, white},
    /* 17 */ {REP, {Tex}, {A}, REP, {Const}, {A}, 1, white},
    /* 18 */ {LERP, {Tex, Prev, Tex}, {C, C, A}, REP, {Prev}, {A}, 1, nullptr},
    /* 19 */ {LERP, {Tex, Prev, Prev}, {C, C, A}, REP, {Prev}, {A}, 1, nullptr},
    /* 20 */ {MOD, {Prev, Tex}, {C, A}, REP, {Prev}, {A}, 1, nullptr},
    /* 21 */ {LERP, {Tex, Prev, Const}, {C, C, C}, LERP, {Tex, Prev, Const}, {A, A, A}, 1, nullptr},
    /* 22 */ {LERP, {Tex, Const, Tex}, {C, C, A}, REP, {Prev}, {A}, 1, nullptr},
    /* 23 */ {MOD, {Prev, Prim}, {C, C}, REP, {Prev}, {A}, 0, nullptr},
    /* 24 */ {MOD, {Prev, Const}, {C, C}, MOD, {Prev, Const}, {A, A}, 1, nullptr},
    /* 25 */ {LERP, {Prim, Const, Tex}, {C, C, C}, REP, {Tex}, {A}, 1, clear},
};

const combiner* combiner_for(int mode)
{
    if (mode == 1 || mode == 2) return &combiners[mode - 1];
    if (mode >= 10 && mode <= 25) return &combiners[mode - 8];
    return nullptr;
}

// Mode 25 hands its enums over as floats, as it always has; the others as
// ints.  GL takes either.
void env(GLenum name, GLenum value, bool as_float)
{
    if (as_float)
        glTexEnvf(GL_TEXTURE_ENV, name, static_cast<GLfloat>(value));
    else
        glTexEnvi(GL_TEXTURE_ENV, name, static_cast<GLint>(value));
}

void set_combiner(const combiner& c, bool as_float)
{
    static const GLenum rgb_sources[3] = {GL_SOURCE0_RGB_ARB, GL_SOURCE1_RGB_ARB, GL_SOURCE2_RGB_ARB};
    static const GLenum rgb_operands[3] = {GL_OPERAND0_RGB_ARB, GL_OPERAND1_RGB_ARB, GL_OPERAND2_RGB_ARB};
    static const GLenum alpha_sources[3] = {GL_SOURCE0_ALPHA_ARB, GL_SOURCE1_ALPHA_ARB,
                                            GL_SOURCE2_ALPHA_ARB};
    static const GLenum alpha_operands[3] = {GL_OPERAND0_ALPHA_ARB, GL_OPERAND1_ALPHA_ARB,
                                             GL_OPERAND2_ALPHA_ARB};
    env(GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB, as_float);
    env(GL_COMBINE_RGB_ARB, c.rgb_func, as_float);
    for (int i = 0; i < 3 && c.rgb_src[i]; ++i) {
        env(rgb_sources[i], c.rgb_src[i], as_float);
        env(rgb_operands[i], c.rgb_op[i], as_float);
    }
    env(GL_COMBINE_ALPHA_ARB, c.alpha_func, as_float);
    for (int i = 0; i < 3 && c.alpha_src[i]; ++i) {
        env(alpha_sources[i], c.alpha_src[i], as_float);
        env(alpha_operands[i], c.alpha_op[i], as_float);
    }
    if (c.alpha_scale) glTexEnvi(GL_TEXTURE_ENV, GL_ALPHA_SCALE, c.alpha_scale);
    if (c.colour) glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, c.colour);
}

}  // namespace

void TEX_reset_bind()
{
    std::fill(std::begin(o_tex), std::end(o_tex), -1);
    std::fill(std::begin(o_mod), std::end(o_mod), -1);
}

void TEX_bind_ref(int tex, int unit, int mode)
{
    // The caches hold eight units; a unit outside them has no state to
    // compare against and would be written past the arrays.
    if (unit < 0 || unit >= OGL_cached_units) return;
    if (mode == 0) mode = GL_MODULATE;
    if (gKillTex.value != 0 && tex != tex_ref::widget_sheet) tex = tex_ref::blank_grey;
    if (o_tex[unit] == tex && o_mod[unit] == mode) return;

    if (unit > 0) glActiveTexture(GL_TEXTURE0_ARB + unit);
    if (tex != o_tex[unit]) {
        glBindTexture(GL_TEXTURE_2D, tex);
        o_tex[unit] = tex;
    }
    if (mode != 26 && mode != o_mod[unit]) {
        o_mod[unit] = mode;
        const combiner* c = glExt.combine_avail ? combiner_for(mode) : nullptr;
        if (c)
            set_combiner(*c, mode == 25);
        else
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mode);
    }
    if (unit > 0) glActiveTexture(GL_TEXTURE0_ARB);
}

void TEX_set_tint(int unit, float r, float g, float b, float a)
{
    if (unit < 0 || unit >= std::min(ren.tex_units, OGL_cached_units)) return;
    const float colour[4] = {r, g, b, a};
    if (unit > 0) glActiveTexture(GL_TEXTURE0_ARB + unit);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, colour);
    if (unit > 0) glActiveTexture(GL_TEXTURE0_ARB);
}

void TEX_set_blend_level(int unit, float level) { TEX_set_tint(unit, level, level, level, level); }
