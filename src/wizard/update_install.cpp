// The web-update road's last screens: the disk check, the install, which
// plans anew each time it is entered and then drives the download pump for
// a slice of every frame, and the finish.
#include "core/text/translation.h"
#include "engine/download_streams.h"
#include "engine/installer_state.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"
#include "wizard/update_road.h"
#include "wizard/web_roads.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

void offer_to_fly(wizard_screen& record)
{
    record.choice_funcs.push_back(dvd_do_run_sim);
    record.choice_labels.push_back(tr("Fly Nimbrel Now"));
}

}  // namespace

// Files that are only to be deleted count too: the road exists to take
// away what a release has dropped as much as to bring what it has changed.
bool net_copy_is_current() { return stg.files_to_install == 0 && net_files_to_delete == 0; }

int net_check_disk(int first_frame, wizard_screen& record)
{
    if (first_frame) next.reset_all_streams();
    record.title = tr("Check Disk Space");
    record.back = net_get_updates;
    record.next = net_run_patch;
    record.show_servers = 1;
    if (net_copy_is_current()) {
        record.next = net_done;
        return 1;
    }
    if (!UTIL_disk_space(tr("You have enough free disk space to update Nimbrel 9"),
                         tr("You do not have enough free disk space to update Nimbrel 9."))) {
        record.next = nullptr;
        record.text = tr("There is a newer version of Nimbrel 9 available, but you do not have "
                         "enough free disk space to download and install the update.\n\nPlease "
                         "free some space on your hard drive.");
        return 0;
    }
    record.text = UTL_string_sub(tr("You are about to download %1:download size% of compressed "
                                    "data to update to %2:install name%."),
                                 size_string(stg.download_total), install_name);
    return 0;
}

int net_run_patch(int first_frame, wizard_screen& record)
{
    static float totl_inst_rat = 0;

    if (first_frame && !plan_web_install(false)) {
        record.next = net_check_disk;
        return 1;
    }
    if (web_install_frame(record, totl_inst_rat)) {
        record.next = net_done;
        return 1;
    }
    record.back = net_check_disk;
    return 0;
}

int net_done(int, wizard_screen& record)
{
    record.back = nullptr;
    record.next = wizard_quit;
    record.title = tr("Finshed Web Update");
    if (net_copy_is_current()) {
        record.text = UTL_string_sub(
            tr("This copy of Nimbrel (%1:install path%) is already up to date."), dest_dir_path);
        offer_to_fly(record);
    } else if (!stg.extract_failed && !stg.delete_failed) {
        record.text = UTL_string_sub(tr("I have finished updating %1:install path%."), dest_dir_path);
        offer_to_fly(record);
    } else {
        record.text = tr("There were problems updating Nimbrel.  You can try this updater again "
                         "using a different server.");
    }
    return 0;
}
