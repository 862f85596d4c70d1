#include "gfx/gl_state_cache.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>

#include "gfx/ogl_capabilities.h"

int num_units = 1;

namespace {

void set_enabled(GLenum cap, bool on)
{
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

}  // namespace

void OGL_setstate(int fog, int tex, int lit, int alpha, int depth_read, int depth_write)
{
    // The cache trusts its own record after the first call: anything that
    // changes these states behind its back is not seen.
    static bool filled = false;
    static int o_fog, o_tex, o_lit, o_alB, o_alT, o_deR, o_deW = 11;
    if (!filled) {
        filled = true;
        o_fog = glIsEnabled(GL_FOG) ? 0 : 1;
        o_tex = glIsEnabled(GL_TEXTURE_2D) ? num_units : 0;
        o_lit = glIsEnabled(GL_LIGHTING) ? 2 : 3;
        o_alB = glIsEnabled(GL_BLEND) ? 1 : 0;
        o_alT = glIsEnabled(GL_ALPHA_TEST) ? 1 : 0;
        o_deR = glIsEnabled(GL_DEPTH_TEST) ? 8 : 9;
    }

    if (fog != o_fog) set_enabled(GL_FOG, fog == 0);

    if (tex != o_tex) {
        // Units beyond the driver's fixed-function count, or beyond the
        // arrays that hold per-unit state, are never switched.
        const int limit = std::min(ren.tex_units, OGL_cached_units);
        int n = std::max(tex, 0);
        if (n >= 1) n = std::min(n, std::max(limit, 1));
        set_enabled(GL_TEXTURE_2D, n >= 1);
        const int old = o_tex;
        num_units = n;
        if (old > 1 || n > 1) {
            for (int i = 0; i < OGL_cached_units; ++i)
                if (old <= i && i < n) {
                    glActiveTexture(GL_TEXTURE0_ARB + i);
                    glEnable(GL_TEXTURE_2D);
                }
            for (int i = 0; i < OGL_cached_units; ++i)
                if (n <= i && i < old) {
                    glActiveTexture(GL_TEXTURE0_ARB + i);
                    glDisable(GL_TEXTURE_2D);
                }
            glActiveTexture(GL_TEXTURE0_ARB);
        }
        tex = n;
    }

    if (lit != o_lit) {
        set_enabled(GL_LIGHTING, lit == 2);
        set_enabled(GL_LIGHT0, lit == 2);
    }

    if (alpha >= 4 && alpha <= 7) {
        const int blend = (alpha == 5 || alpha == 7);
        const int test = (alpha == 6 || alpha == 7);
        if (blend != o_alB) set_enabled(GL_BLEND, blend);
        if (test != o_alT) set_enabled(GL_ALPHA_TEST, test);
    }

    if (depth_read != o_deR) set_enabled(GL_DEPTH_TEST, depth_read == 8);
    if (depth_write != o_deW) glDepthMask(depth_write == 10 ? GL_TRUE : GL_FALSE);

    o_fog = fog;
    o_tex = tex;
    o_lit = lit;
    o_deR = depth_read;
    o_deW = depth_write;
    o_alT = (alpha == 6 || alpha == 7);
    o_alB = (alpha == 5 || alpha == 7);
}
