#include "gl_test_environment.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "../gfx_test_helpers.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/window_link.h"

namespace gfx_test {

namespace {

testing_support::glx_test_window* window = nullptr;

class gl_environment : public testing::Environment {
public:
    void SetUp() override
    {
        window = new testing_support::glx_test_window(screen_w, screen_h);
        ASSERT_TRUE(window->ok()) << window->error();
        ogl_win->x_display = window->display();
        ogl_win->main_window = window->window();
        ogl_win->screen_width = screen_w;
        ogl_win->screen_height = screen_h;
        ogl_win->colour_depth = 24;
        ogl_win->texture_res_setting = 5;
        ogl_win->current_window = 0;
        captured quiet;
        glExt.init_extensions();
        tman.TEX_init();
        OGL_nrml_colors();
    }
    void TearDown() override
    {
        delete window;
        window = nullptr;
    }
};

const auto* registered = testing::AddGlobalTestEnvironment(new gl_environment);

}  // namespace

testing_support::glx_test_window* test_window() { return window; }

void begin_2d_frame()
{
    ogl_win->current_window = 0;
    ogl_win->origin_x = ogl_win->origin_y = 0;
    OGL_pix_specs(0);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

rgb pixel(int x, int y)
{
    const auto p = window->pixel(x, y);
    return {p.r, p.g, p.b};
}

}  // namespace gfx_test
