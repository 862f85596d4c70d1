// The checksum pass over an installed copy, as the scan screens of the
// update, repair and scenery roads show it.
#include "core/text/translation.h"
#include "engine/checksum_pump.h"
#include "engine/manifest.h"
#include "engine/stop_pumps.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"

bool scan_copy_frame(int& cursor, int mode, wizard_screen& record)
{
    // Workers write into sim_info until they are stopped; nothing may free
    // it under them.
    record.quit_hook = UTL_stop_all_pumps;
    float fraction = 0;
    if (checksum_directory(cursor, mode, fraction)) return true;
    record.progress_text =
        UTL_string_sub(UTL_translate_string("Scanning %1:number% of %2:total% files.", 0),
                       int_str(cursor), int_str(static_cast<int>(sim_info.size())));
    record.progress = fraction;
    return false;
}
