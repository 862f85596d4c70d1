#include "main_window_frames.h"

#include "core/shell_hooks.h"
#include "widgets/widget_context.h"

void main_window_frames::SetUp()
{
    mnw.current_window = 0;
    mnw.window_width = width_;
    mnw.window_height = height_;
    mnw.screen_width = 800;
    mnw.screen_height = 600;
    mnw.origin_x = mnw.origin_y = 0;
    mnw.language = 0;
    mnw.open_menu = -1;
    app_done = 0;
    alerts.clear();
    BTN_reset_context();
    idle();
}

void main_window_frames::TearDown()
{
    if (alerts_fail_)
        for (const testing_support::recorded_alert& a : alerts.alerts())
            ADD_FAILURE() << "alert: " << a.line1 << " / " << a.line2;
    mouse_away();
    app_done = 0;
}

void main_window_frames::mouse_at(float x, float y)
{
    mnw.mouse_x = x;
    mnw.mouse_y = y;
}

void main_window_frames::click_at(float x, float y)
{
    mouse_at(x, y);
    mnw.click = 1;
    mnw.button_held = 0;
}

void main_window_frames::mouse_away()
{
    mouse_at(-1000.0f, -1000.0f);
    mnw.click = mnw.button_held = 0;
}

void main_window_frames::frame_at(float x, float y, int click, int held)
{
    mouse_at(x, y);
    mnw.click = click;
    mnw.button_held = held;
    mnw.held_long = 0;
    mnw.double_click = 0;
    mnw.wheel_clicks = 0;
    mnw.cursor_request = 0;
    stls.hover_help.clear();
    BTN_begin_focus_ring();
    if (click) BTN_unfocus_any();
}

bool main_window_frames::press(int character, int vkey, int flags)
{
    return BTN_dispatch_to_focus(character, vkey, flags) != 0;
}
