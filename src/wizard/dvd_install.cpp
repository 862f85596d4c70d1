// The DVD install road's last screens: the install, which turns the plan
// into actions once and then drives the disk pump a step a frame (the same
// frame on every DVD road), the two disk-change screens, and the finish.
#include <cstdio>

#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/text/translation.h"
#include "engine/destination_folders.h"
#include "engine/dvd_install_pump.h"
#include "engine/file_plan.h"
#include "engine/file_removal.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/stop_pumps.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

int dvd_install_is_running = 0;

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

const dvd_install_road kRoad = {
    {dvd_run_install, dvd_verify_disk_install, dvd_switch_disk_install, dvd_scenery_install,
     UTL_TEXT("Installing Nimbrel - Checking DVD..."),
     UTL_TEXT("Installing Nimbrel - Please Change DVDs")},
    &dvd_install_is_running,
    dvd_done_install,
    dvd_scenery_install,
    dvd_pick_install,
    true,
    // The scenery screen asks whether to delete the partial copy.
    dvd_scenery_install,
    UTL_TEXT("Installing Nimbrel"),
    UTL_TEXT("I am installing Nimbrel in %1:file path%."),
    UTL_TEXT("Installing: %1:file%"),
    UTL_TEXT("Finishing up..."),
    UTL_TEXT("An error occurred during installation:"),
    UTL_TEXT("You can continue with the installation and attempt to repair the damaged files "
             "later, or you can cancel the installation."),
    UTL_TEXT("Cancel"),
    UTL_TEXT("the install."),
};

// Nothing is registered or copied unless the plan stands and the folders
// are made; on failure the screen to go back to, else null.
screen_fn start_install(const dvd_install_road& road)
{
    xer << "Starting install at " << static_cast<double>(xtim.microsecs()) * 1e-6 << "\n";
    if (!choose_files()) return road.plan_cancelled;
    // A new copy's folder must still be free: if it appeared meanwhile the
    // destination screen says so, and nothing is written.
    if ((road.registers ? make_new_copy_dirs() : make_dirs()) != 0) return road.folders_failed;
    if (road.registers) register_new_copy();
    // A file the plan removes that stays counts against the finish like
    // one that failed to install.
    num_install_errors = delete_files();
    *road.running = 1;
    return nullptr;
}

void show_progress(const dvd_install_road& road, int cursor, wizard_screen& record)
{
    record.back = road.disks.back;
    record.next = nullptr;
    record.text = UTL_string_sub(tr(road.busy_text), dest_dir_path);
    if (cursor < static_cast<int>(sim_info.size())) {
        record.progress = sim_info[cursor].back().progress;
        record.progress_text = UTL_string_sub(tr(road.file_text), sim_info[cursor].back().path);
    } else {
        record.progress = 1.0f;
        record.progress_text = tr(road.finishing);
    }
}

}  // namespace

int dvd_install_frame(const dvd_install_road& road, int& cursor, wizard_screen& record)
{
    record.title = tr(road.title);
    // Quitting lets the files being read finish and drops the rest: the
    // partial copy stays, registered, for the repair road.
    record.quit_hook = UTL_stop_all_pumps;

    if (!*road.running) {
        cursor = 0;
        if (screen_fn refused = start_install(road)) {
            record.next = refused;
            return 1;
        }
        if (dvd_check_disk_first(road.disks, record)) return 1;
    }

    switch (install_files(cursor, current_disk)) {
    case kInstallDone:
        xer << "Install finished, " << num_install_errors << " files failed\n";
        *road.running = 0;
        record.back = nullptr;
        record.next = road.done;
        return 1;
    case kInstallNextDisk:
        want_file_disk = cursor;
        record.next = road.disks.verify;
        return 1;
    case kInstallError:
        ++num_install_errors;
        if (UTIL_cancel_install(tr(road.error_heading), tr(road.error_advice), tr(road.error_first),
                                tr(road.error_side), tr("Continue"), tr(road.error_side)) == 0)
            break;
        if (road.error_leads_to) {
            record.next = road.error_leads_to;
            return 1;
        }
        UTL_stop_all_pumps();
        *road.running = 0;
        record.next = road.done;
        return 1;
    default: break;
    }
    show_progress(road, cursor, record);
    return 0;
}

bool keep_running_road(int& running, const std::string& question, const std::string& side)
{
    if (abort_alert(question, tr("Stop"), side, tr("Continue"), side) == 0) return true;
    // Before the screen reads sim_info again: the workers write into it.
    UTL_stop_all_pumps();
    running = 0;
    return false;
}

int dvd_run_install(int, wizard_screen& record)
{
    static int cursor = 0;
    return dvd_install_frame(kRoad, cursor, record);
}

int dvd_verify_disk_install(int, wizard_screen& record) { return dvd_verify_disk(kRoad.disks, record); }

int dvd_switch_disk_install(int first_frame, wizard_screen& record)
{
    return dvd_switch_disk(kRoad.disks, first_frame, record);
}

int dvd_done_install(int, wizard_screen& record)
{
    record.title = tr("Finished Installing Nimbrel");
    if (num_install_errors > 0) {
        record.text = tr("There were errors during the install; your copy of Nimbrel may not be "
                         "usable.\n\nYou can click Go Back and use the repair and add-remove "
                         "scenery functions to try to reinstall any missing or damaged files.");
    } else {
        record.text = tr("Installation was successful.") + unregistered_copy_note();
        record.choice_labels.push_back(tr("Run Nimbrel Now"));
        record.choice_funcs.push_back(dvd_do_run_sim);
    }
    record.back = dvd_start;
    record.next = wizard_quit;
    return 0;
}
