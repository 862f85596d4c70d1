// Viewport, projection, scissors and the end of a frame.

#include <GL/gl.h>

#include <algorithm>

#include "core/diag/frame_clock.h"
#include "gfx/draw/camera.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/glx_platform.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/window_link.h"

void OGL_scissors(float x, float y, float dx, float dy)
{
    const float k = ogl_win->ui_scale;
    const float ox = ogl_win->origin_x, oy = ogl_win->origin_y;
    const int left = static_cast<int>(static_cast<float>((x + ox) * k));
    const int bottom = static_cast<int>(static_cast<float>((y + oy) * k));
    const int width = static_cast<int>((x + ox + dx) * k - left);
    const int height = static_cast<int>((y + oy + dy) * k - bottom);
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, bottom, std::max(width, 0), std::max(height, 0));
}

void OGL_scissors_end() { glDisable(GL_SCISSOR_TEST); }

void OGL_viewport(int mode, float l, float vl, float b, float vb, float r, float vr, float near,
                  float t, float vt, float far, float zoom, int fix_aspect)
{
    if (mode == 2) {
        l = ogl_win->view_left;
        b = ogl_win->view_bottom;
        r = ogl_win->view_right;
        t = ogl_win->view_top;
        vl = 0;
        vb = 0;
        vr = static_cast<float>(ogl_win->screen_width);
        vt = static_cast<float>(ogl_win->screen_height);
    } else if (mode == 3) {
        l *= near;
        b *= near;
        r *= near;
        t *= near;
        const float k = ogl_win->ui_scale;
        vl *= k;
        vb *= k;
        vr *= k;
        vt *= k;
    }
    const int origin_x = mode == 2 ? 0 : static_cast<int>(vl);
    const int origin_y = mode == 2 ? 0 : static_cast<int>(vb);
    if (fix_aspect) {
        const float q = (vt - vb) / (vr - vl);
        b *= q;
        t *= q;
    }

    const double inv_zoom = 1.0 / zoom;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (mode == 2)
        xcam.SetupOrtho(l * inv_zoom, r * inv_zoom, b * inv_zoom, t * inv_zoom, -1.0, 1.0);
    else if (mode == 3)
        xcam.SetupFrustum(l * inv_zoom, r * inv_zoom, b * inv_zoom, t * inv_zoom, near, far);
    glViewport(origin_x, origin_y, static_cast<int>(vr - vl), static_cast<int>(vt - vb));

    xcam.Identity();
    glLoadMatrixd(xcam.projection);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(xcam.modelview);
    xcam.reload_view = 0;
}

void OGL_screensize(int mode, float l, float b, float r, float t)
{
    if (mode == 2) {
        l = 0;
        b = 0;
        r = static_cast<float>(ogl_win->screen_width);
        t = static_cast<float>(ogl_win->screen_height);
    } else if (mode == 3) {
        const float k = ogl_win->ui_scale;
        l *= k;
        b *= k;
        r *= k;
        t *= k;
    }
    glViewport(static_cast<int>(l), static_cast<int>(b), static_cast<int>(r - l), static_cast<int>(t - b));
}

void OGL_pix_specs(int)
{
    ogl_window_fields& w = *ogl_win;
    const float width = static_cast<float>(w.screen_width), height = static_cast<float>(w.screen_height);
    w.view_left = 0;
    w.view_bottom = 0;
    w.view_right = width;
    w.view_top = height;
    w.ui_scale = 1.0f;
    w.pixel_scale = 1.0f;
    w.layout_centre_x = width * 0.5f;
    // Half of the 768-pixel height the interface was laid out for.
    w.layout_centre_y = 384.0f;
    w.layout_offset_x = w.current_window == -1 ? 0.0f : std::max((width - 1024.0f) * 0.5f, 0.0f);
    w.layout_offset_y = std::max(height - 768.0f, 0.0f);
    if (w.current_window >= 0) OGL_viewport(2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1.0f, 0);
}

void OGL_sbuff()
{
    if (ren.green_only)
        glColor4f(0, 1, 0, ren.global_alpha);
    else
        glColor4f(1, 1, 1, ren.global_alpha);
    xtim.profile_chart("sb1", 0);
    const unsigned long windows[2] = {ogl_win->main_window, ogl_win->second_window};
    glx_swap_buffers(ogl_win->x_display, windows[ogl_win->swap_window == 1 ? 1 : 0]);
    xtim.profile_chart("sb2", 0);
}
