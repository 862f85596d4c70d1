// Opening a web page of the maker in the desktop's browser.
#pragma once

#include <string>

#include "core/maker_site.h"

// Opens `url` through the hook: the shell sets its logged go_to_URL at
// start-up; until then (and with a null hook) the core's opener runs.
void open_web_page(const std::string& url);

using web_page_fn = void (*)(std::string url);
void set_web_page_hook(web_page_fn fn);
