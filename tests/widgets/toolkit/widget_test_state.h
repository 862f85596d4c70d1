// A clean window for each widget test (the kit's main-window frames): 400
// by 300 interface units at the origin, no menu open, the mouse nowhere,
// drawing recorded and alerts caught instead of ending the run.
#pragma once

#include <vector>

#include "main_window_frames.h"
#include "widgets/widget_draw.h"

class widget_test : public main_window_frames {
protected:
    widget_test() : main_window_frames(400, 300) {}
    void SetUp() override
    {
        main_window_frames::SetUp();
        ops.clear();
        BTN_record_drawing(&ops);
    }
    void TearDown() override
    {
        BTN_record_drawing(nullptr);
        main_window_frames::TearDown();
    }
    std::vector<widget_draw_op> pieces() const { return only(widget_draw_op::piece); }
    std::vector<widget_draw_op> texts() const { return only(widget_draw_op::text); }
    std::vector<widget_draw_op> ops;

private:
    std::vector<widget_draw_op> only(widget_draw_op::kind_t kind) const
    {
        std::vector<widget_draw_op> out;
        for (const widget_draw_op& op : ops)
            if (op.kind == kind) out.push_back(op);
        return out;
    }
};
