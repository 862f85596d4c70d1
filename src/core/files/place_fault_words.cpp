#include "core/files/place_fault_words.h"

#include "core/diag/error_codes.h"
#include "core/text/translation.h"

namespace {

std::string owner_in_users_words(uid_t owner)
{
    if (owner == 0) return UTL_translate_string("belongs to root", 0);
    const std::string name = account_name(owner);
    if (name.empty()) return UTL_string_sub(UTL_translate_string("belongs to user %1:number%", 0), std::to_string(owner));
    return UTL_string_sub(UTL_translate_string("belongs to the user %1:name%", 0), name);
}

}  // namespace

std::string fault_in_users_words(const place_fault& fault)
{
    switch (fault.kind) {
    case place_fault::none: return "";
    case place_fault::failed: return fault.place + ": " + error_text(fault.err);
    case place_fault::foreign_owner: return fault.place + " " + owner_in_users_words(fault.owner);
    case place_fault::others_write:
        return UTL_string_sub(UTL_translate_string("%1:folder% may be written by others", 0), fault.place);
    case place_fault::shared_link:
        return UTL_string_sub(UTL_translate_string("%1:file% is a link in a folder others may write", 0), fault.place);
    case place_fault::not_regular:
        return UTL_string_sub(UTL_translate_string("%1:file% is not a regular file", 0), fault.place);
    case place_fault::other_names:
        return UTL_string_sub(UTL_translate_string("%1:file% has another name as well (a hard link)", 0), fault.place);
    case place_fault::refused_mount: return fault.text();
    }
    return "";
}
