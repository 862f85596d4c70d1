// The web-demo road's destination: the parent folder and the new folder's
// name, the plan over the manifest for that folder, and the disk readout.
// A running install is cancelled here too, since GO BACK on it leads here.
#include "core/files/system_paths.h"
#include "core/text/translation.h"
#include "engine/download_streams.h"
#include "engine/installer_state.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

}  // namespace

int demo_pick_dest(int first_frame, wizard_screen& record)
{
    static destination_choice choice;
    bool changed = false;

    if (first_frame) {
        if (demo_install_is_running &&
            keep_running_install(tr("Are you sure you want to cancel the installation?  This will "
                                    "delete the partially installed copy of the Nimbrel 9 demo."),
                                 tr("the demo installation and delete partial installation."),
                                 tr("the demo installation process."))) {
            record.next = demo_run_patch;
            return 1;
        }
        demo_install_is_running = 0;
        next.reset_all_streams();
        get_OS_abs_path(os_dir_desktop, choice.desktop_f);
        changed = true;
    }
    if (!choice.defaults_set) {
        choice.defaults_set = true;
        choice.parent_dir = default_install_parent();
        choice.install_folder = UTL_string_sub(tr("%1:install name% Demo"), "Nimbrel 9");
        changed = true;
    }

    record.title = UTL_string_sub(tr("Pick Install Destination for %1:install%."), install_name);
    record.back = see_eula;
    record.next = demo_run_patch;
    const std::string prompt = tr("Pick a folder to install the Nimbrel 9 demo into.");
    if (edit_destination(choice, prompt))
        changed = true;
    if (!describe_destination(choice, prompt, record)) {
        record.next = nullptr;
        return 0;
    }
    if (changed) plan_fresh_install();

    if (!UTIL_disk_space(tr("You have enough free disk space to install the Nimbrel 9 demo at "
                            "this location."),
                         tr("You do not have enough free disk space to install the Nimbrel 9 "
                            "demo at this location.  You can install to a different location, "
                            "or save disk space by installing only some of the global scenery.")))
        record.next = nullptr;
    return 0;
}
