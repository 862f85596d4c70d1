// The frame clock `xtim`: the program's one time base.
//
// Once per frame the event loop calls xtim_update, which keeps the running
// time, a smoothed frame period per kind of window, periodic tick flags and
// the mouse-button timing, and pulses a few interface colours.  Interface
// timing and transfer time-outs read `xtim`, never the system clock.
//
// The clock runs on a monotonic time source (a wall-clock jump must not
// fire a time-out); tests drive it through xtim_set_clock.  The mouse fields
// live in the window shell's record and the colours in the graphics
// subsystem: they reach the clock through the bindings at the end.
#pragma once

#include <string>

class xtim_class {
public:
    xtim_class();

    // The per-frame step: before key repeat and the application's frame.
    void xtim_update();
    // Microseconds since the first call of microsecs, del_time or profile_chart.
    unsigned long long microsecs();
    // Microseconds since the previous stamp in `stamp` (or a shared one when
    // null), which then takes the new stamp.
    int del_time(unsigned long long* stamp);
    // Logs the time since the previous phase while profiling is on.
    void profile_chart(std::string phase, int end_of_frame);
    // Month 0 = January and day 1..31 of `day_of_year` (no leap years).
    void current_month_day(int* month, int* day);
    // Whole hours, minutes and seconds of a duration.
    void xtim_hrs_min_sec(float seconds, float* hours, float* minutes, float* secs);

    int unused_flag;
    float unused_rate;
    float sim_rate;      // multiplies the main window's period into prd_sim
    float prd_frame_1;   // frame period, seconds
    float prd_frame_2;   // the same, for the install screens
    float prd_sim;       // frame period of simulated time
    float rate_ratio;    // last measured actual/estimated period, 0.5 .. 1.5
    int frame_count;     // the event loop adds one per swapped frame
    float real_time;     // seconds since the first xtim_update
    float sim_time;      // nothing advances it here
    float unused_time_of_day[2];
    float unused_ratio;
    float day_of_year;   // 0 = 1 January, below 365
    int sim_tick[9];     // one-frame flags at 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 40 Hz
    int act_tick[9];     // the same on real_time
    int unused_words[4];
};

extern xtim_class xtim;

// -- Time source ---------------------------------------------------------------

// Microseconds of some monotonic clock.
using xtim_clock_fn = unsigned long long (*)();
// Null restores the system's monotonic clock.  The clock then starts over:
// the microsecond base, the start time and every estimate and tick state.
void xtim_set_clock(xtim_clock_fn clock);

// -- Bindings to the window shell and the graphics subsystem -------------------

// The main-window fields the clock reads and writes, bound by the shell to
// its own record.  Until then they point at a private zeroed record.
struct xtim_window_fields {
    int* current_window;          // 0 main, 994..999 modal, other ids
    int* second_monitor_in_use;
    float* mouse_x;
    float* mouse_y;
    int* click;                   // a button went down this frame
    int* button_released;         // a button went up this frame
    int* button_held;
    int* quick_release;
    int* double_click;
    int* held_long;               // held more than 0.25 s
    int* held_very_long;          // held more than 1 s
    float* last_move_time;
    float* click_time;
    int* profile_on;
};
// Null entries keep the private field.
void xtim_bind_window_fields(const xtim_window_fields& fields);

struct xtim_ui_hooks {
    void (*assign_colour)(int index, float r, float g, float b) = nullptr;  // colr_class::assign
    void (*set_colour_red)(int index, float r) = nullptr;  // first component only
    void (*unfocus_widgets)() = nullptr;                     // BTN_unfocus_any
};
void xtim_set_ui_hooks(const xtim_ui_hooks& hooks);
