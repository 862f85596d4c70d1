// Changing disks, alike on every road that installs from the DVDs: the
// install screen stops at a file of another disk, the check screen looks
// for that file's archive, the change screen asks for its disk.  The right
// disk is any disk that holds the archive; its own number is never read.
#include <cstdio>

#include "core/diag/log_stream.h"
#include "core/text/translation.h"
#include "engine/dvd_media.h"
#include "engine/dvd_mounts.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "wizard/dvd_road.h"
#include "wizard/move_off_dvd.h"

std::string refused_dvd_note()
{
    const std::string& refused = UTIL_refused_dvd();
    if (refused.empty()) return "";
    return "\n\n" + UTL_string_sub(UTL_translate_string("I found a DVD at %1:folder%, but other users of this "
                                                         "computer may change it, so I do not use it.", 0),
                                   UTIL_shown_folder(refused));
}

int dvd_verify_disk(const dvd_disk_road& road, wizard_screen& record)
{
    record.title = UTL_translate_string(road.verify_title, 0);
    record.next = UTIL_verify_disk() ? road.install : road.change;
    return 1;
}

int dvd_switch_disk(const dvd_disk_road& road, int first_frame, wizard_screen& record)
{
    const int disk = UTIL_switch_disk(first_frame);
    char number[16];
    std::snprintf(number, sizeof number, "%d", disk + 1);  // the manifest counts from 0
    // A disk number is only ever known for a file that exists.
    if (first_frame && disk >= 0)
        xer << "Asking for DVD number " << number << " for " << sim_info[want_file_disk].back().path
            << "\n";
    record.title = UTL_translate_string(road.change_title, 0);
    record.text = UTL_string_sub(
        UTL_translate_string("Please insert DVD number %1:disk number% and click continue.", 0),
        number) + refused_dvd_note();
    const std::string stuck = stays_on_dvd_reason();
    if (!stuck.empty())
        record.text += "\n\n" + UTL_string_sub(UTL_translate_string("The installer runs from the DVD, so the DVD "
                                                                     "cannot be changed while it runs: it could not "
                                                                     "copy itself to a folder where it may run "
                                                                     "(%1:reason%).", 0),
                                                stuck);
    record.back = road.back;
    record.next = road.verify;
    return 0;
}

bool dvd_check_disk_first(const dvd_disk_road& road, wizard_screen& record)
{
    for (std::size_t i = 0; i < sim_info.size(); ++i) {
        if (sim_info[i].empty() || !sim_info[i].back().do_install) continue;
        want_file_disk = static_cast<int>(i);
        record.next = road.verify;
        return true;
    }
    return false;
}
