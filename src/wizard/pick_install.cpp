#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "engine/install_registry.h"
#include "engine/installer_state.h"
#include "engine/stop_pumps.h"
#include "gfx/fonts/text_drawing.h"
#include "widgets/buttons.h"
#include "widgets/folder_picker.h"
#include "wizard/shared_screens.h"

void choose_copy_holding(const std::string& previous)
{
    const std::string picked = dest_dir_path;
    for (;;) {
        if (path_is_to_a_sim()) {
            register_new_nimbrel();
            locate_all_nimbrels();
            return;
        }
        const std::string parent = parent_folder(dest_dir_path);
        if (parent.empty() || parent == dest_dir_path) break;
        dest_dir_path = parent;
    }
    __MACIBM_alert(0, UTL_translate_string("You selected the folder path:", 0), picked,
                   UTL_translate_string("But it does not appear to be an installed copy of Nimbrel 9.", 0),
                   UTL_translate_string(
                       "Please be sure to select the folder that contains the Nimbrel application.", 0),
                   1, __FILE__, __LINE__);
    dest_dir_path = previous;
}

std::string parent_folder(const std::string& path)
{
    if (path.empty()) return "";
    std::size_t e = path.size() - 1;
    if (path.size() > 2 && path[e] == '/') --e;
    const std::size_t slash = path.rfind('/', e);
    if (slash == std::string::npos) return "";
    // The root's parent is the root; a path's parent keeps its "/".
    if (path == "/") return "/";
    return path.substr(0, slash + 1);
}

void forget_destination_unless_a_copy()
{
    for (const std::string& copy : all_nsystems)
        if (copy == dest_dir_path) return;
    if (!dest_dir_path.empty() && !path_is_to_a_sim()) dest_dir_path.clear();
}

std::string pick_copy_text(const char* sentence)
{
    std::string text;
    if (all_nsystems.size() > 1)
        text = UTL_translate_string(
            "You have more than one copy of Nimbrel 9 installed on this computer.  ", 0);
    return text + UTL_translate_string(sentence, 0);
}

void pick_copy_frame(int first_frame, const char* sentence, wizard_screen& record)
{
    if (first_frame) {
        stop_checksum_pump();
        forget_destination_unless_a_copy();
    }
    if (all_nsystems.size() == 1) dest_dir_path = all_nsystems[0];
    UTIL_pick_install();
    if (dest_dir_path.empty()) record.next = nullptr;
    record.text = pick_copy_text(sentence);
}

void UTIL_pick_install()
{
    const int n = static_cast<int>(all_nsystems.size());
    if (n == 1 && dest_dir_path.empty()) dest_dir_path = all_nsystems[0];
    for (int i = 0; i < n; ++i) {
        int on = dest_dir_path == all_nsystems[i] ? 1 : 0;
        if (BTN_bool(250, 400.0f - 25.0f * static_cast<float>(i), &on, "|-" + all_nsystems[i], 1))
            dest_dir_path = all_nsystems[i];
    }
    const std::string question = UTL_translate_string(
        "Is the copy of Nimbrel 9 you're looking for missing from this list?", 0);
    const float y = 400.0f - 25.0f * static_cast<float>(n);
    OGL_string(48, 230, y, question, 400, charset_regular, 0);
    const float w = str_dx(question);
    if (!BTN_action(w > 400 ? 685 : w + 285, y + 3, 100, 0, 1,
                    UTL_translate_string("Find It", 0), "-"))
        return;
    const std::string previous = dest_dir_path;
    if (!GetFilePathFromUser(2, UTL_translate_string("Please select your Nimbrel 9 folder.", 0),
                             UTL_translate_string("Select", 0), 1, dest_dir_path, dest_dir_path))
        return;
    choose_copy_holding(previous);
}
