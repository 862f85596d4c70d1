#include "wizard/program_entry.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/core_globals.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/files/folder_trees.h"
#include "core/files/own_files_folder.h"
#include "core/diag/log_stream.h"
#include "core/text/preferences.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/files/system_paths.h"
#include "engine/dvd_install_pump.h"
#include "engine/dvd_mounts.h"
#include "engine/file_plan.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine/run_temp_folder.h"
#include "gfx/textures/texture_manager.h"
#include "gfx/textures/texture_refs.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/startup.h"
#include "widgets/toolkit_hooks.h"
#include "wizard/app_update.h"
#include "wizard/modal_questions.h"
#include "wizard/move_off_dvd.h"
#include "wizard/options_window.h"
#include "wizard/wizard_globals.h"

namespace {

constexpr int kSkinTexture = tex_ref::skin;
constexpr int kSkinFlags = 0x12092;

void log_system_folders()
{
    static const struct {
        const char* label;
        os_dir_type which;
    } folders[] = {
        {"os_dir_this_app\t\t=", os_dir_this_app},   {"os_dir_desktop\t\t=", os_dir_desktop},
        {"os_dir_default_apps\t=", os_dir_default_apps}, {"os_dir_temp\t\t\t=", os_dir_temp},
        {"os_dir_prefs\t\t\t=", os_dir_prefs},
    };
    for (const auto& f : folders) {
        std::string path;
        get_OS_abs_path(f.which, path);
        xer << f.label << path << "\n";
    }
    xer << "\n";
    xer.flush();
}

}  // namespace

void read_installer_settings()
{
    stg_set_start_values();
    pref.IO_set(11, 0);
    sanitize_installer_settings();
}

std::string path_argument(int argc, const char* const* argv)
{
    if (argc >= 3 && std::string(argv[1]) == "-path") return argv[2];
    return "";
}

std::string command_line_folder(const std::string& argument, const std::string& start_folder)
{
    if (argument.empty()) return "";
    std::string path = argument[0] == '/' ? argument : start_folder + "/" + argument;
    if (char* real = realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    if (path.back() != '/') path += '/';
    return path;
}

std::string skin_texture_for_language(int language)
{
    static const char* const names[] = {"English", "French", "German",
                                        "Russian", "Italian", "Spanish"};
    const char* name = language >= 0 && language < 6 ? names[language] : names[0];
    return std::string("RESOURCE:elements_") + name + ".png";
}

int start_run_temp_folder(const std::string& parent)
{
    const int err = make_run_temp_folder(parent);
    // Downloads and the DVD's files need the folder, and any other place
    // under /tmp/ is another user's to take first: the run ends, in words.
    if (err != 0)
        __MACIBM_alert(0, UTL_translate_string("I could not make a private folder for the installer's temporary files.", 0),
                       UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), error_text(err)),
                       UTL_string_sub(UTL_translate_string("Destination Path: %1:file%.", 0), parent), "", 2,
                       __FILE__, __LINE__);
    return err;
}

int wizard_main(int argc, char** argv)
{
    std::string temp_folder, own_path;
    get_OS_abs_path(os_dir_temp, temp_folder);
    get_OS_abs_path(os_dir_this_app_file, own_path);
    // Looked for first: a program started from the disk must move off it
    // before anything else, or the disk could never be changed, and before
    // the working folder changes, which a relative "-path" is taken from.
    dvd_path = UTIL_find_start_dvd(program_started_from(own_path));
    if (runs_from_dvd(own_path, dvd_path)) move_off_dvd(own_path, dvd_path, argc, argv);

    // "-path" may be relative to where the user started the program.
    std::string start_folder;
    if (char* cwd = getcwd(nullptr, 0)) {
        start_folder = cwd;
        std::free(cwd);
    }
    // Every relative path of the program is taken from the folder of its
    // own files: the program's folder when that is the user's own.  With
    // none, the root, where no one but root can put a file for the texture
    // loader to find, and where nothing is written.
    const std::string& own_folder = own_files_folder();
    if (own_folder.empty() || chdir(own_folder.c_str()) != 0) {
        const int went_to_root = chdir("/");
        (void)went_to_root;
    }
    set_shell_app_hooks({APP_update, APP_handlemenu});
    BTN_install_shell_hooks();
    install_modal_questions();
    bind_options_preferences();
    MACIBM_init(argc, argv);
    if (const std::string why = stays_on_dvd_log(); !why.empty())
        xer << "Could not move off the DVD (" << why
            << "): running from it, so it cannot be changed while the program runs.\n";

    tman.load_texture(tex_fail_fatal, kSkinTexture, kSkinFlags, tex_load_now,
                      skin_texture_for_language(mnw.language));
    log_system_folders();

    start_run_temp_folder(temp_folder);
    read_installer_settings();
    cmd_line_path = command_line_folder(path_argument(argc, argv), start_folder);
    locate_all_nimbrels();

    while (!app_done) MACIBM_event_proc();
    MACIBM_finishup(1);
    return app_exit_status;
}
