// Driving the fields frame by frame as the event loop would: the mouse
// and click of the frame in the window record, a fresh focus ring, keys
// queued for the focused widget before the widgets are drawn.
#pragma once

#include <gtest/gtest.h>

#include "shell/mnw_state.h"
#include "toolkit_stand_ins.h"

class field_frames : public ::testing::Test {
protected:
    void SetUp() override
    {
        mnw.open_menu = -1;
        mnw.current_window = 0;
        mnw.origin_x = mnw.origin_y = 0.0f;
        stand_in::focus_id = 0;
        stand_in::ring.clear();
        stand_in::slider_calls = 0;
        idle();
    }
    // A frame without a click, the mouse far away.
    void idle() { at(-1000.0f, -1000.0f, 0); }
    // A frame with the mouse at (x, y), clicked or not.
    void at(float x, float y, int click, int held = 0)
    {
        mnw.mouse_x = x;
        mnw.mouse_y = y;
        mnw.click = click;
        mnw.button_held = held;
        mnw.double_click = 0;
        mnw.wheel_clicks = 0;
        mnw.cursor_request = 0;
        stls.hover_help.clear();
        stand_in::begin_frame();
    }
};
