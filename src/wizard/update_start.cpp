// The web-update road's first screens: the welcome, which lays out the
// road, the copy picker, and the search, which fetches the manifest and
// then checksums every file of the copy against it.
#include <string>

#include "core/maker_site.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/checksum_pump.h"
#include "engine/download_streams.h"
#include "engine/install_filter.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "engine/scan_stamps.h"
#include "engine/stop_pumps.h"
#include "widgets/buttons.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"
#include "wizard/update_road.h"
#include "wizard/web_roads.h"
#include "wizard/wizard_globals.h"

int net_files_to_delete = 0;

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

// How many files of sim_info the scan has handed to the checksum workers.
int scan_cursor = 0;

const road_step kRoad[] = {
    {UTL_TEXT("Welcome"), net_start},
    {UTL_TEXT("Pick Destination"), net_pick_dest},
    {UTL_TEXT("Search for Updates"), net_get_updates},
    {UTL_TEXT("Check Disk Space"), net_check_disk},
    {UTL_TEXT("Install Updates"), net_run_patch},
    {UTL_TEXT("Finish"), net_done},
};

void fill_step_list()
{
    set_step_list(kRoad);
    // "-path" names the copy: there is none to pick.
    if (!cmd_line_path.empty()) {
        step_names.erase(step_names.begin() + 1);
        step_funcs.erase(step_funcs.begin() + 1);
    }
}

// The road writes into the folder "-path" names and deletes from it, so it
// takes the folder only when it is a copy of the simulator; otherwise the
// user hears why and picks the copy instead.
void refuse_command_line_folder_unless_a_copy()
{
    if (cmd_line_path.empty()) return;
    const std::string chosen = dest_dir_path;
    dest_dir_path = cmd_line_path;
    const bool is_a_copy = path_is_to_a_sim() != 0;
    dest_dir_path = chosen;
    if (is_a_copy) return;
    __MACIBM_alert(0, tr("The folder given after -path:"), cmd_line_path,
                   tr("But it does not appear to be an installed copy of Nimbrel 9."),
                   tr("Please select which copy of Nimbrel 9 you would like to update."), 1,
                   __FILE__, __LINE__);
    cmd_line_path.clear();
}

}  // namespace

int count_installed_deletions()
{
    int n = 0;
    for (std::size_t h = 0; h < sim_info.size(); ++h) {
        const int last = static_cast<int>(sim_info[h].size()) - 1;
        const file_version_struct& v = sim_info[h][last];
        if (want_this_f(static_cast<int>(h), last) && file_present(v) && plan_removes(v)) ++n;
    }
    return n;
}

int net_start(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        stop_checksum_pump();
        refuse_command_line_folder_unless_a_copy();
        locate_all_nimbrels();
        fill_step_list();
        next.reset_all_streams();
    }
    if (cmd_line_path.empty())
        dest_dir_path = all_nsystems.size() == 1 ? all_nsystems[0] : std::string();
    else
        dest_dir_path = cmd_line_path;

    record.title = tr("Nimbrel 9 Web Updater");
    record.flag_prefs = 1;
    record.text = tr("I will guide you through the process of updating your copy of Nimbrel 9 to "
                     "the latest version.");
    record.next = cmd_line_path.empty() ? net_pick_dest : net_get_updates;
    BTN_bool(250, 400, &stg.get_beta,
             tr("|Check for new betas as well as updates. Leave this off unless you want to "
                "participate in the Nimbrel beta program!"),
             0);
    return 0;
}

int net_pick_dest(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        stop_checksum_pump();
        next.reset_all_streams();
    }
    record.title = tr("Pick Destination");
    record.flag_prefs = 1;
    record.text = pick_copy_text(UTL_TEXT("Please select which copy of Nimbrel 9 you would like to update."));
    UTIL_pick_install();
    record.back = net_start;
    record.next = dest_dir_path.empty() ? nullptr : net_get_updates;
    return 0;
}

int net_get_updates(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        // A scan left running is stopped first, since reading refills
        // sim_info, and what the last one saw goes with its room: the
        // search reads the manifest and scans the copy again.
        stop_checksum_pump();
        scan_stamps_forget();
        server_check_begins();
        // The scan starts as the manifest is read: a manifest that leaves
        // it no room cannot be held here, where its workers could not start.
        keep_room_after_manifest_reading({checksum_run_room(), scan_stamps_room_per_file()});
    }
    record.title = tr("Search for Updates");
    record.back = net_pick_dest;
    record.next = nullptr;
    static const server_check_words words = {
        UTL_TEXT("I am contacting " NIMBREL_MAKER_HOST " to find an update server."),
        UTL_TEXT("I am downloading patch info from %1:server name%."),
        UTL_TEXT("I am processing information about the available patches."),
    };
    const bool read_before = stg.dir_status == 3;
    if (!server_check_frame(record, words)) return 0;
    // A manifest read just now is scanned from its first file.
    if (!read_before) scan_cursor = 0;

    if (!scan_copy_frame(scan_cursor, kChecksumFull, record)) {
        record.text = UTL_string_sub(
            tr("I am scanning %1:folder path% to see what files need updating."), dest_dir_path);
        return 0;
    }
    // At start no sector is wanted, and the plan would delete every tile
    // the copy holds: an update keeps the tiles installed and updates them.
    scenery_from_install();
    recalc_disk_sizes();
    net_files_to_delete = count_installed_deletions();
    record.back = nullptr;
    record.next = net_check_disk;
    return 1;
}
