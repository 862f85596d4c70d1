#include "core/diag/error_codes.h"
#include "core/diag/log_stream.h"
#include "core/files/file_ops.h"
#include "core/text/translation.h"
#include "engine/copy_gate.h"
#include "engine/dvd_install_pump.h"
#include "engine/installer_state.h"
#include "gfx/fonts/text_drawing.h"
#include "wizard/number_texts.h"
#include "wizard/shared_screens.h"

std::string disk_space_text(unsigned long long total_bytes, unsigned long long free_bytes,
                            float needed_k, const std::string& enough_text,
                            const std::string& short_text, bool* enough)
{
    const unsigned long long free_k = free_bytes / 1000;
    const unsigned long long total_k = total_bytes / 1000;
    const float free_f = static_cast<float>(free_k);
    // The sentence and the answer differ at equality on purpose: "enough"
    // is shown, but the need is not met with nothing to spare.
    *enough = free_f > needed_k;
    return UTL_string_sub(
        UTL_translate_string("Disk size: %1:total disk space%\nFree disk space: %2:free disk "
                             "space%\nDisk space needed to install: %3:required disk "
                             "space%\n\n%4:status message%",
                             0),
        size_string(static_cast<float>(total_k)), size_string(free_f), size_string(needed_k),
        free_f >= needed_k ? enough_text : short_text);
}

bool UTIL_disk_space(const std::string& enough_text, const std::string& short_text)
{
    unsigned long long total = 0, free = 0;
    if (get_free_space(dest_dir_path, &total, &free) != 0) return true;
    bool enough = false;
    const std::string text =
        disk_space_text(total, free, stg.install_total, enough_text, short_text, &enough);
    OGL_string(48, 220, 108, text, 560, charset_regular, 0);
    return enough;
}

bool keep_running_install(const std::string& question, const std::string& cancel_text,
                          const std::string& continue_text)
{
    const std::string cancel = UTL_translate_string("Cancel", 0);
    const std::string go_on = UTL_translate_string("Continue", 0);
    if (abort_alert(question, cancel, cancel_text, go_on, continue_text) == 0) return true;
    // No worker may write into the copy while it goes.
    install_files_kill();
    copy_remove_all();
    return false;
}

int UTIL_cancel_install(std::string intro, std::string question, std::string first_button,
                        std::string first_text, std::string second_button,
                        std::string second_text)
{
    std::string message;
    const int code = install_files_get_error(message);
    const std::string error_line = message + " (" + error_text(code) + ")";
    xer << "Asking whether to go on after: " << message << " (" << error_str(code) << ")\n";
    return abort_alert(intro + "\n\n" + error_line + "\n\n" + question, first_button, first_text,
                       second_button, second_text);
}
