#include "core/text/translation.h"
#include "engine/http_client.h"
#include "engine/installer_state.h"
#include "wizard/shared_screens.h"

std::string server_trouble_text(const std::string& host, bool every_download_server)
{
    std::string text = UTL_string_sub(
        UTL_translate_string(every_download_server && stg.server_count > 1
                                 ? "I cannot get an answer from any of the download servers, %1:host% included."
                                 : "I cannot get an answer from %1:host%.",
                             0),
        host);
    text += " ";
    if (UseProxy(host.c_str(), 80))
        text += UTL_string_sub(UTL_translate_string("I am going through the proxy %1:proxy%: its settings may be "
                                                    "wrong, or the server may be busy. I will keep trying.",
                                                    0),
                               http.proxy_host + ":" + std::to_string(http.proxy_port_int));
    else
        text += UTL_translate_string(
            "Your internet connection may be down, or the server may be busy. I will keep trying.", 0);
    return text;
}
