#include "core/maker_site.h"
#include "core/text/translation.h"
#include "widgets/buttons.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

eula_neighbours g_eula_road = {nullptr, nullptr};

// The agreement has four paragraphs, and only the second holds words: the
// blank ones read the same in every language.
std::string eula_text()
{
    return "\n\n" + UTL_translate_string("See ", 0) + "http://" NIMBREL_MAKER_HOST "/FTD.html" +
           UTL_translate_string(" for commercial use of Nimbrel.\n\n", 0) + "\n\n";
}

int see_eula(int, wizard_screen& record)
{
    record.title = UTL_translate_string("End User License Agreement", 0);
    record.text = eula_text();
    record.back = g_eula_road.back;
    record.next = accept_eula ? g_eula_road.next : nullptr;
    BTN_bool(250, 300, &accept_eula, UTL_translate_string("|-I agree!", 0), 0);
    return 0;
}
