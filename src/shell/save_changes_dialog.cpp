#include "core/text/translation.h"
#include "core/window_ids.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/save_changes_and_links.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"

namespace {

constexpr int save_window = window_ids::save_changes;

// A button aligned near one edge: its centre from the caption's width.
bool edge_button(const std::string& caption, bool from_left, float y)
{
    const float w = str_dx(caption);
    const float x = from_left ? 20 + w / 2 : mnw.window_width - 20 - w / 2;
    return shell_widgets().BTN_action(x, y, 0, 0, 1, caption, "-") != 0;
}

}  // namespace

int MACIBM_nuke_alert(std::string name, int cancel_permitted)
{
    MACIBM_startwind(save_window, 0);
    std::string question;
    while (mnw.current_window == save_window) {
        question = UTL_translate_string("Save changes to ", 0) + name + " " +
                   UTL_translate_string("first?", 0);
        OGL_plot_back_col();
        shell_widgets().BTN_fillwin(1, 24);
        OGL_string(46, 20, mnw.window_height - 40, question, mnw.window_width - 40,
                   charset_regular, 0);
        int answer = 0;
        if (edge_button(UTL_translate_string("Save", 0), true, 60))
            answer = 1;
        else if (edge_button(UTL_translate_string("Don't Save", 0), true, 25))
            answer = 2;
        else if (cancel_permitted && edge_button(UTL_translate_string("Cancel", 0), false, 25))
            answer = 3;
        if (answer) {
            MACIBM_startwind(0, 0);
            return answer;
        }
        MACIBM_event_proc();
    }
    return 3;
}
