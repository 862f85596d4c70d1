// A clean window for each widget test: 400 by 300 interface units at the
// origin, no menu open, the mouse nowhere, drawing recorded and alerts
// caught instead of ending the run.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/shell_hooks.h"
#include "shell/mnw_state.h"
#include "widgets/widget_draw.h"

inline std::vector<std::string>& caught_alerts()
{
    static std::vector<std::string> alerts;
    return alerts;
}

class widget_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        caught_alerts().clear();
        set_alert_hook([](int, const std::string& l1, const std::string&, const std::string&,
                          const std::string&, int, const char*, int) {
            // No sheet is loaded without a window: the texture manager's
            // complaint about that is not what these tests look for.
            if (l1.rfind("Null texture", 0) != 0) caught_alerts().push_back(l1);
        });
        mnw.current_window = 0;
        mnw.window_width = 400;
        mnw.window_height = 300;
        mnw.screen_width = 800;
        mnw.screen_height = 600;
        mnw.origin_x = mnw.origin_y = 0;
        mnw.open_menu = -1;
        mnw.click = mnw.button_held = mnw.held_long = 0;
        mouse_at(-1000, -1000);
        stls.hover_help.clear();
        ops.clear();
        BTN_record_drawing(&ops);
    }
    void TearDown() override
    {
        BTN_record_drawing(nullptr);
        set_alert_hook(nullptr);
    }
    static void mouse_at(float x, float y)
    {
        mnw.mouse_x = x;
        mnw.mouse_y = y;
    }
    static void click_at(float x, float y)
    {
        mouse_at(x, y);
        mnw.click = 1;
    }
    std::vector<widget_draw_op> pieces() const
    {
        std::vector<widget_draw_op> out;
        for (const widget_draw_op& op : ops)
            if (op.kind == widget_draw_op::piece) out.push_back(op);
        return out;
    }
    std::vector<widget_draw_op> texts() const
    {
        std::vector<widget_draw_op> out;
        for (const widget_draw_op& op : ops)
            if (op.kind == widget_draw_op::text) out.push_back(op);
        return out;
    }
    std::vector<widget_draw_op> ops;
};
