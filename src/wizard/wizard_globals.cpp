#include "wizard/wizard_screen.h"

#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "wizard/wizard_globals.h"

std::vector<std::string> step_names;
std::vector<screen_fn> step_funcs;

std::string cmd_line_path;
int num_install_errors = 0;
int accept_eula = 0;
int copy_not_registered = 0;

void set_step_list(const road_step* steps, std::size_t count)
{
    step_names.clear();
    step_funcs.clear();
    for (std::size_t i = 0; i < count; ++i) {
        step_names.push_back(UTL_translate_string(steps[i].name, 0));
        step_funcs.push_back(steps[i].screen);
    }
}

int wizard_quit(int, wizard_screen&)
{
    app_done = 1;
    return 1;
}

screen_fn wizard_next_screen(screen_fn current, const wizard_screen& record,
                             const wizard_frame_events& events)
{
    screen_fn screen = current;
    if (events.has_choice) screen = events.chosen;
    if (events.continue_clicked && record.next) screen = record.next;
    if (events.back_clicked && record.back) screen = record.back;
    if (events.screen_result != 0 && record.next) screen = record.next;
    return screen;
}

float wizard_progress_right(float progress)
{
    float f = progress * 0.96f + 0.04f;
    if (f < 0.04f) f = 0.04f;
    if (f > 1.0f) f = 1.0f;
    return 240.0f + 520.0f * f;
}
