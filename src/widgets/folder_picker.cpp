#include "widgets/folder_picker.h"

#include <sys/stat.h>

#include "core/core_globals.h"
#include "core/files/folder_listing.h"
#include "core/shell_hooks.h"
#include "core/window_ids.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/window_stack.h"
#include "widgets/buttons.h"
#include "widgets/folder_levels.h"
#include "widgets/list_search.h"
#include "widgets/popup_list.h"
#include "widgets/widget_context.h"
#include "widgets/widget_sheet.h"

namespace {

constexpr int kPickerWindow = window_ids::open_file;
constexpr std::size_t kMaxLevels = 300;
constexpr std::size_t kNameMax = 30;

int list_folders(const std::string& folder, std::vector<std::string>& names, std::vector<int>& types)
{
    names.clear();
    types.clear();
    return opensave_getitems(folder, 1, names, types);
}

}  // namespace

picker_path_levels picker_levels(const std::string& folder)
{
    picker_path_levels out{split_folder_levels(folder, kMaxLevels), std::string()};
    out.popup_items = "/" + join_popup_items(out.shown);
    return out;
}

std::string picker_result(const std::string& folder, const std::vector<std::string>& names,
                          const std::vector<int>& types, int selected)
{
    std::size_t first = 0;
    while (first + 1 < folder.size() && folder[first] == '/' && folder[first + 1] == '/') ++first;
    std::string result = folder.substr(first);
    if (selected >= 0 && selected < static_cast<int>(names.size())) {
        result += names[selected];
        if (selected < static_cast<int>(types.size()) && types[selected] == 1) result += "/";
    }
    return result;
}

int GetFilePathFromUser(int, const std::string&, const std::string&, int, const std::string& start,
                        std::string& result)
{
    int& plevel = BTN_context.plevel;
    // The picker's paths are absolute: no program folder in front of them.
    app_path.clear();
    std::string folder = start.empty() ? "/" : start;
    const int saved_window = mnw.current_window;
    std::string name_text;
    std::vector<std::string> names;
    std::vector<int> types;
    int centre = list_folders(folder, names, types) / 2;
    int selected = centre;
    MACIBM_startwind(kPickerWindow, 0);

    while (mnw.current_window == kPickerWindow) {
        // The program's window was closed: the pick ends as "Cancel" does,
        // and the main loop ends once the caller's frame is through.
        if (app_done) {
            MACIBM_startwind(saved_window, 0);
            return 0;
        }
        OGL_plot_back_col();
        BTN_fillwin(1, 24);
        const int count = list_folders(folder, names, types);
        const int double_clicked =
            BTN_list_and_search(0, 10, 180, 520, 0, &centre, &selected, 0, count - 1, &name_text,
                                "File:", BTN_name_from_vector, &names, nullptr, nullptr,
                                BTN_type_from_vector, &types);
        BTN_frame2(18, 10, 300, 520, 120, "", 1.0f);
        BTN_frame1(9, 270, 52, 520, 0);
        if (name_text.size() > kNameMax) name_text.resize(kNameMax);
        const float caret = 26 + str_dx(name_text);
        OGL_line(48, 1.0f, caret, 48, caret, 55);
        OGL_string(48, 25, 49, name_text, 440, charset_regular, 0);

        if (BTN_action(430, 28, 0, 0, 1, "New Folder", "-") && !name_text.empty())
            mkdir((folder + name_text).c_str(), 0777);

        const picker_path_levels path = picker_levels(folder);
        draw_level_staircase(path.shown);
        for (std::size_t k = 0; k < path.levels.size(); ++k)
            if (path.levels[k] == folder) plevel = static_cast<int>(k);
        if (BTN_textlist(mnw.window_width / 2, 438, &plevel, path.popup_items, "")) {
            if (plevel >= 0 && plevel < static_cast<int>(path.levels.size()))
                folder = path.levels[plevel];
        } else if ((double_clicked || return_hit) && selected >= 0 && selected < count &&
                   types[selected] == 1) {
            folder += names[selected] + "/";
            selected = list_folders(folder, names, types) / 2;
        }

        if (BTN_action(35, 28, 0, 0, 1, "Cancel", "-")) {
            MACIBM_startwind(saved_window, 0);
            return 0;
        }
        if (BTN_action(510, 28, 0, 0, 1, "Select", "-")) {
            result = picker_result(folder, names, types, selected);
            MACIBM_startwind(saved_window, 0);
            return 1;
        }
        MACIBM_event_proc();
    }
    return 0;
}
