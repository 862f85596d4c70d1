// The program's entry: the shell's start-up, one frame per pass until the
// run is done, the orderly shut-down.
#include <unistd.h>

#include <string>

#include "core/shell_hooks.h"
#include "core/system_paths.h"
#include "shell/frame_loop.h"
#include "shell/startup.h"
#include "widgets/toolkit_hooks.h"
#include "wizard/app_update.h"

int main(int argc, char** argv)
{
    std::string folder;
    get_OS_abs_path(os_dir_this_app, folder);
    // Every relative path of the program is taken from its own folder.
    if (!folder.empty() && chdir(folder.c_str()) != 0) folder.clear();
    set_shell_app_hooks({APP_update, APP_handlemenu});
    BTN_install_shell_hooks();
    MACIBM_init(argc, argv);
    while (!app_done) MACIBM_event_proc();
    MACIBM_finishup(1);
    return 0;
}
