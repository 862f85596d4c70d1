// The wizard's screens frame by frame without a window: the main window's
// state as start-up leaves it, the mouse nowhere, the installer state at its
// start values.  Without GL no widget sheet is loaded; the texture
// manager's complaint about that is the one alert these tests expect, and
// any other fails the test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

class main_window_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A click at (x, y) in the next frame, or call of a screen.
    static void click_at(float x, float y);
    // The mouse away again, without a click.
    static void mouse_away();
};

// HOME is a scratch folder while this lives, so the preference file and the
// registry of copies are too.
class scratch_home {
public:
    scratch_home();
    ~scratch_home();
    scratch_home(const scratch_home&) = delete;
    scratch_home& operator=(const scratch_home&) = delete;

    std::string operator/(const std::string& relative) const { return dir_ / relative; }
    const std::string& path() const { return dir_.path(); }

private:
    testing_support::scratch_dir dir_;
    std::string saved_;
};

// A road's screens with a home and a private temporary folder of their own,
// and no install, stream, transfer or proxy left over for the next test.
class road_test : public main_window_test {
protected:
    void SetUp() override;
    void TearDown() override;

    scratch_home home_;
    testing_support::scratch_dir temp_;
};
