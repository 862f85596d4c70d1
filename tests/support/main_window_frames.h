// The program's main window frame by frame without X, as the event loop
// would drive it: the window record as start-up leaves it (window 0
// current at the origin, no menu open, the mouse away), the widgets' state
// fresh, and alerts recorded instead of shown.  Each frame a test sets the
// mouse and click, then calls what draws.
//
//   class my_widget : public main_window_frames {};
//   TEST_F(my_widget, ClickTicksTheBox)
//   {
//       frame_at(100, 100, 1);
//       BTN_check(...);
//       EXPECT_TRUE(alerts.alerts().empty());
//   }
#pragma once

#include <gtest/gtest.h>

#include "alert_recorder.h"
#include "shell/mnw_state.h"
#include "widgets/focus_ring.h"

class main_window_frames : public ::testing::Test {
protected:
    // The window is `width` by `height` interface units on an 800 by 600
    // screen.
    explicit main_window_frames(float width = 800, float height = 600) : width_(width), height_(height) {}
    void SetUp() override;
    void TearDown() override;

    // The mouse at (x, y) for the coming frame, without a click.
    static void mouse_at(float x, float y);
    // A click at (x, y) in the coming frame.
    static void click_at(float x, float y);
    // The mouse away again, nothing pressed.
    static void mouse_away();
    // A new frame as the frame clock begins it: the mouse at (x, y),
    // clicked or not, a new focus ring, and a click drops the focus (the
    // clicked widget takes it again).
    static void frame_at(float x, float y, int click, int held = 0);
    // A frame without a click, the mouse far away.
    static void idle() { frame_at(-1000.0f, -1000.0f, 0); }
    // A key for the focused widget, as the key bindings offer it: true
    // when the focus system took it.
    static bool press(int character, int vkey = 0, int flags = 8);

    // Alerts of the test; the headless run's missing widget sheet is no
    // alert here.
    testing_support::alert_recorder alerts{testing_support::headless_sheet_alert};
    // When set, every alert the test left in `alerts` fails it.
    bool alerts_fail_ = false;

private:
    float width_, height_;
};
