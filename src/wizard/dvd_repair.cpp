// The repair road: every simulator file of a registered copy checked by MD5
// against the disks' manifest, and what is missing or damaged installed
// again from the disks.  Files the release does not know (the user's own)
// are never looked at.
#include "core/diag/log_stream.h"
#include "core/text/translation.h"
#include "engine/checksum_pump.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/dvd_road.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

int repair_is_running = 0;

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

const road_step kSteps[] = {
    {UTL_TEXT("Welcome"), dvd_start},
    {UTL_TEXT("Select Nimbrel"), dvd_pick_repair},
    {UTL_TEXT("Scan For Problems"), dvd_scan_repair},
    {UTL_TEXT("Confirm Repairs"), dvd_confirm_repair},
    {UTL_TEXT("Repair Nimbrel"), dvd_install_repair},
    {UTL_TEXT("Finish"), dvd_done_repair},
};

const dvd_install_road kRoad = {
    {dvd_install_repair, dvd_verify_disk_repair, dvd_switch_disk_repair, dvd_confirm_repair,
     UTL_TEXT("Repairing Nimbrel - Checking DVD"),
     UTL_TEXT("Repairing Nimbrel - Please Change DVDs")},
    &repair_is_running,
    dvd_done_repair,
    dvd_confirm_repair,
    dvd_confirm_repair,
    false,
    nullptr,
    UTL_TEXT("Repairing Nimbrel"),
    UTL_TEXT("I am repairing %1:file path%."),
    UTL_TEXT("Repairing: %1:file path%"),
    UTL_TEXT("Finishing up..."),
    UTL_TEXT("An error occurred during the repair:"),
    UTL_TEXT("Nimbrel may not be usable until you are able to repair the sim without errors."),
    UTL_TEXT("Stop"),
    UTL_TEXT("the repair."),
};

}  // namespace

int count_files_to_repair()
{
    int n = 0;
    for (std::size_t h = 0; h < sim_info.size(); ++h) {
        const int last = static_cast<int>(sim_info[h].size()) - 1;
        const file_version_struct& v = sim_info[h][last];
        if (v.is_current || !want_this_f(static_cast<int>(h), last)) continue;
        // A file the release dropped needs work only while it is there.
        if (v.sig_want == "GONE" && !file_present(v)) continue;
        ++n;
    }
    return n;
}

int dvd_pick_repair(int first_frame, wizard_screen& record)
{
    record.title = tr("Repair Nimbrel 9");
    record.back = dvd_start;
    record.next = dvd_scan_repair;
    if (first_frame) set_step_list(kSteps);
    pick_copy_frame(first_frame, UTL_TEXT("Please pick which copy of Nimbrel 9 you would like to repair."),
                    record);
    return 0;
}

int dvd_scan_repair(int first_frame, wizard_screen& record)
{
    static int ctr = 0;
    if (first_frame) {
        ctr = 0;
        set_install_filter(1, 0);
    }
    record.title = tr("Scanning Nimbrel for Problems");
    record.text = UTL_string_sub(
        tr("I am scanning %1:folder% for missing or damaged files.\n\nNote: if you have updated "
           "this copy of Nimbrel from the Internet, the repair operation will remove the "
           "updates.  Once the repair has finished, you should reapply the updates from the web."),
        dest_dir_path);
    if (!scan_copy_frame(ctr, kChecksumFull, record)) {
        record.back = dvd_pick_repair;
        record.next = nullptr;
        return 0;
    }
    record.back = nullptr;
    record.next = dvd_confirm_repair;
    return 1;
}

int dvd_confirm_repair(int first_frame, wizard_screen& record)
{
    static int num_file_install = 0;
    if (first_frame) {
        if (repair_is_running &&
            keep_running_road(repair_is_running,
                              tr("Are you sure you want to stop the repair operation?  Nimbrel may "
                                 "not be usable until repairs are complete.  You can run the "
                                 "repair operation on Nimbrel again later to complete repairs."),
                              tr("the repair operation."))) {
            record.next = dvd_install_repair;
            return 1;
        }
        recalc_disk_sizes();
        num_file_install = count_files_to_repair();
        xer << "Files to repair in " << dest_dir_path << ": " << num_file_install << "\n";
    }
    record.title = tr("Confirm Repairs");
    record.text = UTL_string_sub(
        UTL_translate_plural(num_file_install,
                             "I need to install approximately %1:count% file to repair %2:path%.",
                             "I need to install approximately %1:count% files to repair %2:path%."),
        int_str(num_file_install), dest_dir_path);
    record.back = dvd_pick_repair;
    record.next = dvd_install_repair;
    if (!UTIL_disk_space(tr("You have enough free disk space to repair this copy of Nimbrel."),
                         tr("You do not have enough free disk space to repair this copy of "
                            "Nimbrel."))) {
        record.next = nullptr;
        return 0;
    }
    record.text += tr("\n\nClick continue to begin repairing Nimbrel.");
    return 0;
}

int dvd_install_repair(int, wizard_screen& record)
{
    static int f = 0;
    return dvd_install_frame(kRoad, f, record);
}

int dvd_verify_disk_repair(int, wizard_screen& record) { return dvd_verify_disk(kRoad.disks, record); }

int dvd_switch_disk_repair(int first_frame, wizard_screen& record)
{
    return dvd_switch_disk(kRoad.disks, first_frame, record);
}

int dvd_done_repair(int, wizard_screen& record)
{
    record.title = tr("Finished Repairing Nimbrel.");
    if (num_install_errors < 1) {
        record.text = UTL_string_sub(tr("I have finished repairing %1:install path% - click Go "
                                        "Back to return to the main menu."),
                                     dest_dir_path);
        record.choice_labels.push_back(tr("Run Nimbrel Now"));
        record.choice_funcs.push_back(dvd_do_run_sim);
    } else {
        record.text = tr("There were errors during the repair; your copy of Nimbrel may not be "
                         "usable.\n\nYou can click Go Back and use the repair and add-remove "
                         "scenery functions to try to reinstall any missing or damaged files.");
    }
    record.back = dvd_start;
    record.next = wizard_quit;
    return 0;
}
