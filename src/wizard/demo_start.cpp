// The web-demo road's first screens: the welcome, which lays out the road,
// and the server check, which fetches the server list and the manifest.
#include <algorithm>

#include "core/maker_site.h"
#include "core/text/translation.h"
#include "engine/download_streams.h"
#include "engine/http_client.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine/server_list.h"
#include "widgets/buttons.h"
#include "wizard/demo_road.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

void fill_step_list()
{
    struct step {
        const char* name;
        screen_fn screen;
    };
    static const step road[] = {
        {UTL_TEXT("Welcome"), demo_start},
        {UTL_TEXT("License"), see_eula},
        {UTL_TEXT("Check Servers"), demo_get_updates},
        {UTL_TEXT("Pick Destination"), demo_pick_dest},
        {UTL_TEXT("Install"), demo_run_patch},
        {UTL_TEXT("Finish"), demo_done},
    };
    step_names.clear();
    step_funcs.clear();
    for (const step& s : road) {
        step_names.push_back(tr(s.name));
        step_funcs.push_back(s.screen);
    }
}

}  // namespace

manifest_fetch_progress manifest_progress(bool has_transfer, long long content_length,
                                          long long received)
{
    if (!has_transfer) return {0, 0.0f};
    if (content_length == -1) return {-1, -0.01f};
    // Single precision and truncation, so 99.9 % reads 99 and the bar and
    // the text agree.
    const float percent = static_cast<float>(received) * 100.0f / static_cast<float>(content_length);
    return {static_cast<int>(percent), percent * 0.01f};
}

int demo_start(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        accept_eula = 0;
        locate_all_nimbrels();
        fill_step_list();
        g_eula_road = {demo_start, demo_get_updates};
        next.reset_all_streams();
    }
    record.title = tr("Welcome");
    record.flag_prefs = 1;
    record.text = tr("I will guide you through the process of installing the web demo of Nimbrel 9.");
    if (!all_nsystems.empty())
        record.text += tr("\n\nWarning: you already have Nimbrel 9 installed on this computer.  "
                          "Are you sure you want to install a new demo copy of Nimbrel 9?");
    record.next = see_eula;
    BTN_bool(250, 270, &stg.get_beta,
             tr("|Get the new beta as a demo if available. Leave this off unless you want to "
                "participate in the Nimbrel beta program!"),
             0);
    return 0;
}

int demo_get_updates(int first_frame, wizard_screen& record)
{
    // The manifest is still in the temporary folder: read it again rather
    // than fetch it again.
    if (first_frame && stg.dir_status == 3) stg.dir_status = 1;

    record.title = tr("Check Servers");
    record.back = see_eula;
    record.next = nullptr;
    UTL_download_directory();

    if (stg.server_count == -1) {
        record.text = tr("I am contacting " NIMBREL_MAKER_HOST " to find a demo server.");
        if (http.failing(kMakerWebHost)) record.text += "\n\n" + server_trouble_text(kMakerWebHost, false);
        return 0;
    }
    // A list without servers leaves nothing to fetch from: as good as
    // unreadable, and the server tables have no row to name.
    if (stg.dir_status == 2 || stg.server_count <= 0) {
        record.text = tr("There was a problem reading information from the servers.");
        return 0;
    }
    if (stg.dir_status == 0) {
        const down_class* transfer = http.transfer(1);
        const manifest_fetch_progress p =
            manifest_progress(transfer != nullptr, transfer ? transfer->ContentLength() : 0,
                              transfer ? transfer->BytesWritten() : 0);
        std::string percent;
        int_to_str(p.percent, &percent, 1, 0, 0);
        record.progress_text =
            percent == "-1"
                ? tr("I am checking the net for the latest version of Nimbrel 9 right now, and I "
                     "am connecting to the server...")
                : UTL_string_sub(tr("I am checking the net for the latest version of Nimbrel 9 "
                                    "right now, and I am %1:progress%% done checking."),
                                 percent);
        record.progress = p.fraction;
        const std::string& host = server_name[std::clamp(stg.server_choice, 0, stg.server_count - 1)];
        record.text = UTL_string_sub(tr("I am downloading demo info from %1:server name%."), host);
        if (all_download_servers_failing()) record.text += "\n\n" + server_trouble_text(host, true);
        return 0;
    }
    if (stg.dir_status == 1) {
        record.text = tr("I am processing information about the available demo.");
        return 0;
    }
    record.back = nullptr;
    record.next = demo_pick_dest;
    return 1;
}
