#include "core/maker_site.h"
#include "core/text/translation.h"
#include "widgets/buttons.h"
#include "wizard/shared_screens.h"
#include "wizard/wizard_globals.h"

eula_neighbours g_eula_road = {nullptr, nullptr};

std::string eula_text()
{
    const char* const paragraphs[] = {
        UTL_TEXT("This program and the Nimbrel flight simulator it installs are licensed, not sold. "
                 "You may install the demo on any number of computers and fly it for your own "
                 "enjoyment and learning. You may not sell it, rent it, or pass it off as your own, "
                 "and you may not take it apart to build another product from it.\n\n"),
        nullptr,  // the commercial-use address, between its two halves
        UTL_TEXT("Nimbrel is a simulation for entertainment and familiarisation. It is not certified "
                 "for flight training, and it must never be used to navigate a real aircraft. It "
                 "comes as it is, without any warranty; the makers are not liable for any loss that "
                 "comes from using it, as far as the law allows.\n\n"),
        UTL_TEXT("By ticking the box below you agree to these terms."),
    };
    std::string text;
    for (const char* p : paragraphs) {
        if (p)
            text += UTL_translate_string(p, 0);
        else
            text += UTL_translate_string("See ", 0) + "http://" NIMBREL_MAKER_HOST "/FTD.html" +
                    UTL_translate_string(" for commercial use of Nimbrel.\n\n", 0);
    }
    return text;
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
