#include "wizard/options_window.h"

#include "core/text/preferences.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "core/window_ids.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "gfx/draw/draw_2d.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/window_stack.h"
#include "widgets/buttons.h"
#include "widgets/number_field.h"
#include "widgets/popup_list.h"
#include "widgets/text_field.h"
#include "widgets/widget_sheet.h"

namespace {

constexpr int kOptionsWindow = window_ids::prefs;
constexpr int kProxyTextMax = 65;

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

}  // namespace

int proxy_port_from_text(const std::string& text)
{
    const int port = str_to_int(text);
    // No port is no proxy, kept as the 0 that the client and the
    // preference file both read so, never as str_to_int's -1.
    return port >= 1 && port <= 65535 ? port : 0;
}

void sanitize_installer_settings()
{
    if (stg.stream_count < 0 || stg.stream_count > 4) stg.stream_count = 0;
    if (stg.target_os < 1 || stg.target_os > 3) stg.target_os = 3;
    if (http.proxy_port_int < 1 || http.proxy_port_int > 65535) http.proxy_port_int = 0;
}

void bind_options_preferences()
{
    http_bind_preferences();
    pref_bind_int(11, "_stream_count", &stg.stream_count);
    pref_bind_int(11, "_log_actions", &stg.log_actions);
    pref_bind_int(11, "_get_beta", &stg.get_beta);
}

void handle_prefs()
{
    MACIBM_startwind(kOptionsWindow, 0);
    while (mnw.current_window == kOptionsWindow && !app_done) {
        OGL_plot_back_col();
        BTN_fillwin(1, 24);
        float right = 0, top = 0;
        BTN_subwin(0, 16, 10, 10, mnw.window_width - 20, 70,
                   tr("Proxy (if you are behind a firewall with a Proxy)"), &right, &top);
        BTN_subwin(0, 16, 10, top, mnw.window_width - 20, mnw.window_height - top - 28,
                   tr("General Preferences"), &right, &top);

        int manual = stg.stream_count != 0;
        int os_index = stg.target_os - 1;
        BTN_textlist(250, 300, &os_index, "Macintosh-Windows-Linux",
                     tr("Operating System to download Nimbrel for:|(Install and copy the entire "
                        "Nimbrel folder to another computer if you like)"));
        stg.target_os = os_index + 1;
        BTN_bool(40, 250, &stg.log_actions,
                 tr("|Log installer actions. Turn this on to output the installer file downloads "
                    "and stuff to the file log.txt."),
                 0);
        BTN_bool(40, 200, &manual,
                 tr("|Manually set the number of download streams. Typically leave this OFF, and "
                    "the installer will find the best number of streams for you."),
                 0);
        if (manual)
            BTN_int_range(400, 150, &stg.stream_count, 1, 1, 4, "");
        else
            stg.stream_count = 0;
        BTN_enterstring(85, 40, &http.proxy_host, kProxyTextMax, tr("-proxy host"), 455, 1);
        BTN_enterstring(85, 20, &http.proxy_port, kProxyTextMax, tr("-proxy port"), 455, 1);
        if (!http.proxy_port.empty()) http.proxy_port_int = proxy_port_from_text(http.proxy_port);
        MACIBM_event_proc();
    }
    // The program's window was closed: the settings stand as edited, and
    // the main loop ends once the wizard's frame is through.
    if (mnw.current_window == kOptionsWindow) MACIBM_startwind(0, 0);
}
