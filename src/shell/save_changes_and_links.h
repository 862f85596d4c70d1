// Two services the application calls when it needs the user or the
// desktop: the modal save-changes question and opening a web address.
#pragma once

#include <string>

// 1 save, 2 do not save, 3 cancel (or the dialog closed some other way).
int MACIBM_nuke_alert(std::string name, int cancel_permitted);

// Opens the address in the desktop's browser (open_in_browser) and logs
// it with the result: 0 once the opener runs, else why it did not.  The
// engine reaches it through its web-page hook.
void go_to_URL(std::string url);
