// BTN_opensave: the dialog's frame loop, its start folder, the folder
// pop-up and the Save name.  The preview is file_preview.cpp's.
#include "widgets/file_chooser.h"

#include <algorithm>
#include <vector>

#include "core/files/folder_listing.h"
#include "core/shell_hooks.h"
#include "core/text/translation.h"
#include "shell/frame_loop.h"
#include "shell/mnw_state.h"
#include "shell/window_stack.h"
#include "widgets/buttons.h"
#include "widgets/folder_levels.h"
#include "widgets/list_search.h"
#include "widgets/popup_list.h"
#include "widgets/widget_context.h"

file_chooser_state& file_chooser = BTN_context.file_chooser;

namespace {

constexpr int kind_count = 22;

struct file_kind {
    const char* start_folder;
    const char* save_extension;
};

const file_kind kinds[kind_count] = {
    {"", ""},
    {"", ""},
    {"", ".BMP"},
    {"", ".ACF"},
    {"", ".AFL"},
    {"", ".WPN"},
    {"", ".WAV"},
    {"", ".OBJ"},
    {"", ""},
    {"Output/situations/", ".SIT"},
    {"Output/movies/", ".SMO"},
    {"Output/FMS plans/", ".FMS"},
    {"", ""},
    {"Vorlane Output/tracks/", ".TRA"},
    {"Vorlane Output/cars/", ".CAR"},
    {"Brightholm Resources/spaceships/", ".SPA"},  // beside the regions, not a misspelt sibling
    {"Brightholm Resources/regions/", ".REG"},
    {"", ""},
    {"", ".HGT"},
    {"", ".TXT"},
    {"sim/", ""},
    {"sim/", ""},
};

// The pop-up holds 300 entries: the program's folder and 299 levels.
constexpr std::size_t max_levels = 299;

bool in_range(int index, int count) { return index >= 0 && index < count; }

// One dialog call: the folder shown and its listing.
struct chooser_call {
    std::string folder;
    std::vector<std::string> names;
    std::vector<int> types;
    int file_type;

    int list() { return opensave_list(folder, file_type, names, types); }
    int count() const { return static_cast<int>(names.size()); }
    // The listing's middle row, as the dialog selects in a folder it enters.
    int enter(std::string next)
    {
        folder = std::move(next);
        return list() / 2;
    }
};

int finish(int caller_window, int result)
{
    MACIBM_startwind(caller_window, 0);
    return result;
}

}  // namespace

bool opensave_args_ok(int open_save, int file_type, const std::string& caller)
{
    if (open_save != BTN_dialog_open && open_save != BTN_dialog_save) {
        __MACIBM_alert(0, "Bad open_save arg to " + caller + "!", "", "", "", 2, __FILE__, __LINE__);
        return false;
    }
    if (file_type < 0 || file_type >= kind_count) {
        __MACIBM_alert(0, "Bad file_type arg to " + caller + "!", "", "", "", 2, __FILE__, __LINE__);
        return false;
    }
    return true;
}

std::string opensave_folder_part(const std::string& path)
{
    if (path.empty()) return path;
    size_t p = path.size() - 1;
    if (p > 1 && path[p] == '/') p = path.size() - 2;
    while (p > 0 && path[p] != '/') --p;
    return path[p] == '/' ? path.substr(0, p + 1) : std::string();
}

std::string opensave_start_folder(const std::string& path, int file_type)
{
    if (path.empty()) return kinds[file_type].start_folder;
    if (path.find('/') == std::string::npos) return std::string();
    return opensave_folder_part(path);
}

std::string opensave_save_name(std::string name, int file_type)
{
    if (name.size() > 4 && name[name.size() - 4] == '.') name.resize(name.size() - 4);
    return name + kinds[file_type].save_extension;
}

int opensave_list(const std::string& folder, int file_type, std::vector<std::string>& names,
                  std::vector<int>& types)
{
    // The core lists nothing for "" on purpose: here it is the program's
    // folder, the one relative paths resolve against.
    return opensave_getitems(folder.empty() ? "./" : folder, file_type, names, types);
}

chooser_levels opensave_levels(const std::string& folder)
{
    folder_levels split = split_folder_levels(folder, max_levels);
    chooser_levels out;
    out.entries.reserve(split.levels.size() + 1);
    out.entries.push_back(std::string());
    out.entries.insert(out.entries.end(), split.levels.begin(), split.levels.end());
    out.items = "N System folder";
    if (!split.shown.empty()) out.items += "-" + join_popup_items(split.shown);
    out.shown = std::move(split.shown);
    return out;
}

int BTN_opensave(int open_save, int file_type, std::string* path)
{
    if (!opensave_args_ok(open_save, file_type, "BTN_opensave")) return 0;
    const bool saving = open_save == BTN_dialog_save;
    int& level = file_chooser.level;

    chooser_call call{opensave_start_folder(*path, file_type), {}, {}, file_type};
    int centre = call.list() / 2;
    int selection = centre;
    std::string name;
    const int caller_window = mnw.current_window;
    MACIBM_startwind(open_save, 0);

    while (mnw.current_window == open_save) {
        // The program is closing: the dialog ends as Cancel does, and the
        // main loop ends once the caller's frame is through.
        if (app_done) return finish(caller_window, 0);

        // The list clamps the selection only when it is drawn below; the
        // preview must not read past a listing that has just shrunk.
        const int shown = std::clamp(selection, 0, std::max(call.count() - 1, 0));
        stand_io_dialog(open_save, file_type,
                        call.count() ? call.folder + call.names[shown] : std::string("-"));

        const int n = call.list();
        const int double_clicked = BTN_list_and_search(
            0, 10, 180, 0, 0, &centre, &selection, 0, n - 1, saving ? &name : nullptr, "File:",
            BTN_name_from_vector, &call.names, nullptr, nullptr, BTN_type_from_vector, &call.types);

        const chooser_levels levels = opensave_levels(call.folder);
        draw_level_staircase(levels.shown);
        for (size_t k = 0; k < levels.entries.size(); ++k)
            if (levels.entries[k] == call.folder) level = static_cast<int>(k);

        const int confirm =
            BTN_action(saving ? 282 : 280, 18, 0, 0, 1,
                       UTL_translate_string(saving ? "Save" : "Open", 0), "-");
        if (BTN_action(33, 18, 0, 0, 1, UTL_translate_string("Cancel", 0), "-") || escape_hit)
            return finish(caller_window, 0);

        if (BTN_textlist(150, 434, &level, levels.items, "")) {
            if (in_range(level, static_cast<int>(levels.entries.size())))
                call.folder = levels.entries[static_cast<size_t>(level)];
        } else {
            if (saving && (confirm || return_hit) && !name.empty()) {
                *path = call.folder + opensave_save_name(name, file_type);
                return finish(caller_window, 1);
            }
            if (double_clicked || (!saving && (return_hit || confirm))) {
                if (in_range(selection, n) && call.types[static_cast<size_t>(selection)] == 1) {
                    selection = call.enter(call.folder + call.names[static_cast<size_t>(selection)] + "/");
                } else if (!saving && in_range(selection, n)) {
                    *path = call.folder + call.names[static_cast<size_t>(selection)];
                    return finish(caller_window, 1);
                }
            }
            if (delete_hit && !call.folder.empty())
                selection = call.enter(opensave_folder_part(call.folder));
        }
        MACIBM_event_proc();
    }
    return 0;
}
