// Two services the application calls when it needs the user or the
// desktop: the modal save-changes question and opening a web address.
#pragma once

#include <string>

// 1 save, 2 do not save, 3 cancel (or the dialog closed some other way).
int MACIBM_nuke_alert(std::string name, int cancel_permitted);

// Opens the address in the desktop's browser through xdg-open and logs
// the outcome.  An address holding a quote, '$', a backquote, a backslash
// or a control character is refused (logged) and nothing runs.
void go_to_URL(std::string url);
// The same check on its own.
bool URL_is_safe(const std::string& url);
