#include "core/files/per_user_folder_notice.h"

#include <atomic>
#include <string>

#include "core/files/per_user_folder.h"
#include "core/files/place_fault_words.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"

namespace {

std::atomic<bool> told{false};

}  // namespace

void tell_per_user_folder_trouble()
{
    bool in_home = false;
    const place_fault fault = per_user_folder_fault(&in_home);
    if (!fault || told.exchange(true)) return;
    // Root's run with another user's HOME is told to use its own, not to
    // take that user's folder.
    const std::string advice =
        in_home ? UTL_translate_string("Start the installer with a home folder (HOME) of your own that no "
                                       "one else may write.", 0)
                : UTL_translate_string("Remove that folder, or make it yours alone (owned by you and "
                                       "writable by no one else), then start the installer again.", 0);
    __MACIBM_alert(0,
                   UTL_translate_string("I cannot keep the installer's settings or the list of installed "
                                        "copies of Nimbrel 9: a folder they need cannot be used.", 0),
                   UTL_string_sub(UTL_translate_string("Error: %1:message%.", 0), fault_in_users_words(fault)),
                   advice, "", 1, __FILE__, __LINE__);
}

void per_user_folder_notice_forget() { told = false; }
