// A clean main-window record and shell state for each test: an 800 by 600
// screen at interface scale 1 with the main window current, an empty menu
// table, widget hooks that record what the shell asks them to draw.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/diag/frame_clock.h"
#include "shell/menus.h"
#include "shell/mnw_state.h"
#include "shell/startup.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"

struct drawn_frame {
    int type;
    float x, y, width, height;
};

inline std::vector<drawn_frame>& drawn_frames()
{
    static std::vector<drawn_frame> frames;
    return frames;
}

inline unsigned long long& driven_clock_us()
{
    static unsigned long long now = 0;
    return now;
}

class shell_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        MACIBM_install_hooks();
        reset_shell_widget_hooks();
        shell_widget_hooks hooks{};
        hooks.BTN_frame2 = [](int type, float x, float y, float w, float h, const std::string&, float) {
            drawn_frames().push_back({type, x, y, w, h});
        };
        set_shell_widget_hooks(hooks);
        drawn_frames().clear();
        driven_clock_us() = 0;
        xtim_set_clock([] { return driven_clock_us(); });
        mnw.screen_width = 800;
        mnw.screen_height = 600;
        mnw.ui_scale = 1.0f;
        MACIBM_clear_menus(1);
        MACIBM_startwind(0, 0);
    }
    void TearDown() override
    {
        reset_shell_widget_hooks();
        xtim_set_clock(nullptr);
    }
    // Advances the driven clock and runs the clock's per-frame step.
    static void run_clock_to(float seconds)
    {
        driven_clock_us() = static_cast<unsigned long long>(seconds * 1e6);
        xtim.xtim_update();
    }
};
