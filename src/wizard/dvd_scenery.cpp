// The scenery road: the global-scenery tiles of a registered copy added and
// removed on the world map, from the disks.  The scan only looks for the
// tiles; before the plan deletes any, the install reads those it would
// delete, so that a tile the user changed is asked about first.
#include "core/diag/log_stream.h"
#include "core/text/translation.h"
#include "engine/checksum_pump.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/stop_pumps.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"
#include "wizard/world_map.h"

int scenery_install_is_running = 0;

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

const road_step kSteps[] = {
    {UTL_TEXT("Welcome"), dvd_start},
    {UTL_TEXT("Select Nimbrel"), dvd_pick_scenery},
    {UTL_TEXT("Scan Existing Scenery"), dvd_scan_scenery},
    {UTL_TEXT("Select New Scenery"), dvd_edit_scenery},
    {UTL_TEXT("Install Scenery"), dvd_install_scenery},
    {UTL_TEXT("Finish"), dvd_done_scenery},
};

const dvd_install_road kRoad = {
    {dvd_install_scenery, dvd_verify_disk_scenery, dvd_switch_disk_scenery, dvd_edit_scenery,
     UTL_TEXT("Installing Scenery - Verifying DVD"),
     UTL_TEXT("Installing Scenery - Please change DVDs")},
    &scenery_install_is_running,
    dvd_done_scenery,
    dvd_edit_scenery,
    dvd_edit_scenery,
    false,  // the copy is registered already
    nullptr,
    UTL_TEXT("Installing New Scenery"),
    UTL_TEXT("I am installing new scenery for %1:install path%,"),
    UTL_TEXT("Installing: %1:file%"),
    UTL_TEXT("Finishing Up..."),
    UTL_TEXT("An error occurred during scenery installation:"),
    UTL_TEXT("You can continue with the installation and attempt to reinstall the damaged files "
             "later, or you can stop the installation"),
    UTL_TEXT("Stop"),
    UTL_TEXT("the scenery install."),
};

struct done_sentences {
    const char* with_errors;
    const char* without_errors;
};
// By whether the map asked for files to install and to delete.
const done_sentences kDone[2][2] = {
    {{UTL_TEXT("There were errors while updating your scenery."),
      UTL_TEXT("I have successfully updated scenery to match your choices on the map.")},
     {UTL_TEXT("There were errors while removing your scenery."),
      UTL_TEXT("I have successfully removed scenery to match your choices on the map.")}},
    {{UTL_TEXT("There were errors while installing your scenery."),
      UTL_TEXT("I have successfully installed more scenery to match your choices on the map.")},
     {UTL_TEXT("There were errors while adding and removing your scenery."),
      UTL_TEXT("I have successfully added and removed scenery to match your choices on the "
               "map.")}},
};

// The finish's sentence, by what the map asked for and whether a file
// failed (English).
const char* done_sentence(bool installs, bool deletes, bool errors)
{
    const done_sentences& row = kDone[installs][deletes];
    return errors ? row.with_errors : row.without_errors;
}

}  // namespace

int dvd_pick_scenery(int first_frame, wizard_screen& record)
{
    record.title = tr("Select Nimbrel 9 to Add or Remove Scenery");
    record.back = dvd_start;
    record.next = dvd_scan_scenery;
    if (first_frame) set_step_list(kSteps);
    pick_copy_frame(first_frame,
                    UTL_TEXT("Please pick which copy of Nimbrel 9 you would like to add scenery to."),
                    record);
    return 0;
}

int dvd_scan_scenery(int first_frame, wizard_screen& record)
{
    static int cursor = 0;
    if (first_frame) {
        cursor = 0;
        // From here on the plan is of scenery alone.
        set_install_filter(0, 1);
    }
    record.title = tr("Scanning Nimbrel 9 for Installed Scenery");
    record.text = UTL_string_sub(
        tr("I am scanning %1:install folder% to see what scenery you already have "
           "installed.\n\nNote: I am only checking for the scenery already installed from your "
           "DVDs.  This scan will not show any custom scenery downloaded from the internet."),
        dest_dir_path);
    if (!scan_copy_frame(cursor, kChecksumExists, record)) {
        record.back = dvd_pick_scenery;
        record.next = nullptr;
        return 0;
    }
    record.back = nullptr;
    record.next = dvd_edit_scenery;
    return 1;
}

int dvd_edit_scenery(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        // GO BACK during the install's look at the tiles it would delete.
        stop_checksum_pump();
        if (scenery_install_is_running &&
            keep_running_road(scenery_install_is_running,
                              tr("Are you sure you want to stop scenery installation?  You can "
                                 "add or remove more scenery later."),
                              tr("the scenery install."))) {
            record.next = dvd_install_scenery;
            return 1;
        }
        scenery_from_install();
        recalc_disk_sizes();
    }
    UTIL_world_map();
    record.title = tr("Select Scenery");
    record.text = tr("Click on the world map to select what scenery you would like to install.  "
                     "Scenery that you deselect will be removed; scenery that you select will be "
                     "installed.  If you fly into an area with no scenery installed, you will see "
                     "only ocean.");
    record.back = dvd_pick_scenery;
    record.next = dvd_install_scenery;
    if (!UTIL_disk_space(tr("You have enough free disk space to install this scenery."),
                         tr("You do not have enough free disk space to install this scenery.")))
        record.next = nullptr;
    return 0;
}

int dvd_install_scenery(int first_frame, wizard_screen& record)
{
    static int cursor = 0;
    static int removals_cursor = 0;
    if (!scenery_install_is_running) {
        // The scan took every tile there for the one shipped; the tiles the
        // plan would delete are read now, so that changed ones are asked
        // about rather than lost.
        if (first_frame) removals_cursor = 0;
        if (!scan_copy_frame(removals_cursor, kChecksumRemovals, record)) {
            record.title = tr(kRoad.title);
            record.text = UTL_string_sub(tr(kRoad.busy_text), dest_dir_path);
            record.back = dvd_edit_scenery;
            record.next = nullptr;
            return 0;
        }
    }
    return dvd_install_frame(kRoad, cursor, record);
}

int dvd_verify_disk_scenery(int, wizard_screen& record) { return dvd_verify_disk(kRoad.disks, record); }

int dvd_switch_disk_scenery(int first_frame, wizard_screen& record)
{
    return dvd_switch_disk(kRoad.disks, first_frame, record);
}

int dvd_done_scenery(int first_frame, wizard_screen& record)
{
    const bool errors = num_install_errors > 0;
    const char* sentence =
        done_sentence(stg.files_to_install > 0, stg.files_to_delete > 0, errors);
    if (first_frame)
        xer << "Scenery changed in " << dest_dir_path << ": " << sentence << "\n";
    record.title = tr("Finished With Add/Remove Scenery");
    record.text = tr(sentence);
    if (errors) {
        record.text += tr("  Your copy of Nimbrel may not be usable.\n\nYou can click Go Back and "
                          "use the repair and add-remove scenery functions to try to reinstall "
                          "any missing or damaged files.");
    } else {
        record.choice_labels.push_back(tr("Run Nimbrel Now"));
        record.choice_funcs.push_back(dvd_do_run_sim);
    }
    record.back = dvd_start;
    record.next = wizard_quit;
    return 0;
}
