// Driving the fields frame by frame as the event loop would: the mouse
// and click of the frame in the window record, a fresh focus ring, keys
// queued for the focused widget before the widgets are drawn.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/shell_hooks.h"
#include "shell/mnw_state.h"
#include "widgets/focus_ring.h"

// Alerts of the test, first lines; a headless run has no widget sheet,
// so binding it is one alert every test expects and ignores.
inline std::vector<std::string>& frame_alerts()
{
    static std::vector<std::string> lines;
    return lines;
}
// Where each of them says it was raised: "file line".
inline std::vector<std::string>& frame_alert_places()
{
    static std::vector<std::string> places;
    return places;
}
constexpr const char* no_sheet_alert = "Null texture - how?";

class field_frames : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame_alerts().clear();
        frame_alert_places().clear();
        set_alert_hook([](int, const std::string& l1, const std::string& l2, const std::string&,
                          const std::string&, int, const char* file, int line) {
            if (l1 == no_sheet_alert) return;
            frame_alerts().push_back(l1);
            frame_alerts().push_back(l2);
            frame_alert_places().push_back(std::string(file) + " " + std::to_string(line));
        });
        mnw.open_menu = -1;
        mnw.current_window = 0;
        mnw.origin_x = mnw.origin_y = 0.0f;
        BTN_unfocus_any();
        BTN_begin_focus_ring();
        idle();
    }
    void TearDown() override { set_alert_hook(nullptr); }
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
        // A new ring; a click drops the focus, as the frame clock does, and
        // the clicked widget takes it again.
        BTN_begin_focus_ring();
        if (click) BTN_unfocus_any();
    }
    // A key event of the coming frame, offered to the focused widget as the
    // key bindings do: true when the focus system took it.
    static bool press(int character, int vkey = 0, int flags = 8)
    {
        return BTN_dispatch_to_focus(character, vkey, flags) != 0;
    }
};
