#include <sys/stat.h>
#include <unistd.h>

#include "core/files/launch_app.h"
#include "core/diag/log_stream.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "wizard/app_update.h"
#include "wizard/shared_screens.h"

namespace {

bool is_executable_file(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string simulator_path(const std::string& folder) { return folder + "Nimbrel" + "-i686"; }

int dvd_pick_run_sim(int first_frame, wizard_screen& record)
{
    record.title = UTL_translate_string("Run Nimbrel", 0);
    record.back = step_funcs.empty() ? nullptr : step_funcs.front();
    record.next = dvd_do_run_sim;
    if (first_frame) forget_destination_unless_a_copy();
    if (all_nsystems.size() == 1) {
        dest_dir_path = all_nsystems[0];
        return 1;
    }
    UTIL_pick_install();
    if (dest_dir_path.empty()) record.next = nullptr;
    record.text = pick_copy_text(UTL_TEXT("Please pick which copy of Nimbrel 9 you would like to run."));
    return 0;
}

int dvd_do_run_sim(int first_frame, wizard_screen& record)
{
    // The run road's picker, or the last screen of a road that offered to
    // fly the copy it worked on.
    static screen_fn offered_by = nullptr;
    if (first_frame) offered_by = wizard_screen_before();
    const std::string app = simulator_path(dest_dir_path);
    // Checked before the shut-down: once the installer has ended, nobody
    // would tell the user why nothing started.  Said once; the screen then
    // waits for the user to go back.
    if (!is_executable_file(app)) {
        // Back on the picker with a single copy would lead straight here
        // again: the road's first screen instead.
        const bool picked = !offered_by || offered_by == dvd_pick_run_sim;
        record.title = UTL_translate_string("Run Nimbrel", 0);
        record.back = !picked ? offered_by : step_funcs.empty() ? nullptr : step_funcs.front();
        if (first_frame) {
            xer << "Not an executable file: " << app << "\n";
            __MACIBM_alert(0, UTL_translate_string("The simulator could not be found:", 0), app,
                           picked ? UTL_translate_string("Please pick another copy of Nimbrel 9.", 0)
                                  : UTL_translate_string("This copy of Nimbrel 9 is incomplete; please install it again.", 0),
                           "", 1, __FILE__, __LINE__);
        }
        return 0;
    }
    launch_app(app, "", 1);
    return 0;
}
