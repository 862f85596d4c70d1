// The wizard's screens frame by frame without a window (the kit's
// main-window frames): the installer state at its start values.  Without
// GL no widget sheet is loaded; the texture manager's complaint about that
// is the one alert these tests expect, and any other fails the test unless
// it clears `alerts_fail_` to look at them itself.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "main_window_frames.h"
#include "test_support.h"
#include "wizard/button_bar.h"

class main_window_test : public main_window_frames {
protected:
    void SetUp() override;
    void TearDown() override;

    // A click on a button of the bottom bar in the next frame.
    static void click_bar(button_bar::button b, bool last_screen = false);
};

using testing_support::scratch_home;

// A road's screens with a home and a private temporary folder of their own,
// and no install, stream, transfer or proxy left over for the next test.
class road_test : public main_window_test {
protected:
    void SetUp() override;
    void TearDown() override;

    scratch_home home_;
    testing_support::scratch_dir temp_;
};
