// The web-demo road's last screens: the install, which sets the run up
// once and then drives the download pump for a slice of every frame, and
// the finish, which offers to fly the new copy.
#include <cstdio>

#include "core/diag/frame_clock.h"
#include "core/text/translation.h"
#include "engine/destination_folders.h"
#include "engine/download_pump.h"
#include "engine/download_streams.h"
#include "engine/file_plan.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine/server_list.h"
#include "wizard/demo_road.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"

int demo_install_is_running = 0;

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

// Long enough to keep four streams fed, short enough that the window still
// answers the mouse while they download.
constexpr double kPumpSliceSeconds = 0.02;

double wall_seconds() { return static_cast<double>(xtim.microsecs()) * 1e-6; }

// False when the user cancelled the plan or a folder could not be made (the
// engine has said why): nothing is then downloaded or registered.
bool set_up_install()
{
    stg_clear_failures();
    if (!choose_files()) return false;
    if (make_dirs() != 0) return false;
    next.reset_all_streams();
    demo_install_is_running = 1;
    register_new_nimbrel();
    return true;
}

int active_streams()
{
    int n = 0;
    for (int active : next.active) n += active != 0;
    return n;
}

}  // namespace

float smooth_install_fraction(float previous, float frame_period, float completed_kb,
                              float total_kb)
{
    const float k = 5 * frame_period;
    const float target = completed_kb / total_kb;
    const float f = (1 - k) * previous + k * target;
    if (f < 0) return 0;
    if (!(f <= 1)) return 1;  // above 1, or no number when the plan is empty
    return f;
}

std::string install_progress_text(int phase, const std::string& file, float file_fraction)
{
    std::string percent;
    int_to_str(static_cast<int>(file_fraction * 100), &percent, 1, 0, 0);
    switch (phase) {
    case 0: return UTL_string_sub(tr("Deleting %1:file% because that file is no longer needed!"), file);
    case 1:
        return UTL_string_sub(tr("Downloading and installing %1:file%, currently %2:progress%% done "
                                 "with that file."),
                              file, percent);
    case 2: return UTL_string_sub(tr("Skipping %1:file% because it is already installed."), file);
    case 3: return UTL_string_sub(tr("Skipping %1:file% because you don't need it."), file);
    default: return "";
    }
}

std::string install_main_text(float done_kb, float elapsed_s, float total_kb, int streams)
{
    if (elapsed_s < 1) elapsed_s = 1;
    const float rate = done_kb / elapsed_s;
    // Nothing received yet since the streams were reset (a restarted
    // install keeps its bar): no rate, so no honest time to show.
    if (!(rate > 0)) return "";
    float remaining = total_kb - done_kb;
    if (remaining < 0) remaining = 0;
    char count[16];
    std::snprintf(count, sizeof count, "%d", streams);
    const std::string templ = UTL_translate_plural(
        streams,
        "About %1:time% left in the install, downloading at %2:rate% with %3:number% download stream.",
        "About %1:time% left in the install, downloading at %2:rate% with %3:number% simultaneous "
        "download streams.");
    return UTL_string_sub(templ, time_str(remaining / rate), rate_str(rate), count);
}

int demo_run_patch(int, wizard_screen& record)
{
    static float totl_inst_rat = 0;

    if (!demo_install_is_running && !set_up_install()) {
        record.next = demo_pick_dest;
        return 1;
    }

    record.title = tr("Installing");
    record.show_servers = 1;
    const double t0 = wall_seconds();
    do {
        if (grab_files()) {
            next.reset_all_streams();
            demo_install_is_running = 0;
            record.back = nullptr;
            record.next = demo_done;
            return 1;
        }
        totl_inst_rat = smooth_install_fraction(totl_inst_rat, xtim.prd_frame_1,
                                                next.installed_kb, stg.install_total);
        const std::string progress =
            install_progress_text(stg.file_action, crnt_file_name, stg.file_progress);
        std::string main_text;
        if (totl_inst_rat > 0.01f)
            main_text = install_main_text(next.in_progress_kb + next.downloaded_kb,
                                          xtim.real_time - next.start_time, stg.download_total,
                                          active_streams());
        if (!stg.download_failed) {
            record.text = main_text;
            record.progress_text = progress;
            record.progress = totl_inst_rat;
        } else {
            record.text = UTL_string_sub(
                tr("I can not download the file '%1:filename%'.\n\nYour internet connection may "
                   "not be working, or the server could be undergoing maintainance or an upgrade "
                   "right now.\n\nI am trying another server now to see if I can still get you a "
                   "download..."),
                crnt_file_path);
            if (all_download_servers_failing())
                record.text += "\n\n" + server_trouble_text(server_name[stg.server_choice], true);
        }
        record.back = demo_pick_dest;
        record.next = nullptr;
    } while (wall_seconds() < t0 + kPumpSliceSeconds);
    return 0;
}

int demo_done(int, wizard_screen& record)
{
    record.back = nullptr;
    record.next = wizard_quit;
    record.title = tr("Finshed Web Demo Install");
    if (stg.extract_failed) {
        record.text = tr("There were problem installing the Nimbrel 9 web demo - it may not be usable.");
        return 0;
    }
    record.text = UTL_string_sub(
        tr("I have finished installing the Nimbrel 9 web demo at: %1:file path%."), dest_dir_path);
    record.choice_funcs.push_back(dvd_do_run_sim);
    record.choice_labels.push_back(tr("Fly Nimbrel 9 Now"));
    return 0;
}
