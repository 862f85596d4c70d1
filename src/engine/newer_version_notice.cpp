#include "engine/newer_version_notice.h"

#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/installer_state.h"
#include "engine/web_page.h"

void new_installer(std::string url)
{
    __MACIBM_alert(0,
                   UTL_translate_string("There is a newer version of the Nimbrel web demo installer available.", 0),
                   UTL_translate_string("I will take you to the web page where you can downoad it.", 0),
                   "", "", 1, __FILE__, __LINE__);
    open_web_page(url);
    app_done = 1;
    app_exit_status = 1;
}

void new_format(std::string path)
{
    stg.format_error = 2;
    __MACIBM_alert(0,
                   UTL_translate_string("OK I am checking the Orrindale Labs servers and I am finding file formats that are newer than I can understand!", 0),
                   UTL_translate_string("In other words, you need to get a new installer!", 0),
                   UTL_string_sub(UTL_translate_string("Please download the newest installer from the demo page of %1:web site%.", 0),
                                  kMakerWebHost),
                   path, 1, __FILE__, __LINE__);
    open_web_page(std::string("http://") + kMakerWebHost + "/demo.html");
    app_done = 1;
    app_exit_status = 1;
}
