// Opening a web page of the maker in the desktop's browser.
#pragma once

#include <string>

#include "core/maker_site.h"

// Whether `url` may be handed to the browser: http or https, no blanks and
// no control characters (it may come from a server's list).
bool url_is_openable(const std::string& url);

// Starts the desktop's opener (xdg-open) on the page without a shell and
// without waiting for it.  0, or the reason: EINVAL for a URL that is not
// openable, else the fork's errno.
int open_web_page(const std::string& url);
