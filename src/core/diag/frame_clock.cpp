#include "core/diag/frame_clock.h"

#include <time.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>

#include "core/diag/log_stream.h"
#include "core/window_ids.h"

xtim_class xtim;

namespace {

// -- Time source and shared stamps -----------------------------------------------

unsigned long long monotonic_microseconds()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<unsigned long long>(now.tv_sec) * 1000000ULL +
           static_cast<unsigned long long>(now.tv_nsec) / 1000ULL;
}

// Constant-initialised: a global's constructor may ask for the time before
// this unit's own initialiser has run.
std::atomic<xtim_clock_fn> clock_source{nullptr};
constexpr unsigned long long no_base = ~0ULL;
std::atomic<unsigned long long> init_call{no_base};
unsigned long long old = 0;        // shared by del_time and profile_chart
float last_frame_end = -1.0f;      // profile_chart's previous end of frame

unsigned long long raw_now()
{
    xtim_clock_fn source = clock_source.load();
    return source ? source() : monotonic_microseconds();
}

// -- State of xtim_update --------------------------------------------------------

constexpr float rate_periods[9] = {10.0f, 5.0f, 2.0f, 1.0f, 0.5f, 0.2f, 0.1f, 0.05f, 0.025f};

struct update_state {
    bool started = false;
    float start_time = 0;
    float prd_win_0 = 0.02f;
    float prd_win_n = 0.02f;
    int cntr_FM = 0, cntr_UI = 0;
    float last_time_FM = 0, last_time_UI = 0;
    // sim_time and real_time when each rate's tick flag was last raised.
    float sim_ot01 = 0, sim_ot02 = 0, sim_ot05 = 0, sim_ot1 = 0, sim_ot2 = 0, sim_ot5 = 0,
          sim_ot10 = 0, sim_ot20 = 0, sim_ot40 = 0;
    float act_ot01 = 0, act_ot02 = 0, act_ot05 = 0, act_ot1 = 0, act_ot2 = 0, act_ot5 = 0,
          act_ot10 = 0, act_ot20 = 0, act_ot40 = 0;
    float mx = 999.0f, my = 999.0f;
};
update_state state;

// The last-raised times in the order of rate_periods.
using last_raised_times = float update_state::*const[9];
constexpr last_raised_times sim_ot = {
    &update_state::sim_ot01, &update_state::sim_ot02, &update_state::sim_ot05,
    &update_state::sim_ot1,  &update_state::sim_ot2,  &update_state::sim_ot5,
    &update_state::sim_ot10, &update_state::sim_ot20, &update_state::sim_ot40};
constexpr last_raised_times act_ot = {
    &update_state::act_ot01, &update_state::act_ot02, &update_state::act_ot05,
    &update_state::act_ot1,  &update_state::act_ot2,  &update_state::act_ot5,
    &update_state::act_ot10, &update_state::act_ot20, &update_state::act_ot40};

// -- Bindings ----------------------------------------------------------------------

struct window_record {
    int current_window, second_monitor_in_use;
    float mouse_x, mouse_y;
    int click, button_released, button_held, quick_release, double_click, held_long,
        held_very_long;
    float last_move_time, click_time;
    int profile_on;
};
window_record own_fields;

constexpr xtim_window_fields own_binding()
{
    window_record& r = own_fields;
    return {&r.current_window, &r.second_monitor_in_use, &r.mouse_x, &r.mouse_y,
            &r.click, &r.button_released, &r.button_held, &r.quick_release,
            &r.double_click, &r.held_long, &r.held_very_long, &r.last_move_time,
            &r.click_time, &r.profile_on};
}
// Constant-initialised, so the clock works even for a global's constructor.
constexpr xtim_window_fields own_bound = own_binding();
xtim_window_fields win = own_bound;
xtim_ui_hooks ui;

template <typename T>
void bind(T*& slot, T* given, T* own)
{
    slot = given ? given : own;
}

// One estimate of the frame period, moved every tenth frame of its kind by
// the fourth root of the measured ratio, so a single slow frame cannot swing
// it; kept between about 1 ms and 1/19 s.
void update_estimate(xtim_class& clock, int& counter, float& last_time, float& period)
{
    if (counter++ % 10 != 0) return;
    float ratio = 0.1f * (clock.real_time - last_time) / period;
    ratio = std::fmin(std::fmax(ratio, 0.5f), 1.5f);
    clock.rate_ratio = ratio;
    period = std::fmin(std::fmax(period * std::pow(ratio, 0.25f), 0.0010001f), 1.0f / 19.0f);
    last_time = clock.real_time;
}

void update_ticks(float now, update_state& s, const last_raised_times& last_raised, int* ticks)
{
    for (int i = 0; i < 9; ++i) {
        ticks[i] = 0;
        float& raised = s.*last_raised[i];
        if (std::fabs(now - raised) > rate_periods[i]) {
            ticks[i] = 1;
            raised = now;
        }
    }
}

}  // namespace

void xtim_set_clock(xtim_clock_fn clock)
{
    clock_source.store(clock);
    init_call.store(no_base);
    old = 0;
    last_frame_end = -1.0f;
    state = update_state();
}

void xtim_bind_window_fields(const xtim_window_fields& f)
{
    const xtim_window_fields& own = own_bound;
    bind(win.current_window, f.current_window, own.current_window);
    bind(win.second_monitor_in_use, f.second_monitor_in_use, own.second_monitor_in_use);
    bind(win.mouse_x, f.mouse_x, own.mouse_x);
    bind(win.mouse_y, f.mouse_y, own.mouse_y);
    bind(win.click, f.click, own.click);
    bind(win.button_released, f.button_released, own.button_released);
    bind(win.button_held, f.button_held, own.button_held);
    bind(win.quick_release, f.quick_release, own.quick_release);
    bind(win.double_click, f.double_click, own.double_click);
    bind(win.held_long, f.held_long, own.held_long);
    bind(win.held_very_long, f.held_very_long, own.held_very_long);
    bind(win.last_move_time, f.last_move_time, own.last_move_time);
    bind(win.click_time, f.click_time, own.click_time);
    bind(win.profile_on, f.profile_on, own.profile_on);
}

void xtim_set_ui_hooks(const xtim_ui_hooks& hooks) { ui = hooks; }

xtim_class::xtim_class()
{
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    unused_flag = 1;
    unused_rate = 1.0f;
    sim_rate = 1.0f;
    prd_frame_1 = 0.02f;
    prd_frame_2 = 0.02f;
    rate_ratio = 1.0f;
    unused_time_of_day[0] = unused_time_of_day[1] = 43200.0f;
    unused_ratio = 1.0f / 19.0f;
    day_of_year = 90.0f;
}

unsigned long long xtim_class::microsecs()
{
    unsigned long long now = raw_now();
    unsigned long long base = no_base;
    // The first caller, on whatever thread, sets the base.
    if (init_call.compare_exchange_strong(base, now)) return 0;
    return now - base;
}

int xtim_class::del_time(unsigned long long* stamp)
{
    unsigned long long now = microsecs();
    unsigned long long& slot = stamp ? *stamp : old;
    auto elapsed = static_cast<std::uint32_t>(now - slot);
    slot = now;
    return static_cast<int>(elapsed);
}

void xtim_class::xtim_update()
{
    update_state& s = state;
    float now_seconds = static_cast<float>(static_cast<double>(microsecs()) / 1000000.0);
    if (!s.started) {
        s.started = true;
        s.start_time = now_seconds;
    }
    real_time = now_seconds - s.start_time;

    // -- Frame-period estimates: each measures only time spent in its kind of window.
    int w = *win.current_window;
    if (w == 0 || *win.second_monitor_in_use) {
        update_estimate(*this, s.cntr_FM, s.last_time_FM, s.prd_win_0);
        prd_frame_1 = prd_frame_2 = s.prd_win_0;
        prd_sim = s.prd_win_0 * sim_rate;
        s.last_time_UI = real_time;
    } else if (window_ids::is_modal(w)) {
        s.last_time_FM = s.last_time_UI = real_time;
    } else {
        s.last_time_FM = real_time;
        update_estimate(*this, s.cntr_UI, s.last_time_UI, s.prd_win_n);
        prd_frame_1 = prd_frame_2 = prd_sim = s.prd_win_n;
    }

    update_ticks(sim_time, s, sim_ot, sim_tick);
    update_ticks(real_time, s, act_ot, act_tick);

    // -- Mouse-button timing; the press time is still the previous press here.
    const float t = real_time;
    const float press = *win.click_time;
    const int held = *win.button_held;
    *win.held_long = held && t > press + 0.25f;
    *win.held_very_long = held && t > press + 1.0f;
    *win.double_click = *win.click && t < press + 0.25f;
    *win.quick_release = *win.button_released && t < press + 0.25f;
    if (*win.click) {
        *win.last_move_time = t;
        *win.button_held = 1;
        *win.click_time = t;
        if (ui.unfocus_widgets) ui.unfocus_widgets();
    }
    if (*win.button_released) {
        *win.button_held = 0;
        *win.held_long = 0;
    }
    if (std::fabs(*win.mouse_x - s.mx) > 0.5f || std::fabs(*win.mouse_y - s.my) > 0.5f)
        *win.last_move_time = t;
    s.mx = *win.mouse_x;
    s.my = *win.mouse_y;

    // -- Colour pulse, one cycle about every 0.314 s.
    float v = 0.3f * std::sin(20.0f * real_time) + 0.7f;
    if (ui.assign_colour) {
        ui.assign_colour(83, v, v, v);
        ui.assign_colour(84, v, 0.5f * v, 0.0f);
        ui.assign_colour(85, v, 0.3f * v, 0.3f * v);
        ui.assign_colour(86, 0.3f * v, 0.3f * v, v);
        ui.assign_colour(87, 0.2f * v, 0.8f * v, 0.2f * v);
        ui.assign_colour(88, 0.7f * v, 0.7f * v, 0.2f * v);
    }
    // The text editor reads it as the alpha of its caret line.
    if (ui.set_colour_red) ui.set_colour_red(111, v);
}

void xtim_class::profile_chart(std::string phase, int end_of_frame)
{
    if (!*win.profile_on) return;
    std::ostream& log = xer;
    std::ios::fmtflags flags = log.flags();
    std::streamsize precision = log.precision();
    log << std::fixed << phase << "=" << std::setw(6) << std::setprecision(0)
        << del_time(nullptr) * 0.1 << " | ";
    if (end_of_frame) {
        float now = static_cast<float>(static_cast<double>(microsecs()) / 1000000.0);
        if (last_frame_end < 0) last_frame_end = now;
        log << "   total: " << std::setw(5) << std::setprecision(3) << now - last_frame_end
            << " sec for topwi=" << *win.current_window << "\n";
        last_frame_end = now;
    }
    log.flags(flags);
    log.precision(precision);
}

void xtim_class::current_month_day(int* month, int* day)
{
    static const int first_day[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
    float d = day_of_year;
    int m = 0;
    while (m < 11 && d >= first_day[m + 1]) ++m;
    *month = m;
    int result = static_cast<int>(d - first_day[m] + 1);
    // Past the year's end the calendar stays on 31 December.
    *day = (m == 11 && result > 31) ? 31 : result;
}

void xtim_class::xtim_hrs_min_sec(float seconds, float* hours, float* minutes, float* secs)
{
    int h = static_cast<int>(seconds / 3600.0f);
    int m = static_cast<int>(seconds / 60.0f) - 60 * h;
    int s = static_cast<int>(seconds) - 3600 * h - 60 * m;
    *hours = static_cast<float>(h);
    *minutes = static_cast<float>(m);
    *secs = static_cast<float>(s);
}
