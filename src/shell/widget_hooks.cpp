#include "shell/widget_hooks.h"

namespace {

const shell_widget_hooks defaults = {
    [] {},
    [] {},
    [](int, float, float, float, int) {},
    [](int, float, float, float, float, const std::string&, float) {},
    [](float, float, float, float, float, float, int) {},
    [](int) {},
    [](int, int) {},
    [](float, int, float, float, float, float, const std::string&, float*, float*) {},
    [](float, float, int*, int, const std::string&) { return 0; },
    [](float, float, float, int, int, const std::string&, const std::string&) { return 0; },
    [](float, float, int*, const std::string&, int) { return 0; },
    [](int, float, float, float, int, int, int*) { return 0; },
    [](float, float, int, int, std::string*, int, const std::string&, float, int) { return 0; },
};

shell_widget_hooks current = defaults;
bool window_pieces_given = false;

template <typename Fn>
void take(Fn& slot, Fn given)
{
    if (given) slot = given;
}

}  // namespace

void set_shell_widget_hooks(const shell_widget_hooks& h)
{
    take(current.BTN_begin_focus_ring, h.BTN_begin_focus_ring);
    take(current.BTN_unfocus_any, h.BTN_unfocus_any);
    take(current.BTN_frame1, h.BTN_frame1);
    take(current.BTN_frame2, h.BTN_frame2);
    take(current.BTN_util_element, h.BTN_util_element);
    take(current.BTN_zap_boxes, h.BTN_zap_boxes);
    take(current.BTN_fillwin, h.BTN_fillwin);
    take(current.BTN_subwin, h.BTN_subwin);
    take(current.BTN_is_int, h.BTN_is_int);
    take(current.BTN_action, h.BTN_action);
    take(current.BTN_bool, h.BTN_bool);
    take(current.BTN_vert_slider, h.BTN_vert_slider);
    take(current.BTN_select_path_stl, h.BTN_select_path_stl);
    window_pieces_given = window_pieces_given || (h.BTN_fillwin && h.BTN_action);
}

void reset_shell_widget_hooks()
{
    current = defaults;
    window_pieces_given = false;
}

const shell_widget_hooks& shell_widgets() { return current; }

bool alert_window_available() { return window_pieces_given; }
