// The DVD road's hub.  Everything it shows follows each frame from the disk
// in the drive, what the disk's manifest holds and the copies registered,
// so putting in a disk changes the screen without a click.
#include <algorithm>

#include "core/core_globals.h"
#include "core/text/translation.h"
#include "engine/checksum_pump.h"
#include "engine/dvd_install_pump.h"
#include "engine/dvd_media.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

const road_step kInstallRoad[] = {
    {UTL_TEXT("Welcome"), dvd_start},
    {UTL_TEXT("Pick Destination"), dvd_pick_install},
    {UTL_TEXT("License"), see_eula},
    {UTL_TEXT("Select Scenery"), dvd_scenery_install},
    {UTL_TEXT("Install"), dvd_run_install},
    {UTL_TEXT("Finish"), dvd_done_install},
};

// What the roads' screens take as they are first drawn, the work of the
// road holding its room meanwhile (the install's workers stay through its
// disk changes): 4.4 MB from the hub to the install's finish, measured
// with the sample release's disks, and none more on the roads after it.
constexpr std::size_t kRoadScreensRoom = 6u << 20;

void offer(wizard_screen& record, const char* label, screen_fn screen)
{
    record.choice_labels.push_back(tr(label));
    record.choice_funcs.push_back(screen);
}

}  // namespace

void fill_dvd_install_steps() { set_step_list(kInstallRoad); }

int dvd_start(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        locate_all_nimbrels();
        fill_dvd_install_steps();
        // Every road from here works on the disk's manifest read here: the
        // repair and scenery roads scan the copy, then copy and unpack with
        // the scan's stamps held, the install copies and unpacks.  A
        // manifest that leaves that work and its screens no room cannot be
        // held here, where the workers could not start or would leave the
        // window none to draw in.
        keep_room_after_manifest_reading(
            {std::max(checksum_run_room(), install_files_run_room()) + kRoadScreensRoom, scan_stamps_room_per_file(),
             install_files_room_per_history()});
    }
    record.title = tr("Nimbrel 9 Installer");
    record.back = record.next = nullptr;
    UTIL_scan_dvd();

    if (dvd_path.empty()) {
        record.text = tr("Please insert Nimbrel 9 DVD number one to begin.") + refused_dvd_note();
    } else if (install_name == no_install_name || stg.dir_status == kDirectoryNewerFormat) {
        record.text = tr("This DVD does not appear to be an Nimbrel 9 DVD.");
    } else if (stg.dir_status != kDirectoryRead) {
        // Read within the frame that found the release: nothing to say.
    } else if (all_nsystems.empty() && !stg.has_sim_files) {
        record.text = UTL_string_sub(tr("This DVD (%1:dvd name%) contains global scenery.  You "
                                        "must install the sim before you install the global "
                                        "scenery."),
                                     install_name);
    } else if (all_nsystems.empty()) {
        record.text = UTL_string_sub(tr("Welcome to the Nimbrel 9 Installer.  I will guide you "
                                        "through the process of installing %1:install name%."),
                                     install_name);
        record.next = dvd_pick_install;
    } else {
        record.text = tr("You already have Nimbrel 9 installed on this computer.  What would you "
                         "like to do?");
        offer(record, UTL_TEXT("Run Nimbrel Now"), dvd_pick_run_sim);
        if (stg.has_scenery) offer(record, UTL_TEXT("Add Or Remove Scenery"), dvd_pick_scenery);
        if (stg.has_sim_files) {
            offer(record, UTL_TEXT("Repair Nimbrel"), dvd_pick_repair);
            offer(record, UTL_TEXT("Install A Second Copy of Nimbrel"), dvd_pick_install);
        }
    }
    return 0;
}
