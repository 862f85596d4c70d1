// The DVD install road's last screens: the install, which turns the plan
// into actions once and then drives the disk pump a step a frame, the two
// disk-change screens, and the finish.
#include <cstdio>

#include "core/diag/frame_clock.h"
#include "core/diag/log_stream.h"
#include "core/text/translation.h"
#include "engine/destination_folders.h"
#include "engine/dvd_install_pump.h"
#include "engine/file_plan.h"
#include "engine/file_removal.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/stop_pumps.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

int dvd_install_is_running = 0;

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

const dvd_disk_road kDiskRoad = {
    dvd_run_install,
    dvd_verify_disk_install,
    dvd_switch_disk_install,
    dvd_scenery_install,
    UTL_TEXT("Installing Nimbrel - Checking DVD..."),
    UTL_TEXT("Installing Nimbrel - Please Change DVDs"),
};

// Nothing is registered or copied unless the plan stands and the folders
// are made; on failure the screen to go back to, else null.
screen_fn start_install()
{
    xer << "Starting install at " << static_cast<double>(xtim.microsecs()) * 1e-6 << "\n";
    if (!choose_files()) return dvd_scenery_install;
    if (make_dirs() != 0) return dvd_pick_install;
    register_new_nimbrel();
    delete_files();
    dvd_install_is_running = 1;
    num_install_errors = 0;
    return nullptr;
}

void show_progress(int cursor, wizard_screen& record)
{
    record.back = dvd_scenery_install;
    record.next = nullptr;
    record.text = UTL_string_sub(tr("I am installing Nimbrel in %1:file path%."), dest_dir_path);
    if (cursor < static_cast<int>(sim_info.size())) {
        record.progress = sim_info[cursor].back().progress;
        record.progress_text =
            UTL_string_sub(tr("Installing: %1:file%"), sim_info[cursor].back().path);
    } else {
        record.progress = 1.0f;
        record.progress_text = tr("Finishing up...");
    }
}

}  // namespace

int dvd_run_install(int, wizard_screen& record)
{
    static int cursor = 0;
    record.title = tr("Installing Nimbrel");
    // Quitting lets the files being read finish and drops the rest: the
    // partial copy stays, registered, for the repair road.
    record.quit_hook = UTL_stop_all_pumps;

    if (!dvd_install_is_running) {
        cursor = 0;
        if (screen_fn refused = start_install()) {
            record.next = refused;
            return 1;
        }
        if (dvd_check_disk_first(kDiskRoad, record)) return 1;
    }

    switch (install_files(cursor, current_disk)) {
    case kInstallDone:
        xer << "Install finished, " << num_install_errors << " files failed\n";
        dvd_install_is_running = 0;
        record.back = nullptr;
        record.next = dvd_done_install;
        return 1;
    case kInstallNextDisk:
        want_file_disk = cursor;
        record.next = dvd_verify_disk_install;
        return 1;
    case kInstallError:
        ++num_install_errors;
        if (UTIL_cancel_install(tr("An error occurred during installation:"),
                                tr("You can continue with the installation and attempt to "
                                   "repair the damaged files later, or you can cancel the "
                                   "installation."),
                                tr("Cancel"), tr("the install."), tr("Continue"),
                                tr("the install.")) != 0) {
            record.next = dvd_scenery_install;
            return 1;
        }
        break;
    default: break;
    }
    show_progress(cursor, record);
    return 0;
}

int dvd_verify_disk_install(int, wizard_screen& record) { return dvd_verify_disk(kDiskRoad, record); }

int dvd_switch_disk_install(int first_frame, wizard_screen& record)
{
    return dvd_switch_disk(kDiskRoad, first_frame, record);
}

int dvd_done_install(int, wizard_screen& record)
{
    record.title = tr("Finished Installing Nimbrel");
    if (num_install_errors > 0) {
        record.text = tr("There were errors during the install; your copy of Nimbrel may not be "
                         "usable.\n\nYou can click Go Back and use the repair and add-remove "
                         "scenery functions to try to reinstall any missing or damaged files.");
    } else {
        record.text = tr("Installation was successful.");
        record.choice_labels.push_back(tr("Run Nimbrel Now"));
        record.choice_funcs.push_back(dvd_do_run_sim);
    }
    record.back = dvd_start;
    record.next = wizard_quit;
    return 0;
}
