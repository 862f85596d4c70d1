#include "shell/shutdown.h"

#include <unistd.h>

#include <cstdio>

#include "core/text/cmdline.h"
#include "core/diag/log_stream.h"
#include "core/text/preferences.h"
#include "core/shell_hooks.h"
#include "core/threads/thread_layer.h"
#include "core/text/translation.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/run_temp_folder.h"
#include "engine/stop_pumps.h"
#include "gfx/fonts/fonts.h"
#include "shell/glx_context.h"
#include "shell/keys.h"
#include "shell/mnw_state.h"
#include "shell/x11_window.h"

namespace {

int shut_down = 0;

// Pumps write into sim_info and the run's temporary folder, and transfers
// hold sockets and half-written archives: all of it goes before the threads
// and the folder do, whichever way the user left.
void stop_install_engine()
{
    UTL_stop_all_pumps();
    next.reset_all_streams();
    for (int slot = 0; slot < 6; ++slot) http.cancel(slot);
}

}  // namespace

int shell_is_shut_down() { return shut_down; }

void shell_finishup(int full)
{
    const bool again = shut_down;
    shut_down = 1;
    if (full && !again) {
        stop_install_engine();
        if (!cmdline.has_option("--fps_test")) {
            pref.IO_set(11, 1);
            keys.keys_io(1);
        }
        if (THREAD_is_inited()) THREAD_shutdown();
    }
    if (mnw.x_display) {
        MACIBM_setres(0);
        if (mnw.second_window_open) MACIBM_nuke_context(1);
        MACIBM_nuke_context(0);
        x11_ungrab_keyboard();
        x11_flush();
    }
    // A fatal end aborts, past exit(), which removes it otherwise: what the
    // run downloaded, a server list and a manifest, is left to nobody.
    remove_run_temp_folder();
    xer.close();
}

void MACIBM_setupforlang()
{
    if (mnw.language == 0)
        UTL_translate_clear();
    else
        UTL_translate_load(mnw.language);
    // Russian is set condensed, which a face reads as it loads: faces the
    // start-up screen or the language chooser loaded before the language
    // was settled are loaded again.
    set_font_language_source(&mnw.language);
    OGL_font_reset(charset_both);
}

void IBM_turnoff() {}

void MACIBM_exit_now(int status)
{
    remove_run_temp_folder();
    std::fflush(stdout);
    xer << std::flush;
    _exit(status);
}
