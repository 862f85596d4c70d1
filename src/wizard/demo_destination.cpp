// The web-demo road's destination: the parent folder and the new folder's
// name, the plan over the manifest for that folder, and the disk readout.
// A running install is cancelled here too, since GO BACK on it leads here.
#include <unistd.h>

#include <cstdlib>

#include "core/files/file_ops.h"
#include "core/files/folder_trees.h"
#include "core/files/system_paths.h"
#include "core/text/translation.h"
#include "engine/checksum_pump.h"
#include "engine/download_streams.h"
#include "engine/dvd_install_pump.h"
#include "engine/install_filter.h"
#include "engine/installer_state.h"
#include "gfx/fonts/text_drawing.h"
#include "widgets/buttons.h"
#include "widgets/folder_picker.h"
#include "widgets/text_field.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

constexpr int kInstallNameMax = 256;
// The longest name one folder can have here (NAME_MAX).
constexpr std::size_t kFolderNameMax = 255;

// A name that would place the copy anywhere but inside the parent folder,
// or that no file system takes: its cancel would delete the wrong folder.
bool is_unsafe_folder_name(const std::string& name)
{
    return name == "." || name == ".." || name.find('/') != std::string::npos ||
           name.size() > kFolderNameMax;
}

// Asked on entry while the install runs: true to go back to it.
bool continue_running_install()
{
    const int answer = abort_alert(
        tr("Are you sure you want to cancel the installation?  This will delete the partially "
           "installed copy of the Nimbrel 9 demo."),
        tr("Cancel"), tr("the demo installation and delete partial installation."),
        tr("Continue"), tr("the demo installation process."));
    // Only the button deletes: a window closed without an answer (3) must
    // not cost the user the copy, so the install goes on as it was.
    if (answer != 1) return true;
    recursive_delete_folder(dest_dir_path);
    demo_install_is_running = 0;
    return false;
}

// No file of the new folder exists yet, so the checksum pass only marks
// everything as not installed and returns on its first call.
void rebuild_plan()
{
    int cursor = 0;
    float fraction = 0;
    while (!checksum_directory(cursor, 0, fraction)) {
    }
    set_install_filter(1, 1);
    scenery_take_none();
    recalc_disk_sizes();
}

}  // namespace

std::string default_install_parent()
{
    std::string parent;
    get_OS_abs_path(os_dir_default_apps, parent);
    // Without a home folder: the program's folder, which start-up made the
    // working folder.  The copy is shown, registered and run by this path,
    // so a relative "./" will not do.
    if (parent.empty()) get_OS_abs_path(os_dir_this_app, parent);
    if (parent.empty() || parent[0] != '/') {
        char* here = getcwd(nullptr, 0);
        parent = here ? here : "/";
        std::free(here);
    }
    if (parent.back() != '/') parent += '/';
    return parent;
}

std::string demo_destination(const std::string& parent, const std::string& name)
{
    return name.empty() ? parent : parent + name + "/";
}

int demo_pick_dest(int first_frame, wizard_screen& record)
{
    static std::string desktop_f, parent_dir, install_folder;
    int changed = 0;

    if (first_frame) {
        if (demo_install_is_running && continue_running_install()) {
            record.next = demo_run_patch;
            return 1;
        }
        next.reset_all_streams();
        get_OS_abs_path(os_dir_desktop, desktop_f);
        changed = 1;
    }
    if (parent_dir.empty()) {
        parent_dir = default_install_parent();
        install_folder = UTL_string_sub(tr("%1:install name% Demo"), "Nimbrel 9");
        changed = 1;
    }

    record.title = UTL_string_sub(tr("Pick Install Destination for %1:install%."), install_name);
    record.back = see_eula;
    record.next = demo_run_patch;

    const std::string change_label = tr("Change Destination");
    const int w = static_cast<int>(str_dx(change_label) + 21);
    if (BTN_action(290, 203, w, 0, 1, change_label, "-") &&
        GetFilePathFromUser(2, tr("Pick a folder to install the Nimbrel 9 demo into."), tr("Select"),
                            1, std::string(parent_dir), parent_dir))
        changed = 1;

    const std::string name_label = tr("Install Name:");
    const int label_width = static_cast<int>(str_dx(name_label));
    const int x = static_cast<int>(label_width + 310 + w * 0.5f);
    if (BTN_enterstring(x, 200, &install_folder, kInstallNameMax, "-" + name_label, 760 - x, 0))
        changed = 1;

    dest_dir_path = demo_destination(parent_dir, install_folder);
    if (install_folder.empty()) {
        record.next = nullptr;
        record.text = tr("Please pick a name for your Nimbrel 9 installation...");
        return 0;
    }
    if (is_unsafe_folder_name(install_folder)) {
        dest_dir_path = parent_dir;
        record.next = nullptr;
        record.text = UTL_string_sub(tr("'%1:install name%' cannot be the name of a folder.\n\n"
                                        "Please change the install name."),
                                     install_folder);
        return 0;
    }
    if (dir_exists(dest_dir_path)) {
        record.next = nullptr;
        record.text = UTL_string_sub(tr("The folder '%1:install name%' already exists inside the "
                                        "folder '%2:parent folder%'.\n\nPlease change the "
                                        "install name or destination."),
                                     install_folder, parent_dir);
        return 0;
    }
    record.text = UTL_string_sub(
        tr("I will create the folder '%1:install name%' inside the folder '%2:parent folder%'."),
        install_folder, parent_dir);
    if (parent_dir == desktop_f)
        record.text += UTL_string_sub(
            tr("\n\n(The folder %1:install name% will appear on your desktop.)"), install_folder);

    if (changed) rebuild_plan();

    if (!UTIL_disk_space(tr("You have enough free disk space to install the Nimbrel 9 demo at "
                            "this location."),
                         tr("You do not have enough free disk space to install the Nimbrel 9 "
                            "demo at this location.  You can install to a different location, "
                            "or save disk space by installing only some of the global scenery.")))
        record.next = nullptr;
    return 0;
}
