// The wizard: a chain of screen functions that the driver calls once per
// frame with a fresh record to fill.  Screens never block and never switch
// screens themselves; they describe the frame and answer "done" (non-zero).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct wizard_screen;
using screen_fn = int (*)(int first_frame, wizard_screen& record);

struct wizard_screen {
    std::string title;
    std::string text;
    screen_fn back = nullptr;  // null dims GO BACK
    screen_fn next = nullptr;  // null dims CONTINUE; wizard_quit makes it QUIT
    float progress = -1.0f;    // negative: no bar
    std::string progress_text;
    int show_servers = 0;
    int flag_prefs = 0;        // OPTIONS is live
    std::vector<std::string> choice_labels;
    std::vector<screen_fn> choice_funcs;  // parallel to choice_labels
    void (*quit_hook)() = nullptr;        // run by the left-hand QUIT
};

// The current screen.  Its first value is the executable's first screen,
// which fixes the road the program runs.
extern screen_fn g_wizard;
// The road's step list, filled by the road's first screen.
extern std::vector<std::string> step_names;
extern std::vector<screen_fn> step_funcs;

// A road's step: its name in English (marked with UTL_TEXT) and its screen.
struct road_step {
    const char* name;
    screen_fn screen;
};
// Replaces the step list by a road's steps, their names translated.
void set_step_list(const road_step* steps, std::size_t count);
template <std::size_t N>
void set_step_list(const road_step (&steps)[N])
{
    set_step_list(steps, N);
}

// The last screen of every road: ends the program.
int wizard_quit(int first_frame, wizard_screen& record);

// -- Switching ---------------------------------------------------------------
// What happened in one frame; the later entries win when several meet.
struct wizard_frame_events {
    screen_fn chosen = nullptr;  // a choice button's screen, if one was clicked
    bool has_choice = false;
    bool continue_clicked = false;
    bool back_clicked = false;
    int screen_result = 0;
};
// The screen current after the frame: a screen's "done", then GO BACK, then
// CONTINUE, then a choice; dimmed buttons change nothing.
screen_fn wizard_next_screen(screen_fn current, const wizard_screen& record,
                             const wizard_frame_events& events);

// Right edge of the progress fill: the bar always shows a stub, so a run at
// 0 % still looks alive.
float wizard_progress_right(float progress);
