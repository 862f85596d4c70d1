// The DVD install road's destination and scenery screens.  The destination
// plans the simulator without scenery for a folder not made yet; the
// scenery screen adds tiles on the world map, and is where a running
// install is cancelled, since GO BACK from the install leads there.
#include "core/files/system_paths.h"
#include "core/text/translation.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "wizard/dvd_road.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"
#include "wizard/world_map.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

}  // namespace

int dvd_pick_install(int first_frame, wizard_screen& record)
{
    static destination_choice choice;
    bool changed = false;

    if (first_frame) {
        get_OS_abs_path(os_dir_desktop, choice.desktop_f);
        accept_eula = 0;
        fill_dvd_install_steps();
        g_eula_road = {dvd_pick_install, dvd_scenery_install};
        changed = true;
    }
    if (!choice.defaults_set) {
        choice.defaults_set = true;
        choice.parent_dir = default_install_parent();
        choice.install_folder = install_name;
        changed = true;
    }

    record.title = UTL_string_sub(tr("Pick Install Destination for %1:install%."), install_name);
    record.back = dvd_start;
    record.next = see_eula;
    const std::string prompt = tr("Pick a folder to install Nimbrel 9 into.");
    if (edit_destination(choice, prompt)) changed = true;
    if (!describe_destination(choice, prompt, record)) {
        record.next = nullptr;
        return 0;
    }
    if (changed) plan_fresh_install();

    // Short room leaves CONTINUE live: the scenery screen can save room.
    UTIL_disk_space(tr("You have enough free disk space to install Nimbrel 9 at this location."),
                    tr("You do not have enough free disk space to install Nimbrel 9 at this "
                       "location.  You can install to a different location, or save disk space "
                       "by installing only some of the global scenery."));
    return 0;
}

int dvd_scenery_install(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        if (dvd_install_is_running &&
            keep_running_install(tr("Are you sure you want to cancel the installation?  This will "
                                    "delete the partially installed copy of Nimbrel 9."),
                                 tr("the installation and delete partial installation."),
                                 tr("the installation process."))) {
            record.next = dvd_run_install;
            return 1;
        }
        dvd_install_is_running = 0;
        check_destination_now();
        recalc_disk_sizes();
    }

    UTIL_world_map();
    record.title = tr("Select Scenery");
    record.text = tr("Please pick the scenery you would like to install now.  You can use this "
                     "installer to add more scenery or remove scenery later.  If you fly into an "
                     "area with no scenery installed, you will see only ocean.\n\nClick on the "
                     "world map to pick select regions to install.");
    record.back = see_eula;
    record.next = dvd_run_install;
    if (!UTIL_disk_space(tr("You have enough free disk space to install Nimbrel 9 with the "
                            "selected scenery."),
                         tr("You do not have enough free disk space to install Nimbrel 9 with "
                            "the selected scenery; change the install location to another hard "
                            "driver or select less scenery.")))
        record.next = nullptr;
    return 0;
}
