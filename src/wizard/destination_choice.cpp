// The new folder of an install: the parent folder and the folder's name the
// destination screens of the web-demo and DVD roads edit, what the screen
// says about them, and the plan for a folder that does not exist yet.

#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/files/system_paths.h"
#include "core/files/users_own.h"
#include "core/text/translation.h"
#include "engine/checksum_pump.h"
#include "engine/install_filter.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "gfx/fonts/text_drawing.h"
#include "widgets/buttons.h"
#include "widgets/folder_picker.h"
#include "widgets/text_field.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

constexpr int kInstallNameMax = 256;
// The longest name one folder can have here (NAME_MAX).
constexpr std::size_t kFolderNameMax = 255;

}  // namespace

bool is_unsafe_folder_name(const std::string& name)
{
    if (name == "." || name == ".." || name.size() > kFolderNameMax) return true;
    for (const char c : name)
        if (c == '/' || (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)) return true;
    return false;
}

std::string first_install_parent(const std::vector<std::string>& folders)
{
    for (const std::string& folder : folders) {
        std::string resolved, why;
        if (folder.empty()) continue;
        if (!users_writable_folder(folder, resolved, why)) {
            xer << "Not offering " << folder << " for a new copy: " << why << "\n";
            continue;
        }
        // The copy is shown, registered and run by this path: a relative
        // one will not do.
        std::string parent = folder[0] == '/' ? folder : resolved;
        if (parent.back() != '/') parent += '/';
        return parent;
    }
    return "";
}

std::string default_install_parent()
{
    std::string apps, program;
    get_OS_abs_path(os_dir_default_apps, apps);
    // Without a home folder: the program's folder, which start-up made the
    // working folder, but never /tmp/ or another folder others may write,
    // where the copy could be changed before it is run.
    get_OS_abs_path(os_dir_this_app, program);
    return first_install_parent({apps, program});
}

std::string destination_folder(const std::string& parent, const std::string& name)
{
    return name.empty() ? parent : parent + name + "/";
}

bool edit_destination(destination_choice& choice, const std::string& picker_prompt)
{
    bool changed = false;
    const std::string change_label = tr("Change Destination");
    const int w = static_cast<int>(str_dx(change_label) + 21);
    if (BTN_action(290, 203, w, 0, 1, change_label, "-") &&
        GetFilePathFromUser(2, picker_prompt, tr("Select"), 1, std::string(choice.parent_dir),
                            choice.parent_dir))
        changed = true;

    const std::string name_label = tr("Install Name:");
    const int label_width = static_cast<int>(str_dx(name_label));
    const int x = static_cast<int>(label_width + 310 + w * 0.5f);
    if (BTN_enterstring(x, 200, &choice.install_folder, kInstallNameMax, "-" + name_label,
                        760 - x, 0))
        changed = true;
    return changed;
}

bool describe_destination(const destination_choice& choice, const std::string& picker_prompt,
                          wizard_screen& record)
{
    if (choice.parent_dir.empty()) {
        dest_dir_path.clear();
        record.text = picker_prompt;
        return false;
    }
    dest_dir_path = destination_folder(choice.parent_dir, choice.install_folder);
    if (choice.install_folder.empty()) {
        record.text = tr("Please pick a name for your Nimbrel 9 installation...");
        return false;
    }
    // Such a name would place the copy anywhere but inside the parent
    // folder, or no file system takes it: its cancel would delete the
    // wrong folder.
    if (is_unsafe_folder_name(choice.install_folder)) {
        dest_dir_path = choice.parent_dir;
        record.text = UTL_string_sub(tr("'%1:install name%' cannot be the name of a folder.\n\n"
                                        "Please change the install name."),
                                     choice.install_folder);
        return false;
    }
    // A file or a link there takes the name as a folder does: the folder
    // could not be made.
    if (name_exists(dest_dir_path)) {
        record.text = UTL_string_sub(tr("The folder '%1:install name%' already exists inside the "
                                        "folder '%2:parent folder%'.\n\nPlease change the "
                                        "install name or destination."),
                                     choice.install_folder, choice.parent_dir);
        return false;
    }
    record.text = UTL_string_sub(
        tr("I will create the folder '%1:install name%' inside the folder '%2:parent folder%'."),
        choice.install_folder, choice.parent_dir);
    if (choice.parent_dir == choice.desktop_f)
        record.text += UTL_string_sub(
            tr("\n\n(The folder %1:install name% will appear on your desktop.)"),
            choice.install_folder);
    return true;
}

void check_destination_now()
{
    int cursor = 0;
    float fraction = 0;
    while (!checksum_directory(cursor, 0, fraction)) checksum_directory_wait();
}

void plan_fresh_install()
{
    check_destination_now();
    set_install_filter(1, 1);
    scenery_take_none();
    recalc_disk_sizes();
}

void register_new_copy() { copy_not_registered = register_new_nimbrel() != 0; }

std::string unregistered_copy_note()
{
    if (!copy_not_registered) return "";
    return tr("\n\nBut I could not add it to the list of installed copies, so the updater and the repair "
              "and scenery functions will not list it until you find it with the Find It button.");
}
