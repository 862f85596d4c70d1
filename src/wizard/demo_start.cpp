// The web-demo road's first screens: the welcome, which lays out the road,
// and the server check, which fetches the server list and the manifest.
#include "core/maker_site.h"
#include "core/text/translation.h"
#include "engine/download_streams.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "widgets/buttons.h"
#include "wizard/demo_road.h"
#include "wizard/shared_screens.h"
#include "wizard/web_roads.h"
#include "wizard/wizard_globals.h"

namespace {

std::string tr(const char* english) { return UTL_translate_string(english, 0); }

const road_step kRoad[] = {
    {UTL_TEXT("Welcome"), demo_start},
    {UTL_TEXT("License"), see_eula},
    {UTL_TEXT("Check Servers"), demo_get_updates},
    {UTL_TEXT("Pick Destination"), demo_pick_dest},
    {UTL_TEXT("Install"), demo_run_patch},
    {UTL_TEXT("Finish"), demo_done},
};

}  // namespace

int demo_start(int first_frame, wizard_screen& record)
{
    if (first_frame) {
        accept_eula = 0;
        locate_all_nimbrels();
        set_step_list(kRoad);
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
    if (first_frame) server_check_begins();

    record.title = tr("Check Servers");
    record.back = see_eula;
    record.next = nullptr;
    static const server_check_words words = {
        UTL_TEXT("I am contacting " NIMBREL_MAKER_HOST " to find a demo server."),
        UTL_TEXT("I am downloading demo info from %1:server name%."),
        UTL_TEXT("I am processing information about the available demo."),
    };
    if (!server_check_frame(record, words)) return 0;
    record.back = nullptr;
    record.next = demo_pick_dest;
    return 1;
}
