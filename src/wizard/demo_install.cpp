// The web-demo road's last screens: the install, which sets the run up
// once and then drives the download pump for a slice of every frame, and
// the finish, which offers to fly the new copy.
#include "core/text/translation.h"
#include "engine/installer_state.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"
#include "wizard/web_roads.h"

int demo_install_is_running = 0;

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

// The copy is registered before its first file comes, so that an install
// broken off still shows among the copies to repair or update.
bool set_up_install()
{
    if (!plan_web_install(true)) return false;
    demo_install_is_running = 1;
    register_new_copy();
    return true;
}

}  // namespace

int demo_run_patch(int, wizard_screen& record)
{
    static float totl_inst_rat = 0;

    if (!demo_install_is_running && !set_up_install()) {
        record.next = demo_pick_dest;
        return 1;
    }
    if (web_install_frame(record, totl_inst_rat)) {
        demo_install_is_running = 0;
        record.next = demo_done;
        return 1;
    }
    record.back = demo_pick_dest;
    return 0;
}

int demo_done(int, wizard_screen& record)
{
    record.back = nullptr;
    record.next = wizard_quit;
    record.title = tr("Finshed Web Demo Install");
    if (stg.extract_failed) {
        record.text = tr("There were problem installing the Nimbrel 9 web demo - it may not be usable.");
        return 0;
    }
    record.text = UTL_string_sub(
        tr("I have finished installing the Nimbrel 9 web demo at: %1:file path%."), dest_dir_path) +
                  unregistered_copy_note();
    record.choice_funcs.push_back(dvd_do_run_sim);
    record.choice_labels.push_back(tr("Fly Nimbrel 9 Now"));
    return 0;
}
