#include "wizard/program_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "core/core_globals.h"
#include "core/diag/error_codes.h"
#include "core/files/file_ops.h"
#include "core/files/folder_trees.h"
#include "core/files/launch_app.h"
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

// A copy of the program at `own_path` in a file with no name in `folder`
// (O_TMPFILE): no other user can find, replace or block it, nothing another
// put in the folder beforehand is opened, and nothing is left there however
// the run ends.  Its mode is its own, whatever the disk records.  0 and a
// descriptor to run it through, or the error number.
int copy_to_unnamed_file(const std::string& own_path, const std::string& folder, int& runnable)
{
    const int from = ::open(own_path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (from < 0) return errno;
    struct stat st;
    int err = ::fstat(from, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EACCES;
    const int to = err ? -1 : ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0700);
    if (!err && to < 0) err = errno;
    char block[64 << 10];
    for (ssize_t got = 1; !err && got > 0;) {
        got = ::read(from, block, sizeof block);
        if (got < 0 && errno != EINTR) err = errno;
        for (ssize_t put = 0; !err && got > 0 && put < got;) {
            const ssize_t n = ::write(to, block + put, static_cast<size_t>(got - put));
            if (n < 0 && errno != EINTR) err = errno;
            if (n > 0) put += n;
        }
    }
    if (!err && ::fchmod(to, 0700) != 0) err = errno;
    // Run through a descriptor of its own that reads only: the kernel
    // refuses to run a file open for writing.
    if (!err) {
        const std::string self = "/proc/self/fd/" + std::to_string(to);
        runnable = ::open(self.c_str(), O_RDONLY | O_CLOEXEC);
        if (runnable < 0) err = errno;
    }
    if (to >= 0) ::close(to);
    ::close(from);
    return err;
}

}  // namespace

int relaunch_off_dvd(const std::string& own_path, const std::string& temp_folder)
{
    int copy = -1;
    // A copy that failed would not start, and the user would be left with
    // no installer at all: this one goes on from the DVD instead.
    int err = copy_to_unnamed_file(own_path, temp_folder, copy);
    if (err != 0) {
        xer << "Could not copy " << own_path << " to a file of its own in " << temp_folder << ": "
            << error_str(err) << "; running from the DVD.\n";
        return err;
    }
    err = launch_program_file(copy, own_path);
    ::close(copy);
    xer << "Running from the DVD.\n";
    return err;
}

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

bool runs_from_dvd(const std::string& own_path, const std::string& dvd)
{
    // A program whose path is unknown agrees with any disk over no length.
    if (own_path.empty() || dvd.empty() || dvd == "/") return false;
    const std::size_t n = own_path.size() < dvd.size() ? own_path.size() : dvd.size();
    return own_path.compare(0, n, dvd, 0, n) == 0;
}

bool moves_off_dvd(const std::string& own_path, const std::string& dvd,
                   const std::string& temp_folder)
{
    return runs_from_dvd(own_path, dvd) &&
           !runs_from_dvd(temp_folder + program_file_name(own_path), dvd);
}

std::string program_file_name(const std::string& own_path)
{
    if (own_path.size() < 2) return own_path;
    const std::size_t slash = own_path.rfind('/', own_path.size() - 2);
    return slash == std::string::npos ? own_path : own_path.substr(slash + 1);
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
    // before anything else, or the disk could never be changed.
    dvd_path = UTIL_find_dvd_path();
    const int relaunch_err = moves_off_dvd(own_path, dvd_path, temp_folder) ? relaunch_off_dvd(own_path, temp_folder) : 0;

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
    if (relaunch_err != 0)
        xer << "Could not move off the DVD (" << error_str(relaunch_err)
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
