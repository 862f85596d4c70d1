// A GL window on the shared Xvfb for widgets drawn in-process and read
// back: one interface unit to a pixel, the widget sheet loaded, the
// toolkit's hooks in the shell's place.
#pragma once

#include <gtest/gtest.h>

#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/ogl_capabilities.h"
#include "gfx/textures/texture_manager.h"
#include "glx_test_window.h"
#include "shell/mnw_state.h"
#include "widgets/toolkit_hooks.h"

class widget_window : public ::testing::Test {
protected:
    widget_window(int width, int height) : window(width, height) {}
    void SetUp() override
    {
        ASSERT_TRUE(window.ok()) << window.error();
        set_ogl_window(&mnw);
        mnw.x_display = window.display();
        mnw.main_window = window.window();
        mnw.screen_width = window.width();
        mnw.screen_height = window.height();
        mnw.colour_depth = 24;
        mnw.texture_res_setting = 5;
        mnw.current_window = 0;
        mnw.open_menu = -1;
        glExt.init_extensions();
        tman.TEX_init();
        // The widget sheet every frame and button is cut from.
        ASSERT_EQ(tman.load_texture(tex_fail_fatal, 410, 0x30092, tex_load_now, "RESOURCE:interface.png"), 410);
        OGL_nrml_colors();
        BTN_install_shell_hooks();
    }
    void TearDown() override { set_ogl_window(nullptr); }

    // A cleared back buffer set up for the interface's 2-D drawing.
    void begin_frame()
    {
        OGL_pix_specs(0);
        glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    }

    testing_support::glx_test_window window;
};
