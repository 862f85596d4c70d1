// keys_class::keys_wind: the binding list on the left, the selected row's
// command in the middle and the two-level command browser on the right.
// Every change goes straight into `keys.bindings`.
#include "gfx/fonts/text_drawing.h"
#include "core/window_ids.h"
#include "shell/command_registry.h"
#include "shell/keys.h"
#include "shell/mnw_state.h"
#include "shell/widget_hooks.h"
#include "shell/window_stack.h"

key_editor_state key_editor;

namespace {

constexpr int rows_shown = 34;
constexpr int chooser_open = window_ids::open_file;
constexpr int command_kind = 21;

const char help_text[] =
    "Select the key you'd like to program from the list on the left of this screen and hit any "
    "key you like! Then select the group above and the item at right to assign some funtion to "
    "that keypress!";

// The path less its last component; a '/' at the very end belongs to the
// component, so "sim/operation/" gives "sim/" and "sim/" gives "".
std::string without_last_component(const std::string& path)
{
    size_t end = path.size();
    if (end > 0 && path[end - 1] == '/') --end;
    const size_t slash = end > 0 ? path.rfind('/', end - 1) : std::string::npos;
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path of a row's command; a command outside the registry (a stale
// or corrupted row) has none rather than reading past the table.
const std::string* command_path(int command)
{
    if (command < 0 || static_cast<size_t>(command) >= cmnd.paths.size()) return nullptr;
    return &cmnd.paths[static_cast<size_t>(command)];
}

std::string key_label(keys_class& k, const key_binding& row)
{
    std::string modifiers = k.flag_to_str(row.modifiers);
    modifiers = modifiers == "<none>" ? std::string() : modifiers + " ";
    return "-" + modifiers + k.vkey_to_str(row.vkey);
}

// The row takes the last key; no other row keeps the same key and
// modifiers.
void capture_key(std::vector<key_binding>& rows, size_t taker, int vkey, int modifiers)
{
    rows[taker].vkey = vkey;
    rows[taker].modifiers = modifiers;
    for (size_t j = 0; j < rows.size(); ++j)
        if (j != taker && rows[j].vkey == vkey && rows[j].modifiers == modifiers)
            rows[j].vkey = rows[j].modifiers = 0;
}

}  // namespace

void keys_class::keys_wind(int mode)
{
    const shell_widget_hooks& w = shell_widgets();
    key_editor_state& st = key_editor;
    float unused = 0;

    // -- Panels ---
    w.BTN_subwin(34, 19, 10, 10, mode == 0 ? 345 : 365, -1, "", &wx1, &unused);
    if (mode == 0) wx1 += 20;
    w.BTN_subwin(34, 16, wx1, 10, 184, 125, "", &wx2, &wy1);
    w.BTN_subwin(34, 18, wx1, wy1, 184, 100, "", &unused, &wy1);
    w.BTN_subwin(34, 16, wx1, wy1, 184, -1, "", &unused, &unused);
    w.BTN_subwin(34, 16, wx2, 10, -1, -1, "", &wx3, &unused);

    OGL_string(46, wx1 + 92, 115, help_text, 164, charset_regular, 1);

    // -- Add and delete ---
    if (w.BTN_action(wx1 + 92, 25, 0, 0, 1, "Add New Key Assignment", "-")) {
        bindings.push_back({0, 0, cmnd.get_cmnd_by_name("sim/operation/none"), 0});
        if (bindings.size() > rows_shown) st.k_cen = static_cast<int>(bindings.size()) - rows_shown;
    }
    // Clear of the Add button and the help text under the selected
    // command, which it deletes.
    if (st.key_edit >= 0 && st.key_edit < static_cast<int>(bindings.size()) &&
        w.BTN_action(wx1 + 92, 160, 0, 0, 1, "Delete Selected Key Assignment", "-"))
        bindings.erase(bindings.begin() + st.key_edit);

    // -- The rows ---
    const bool key_for_row = mnw.key_pressed && presses_reached != st.presses_seen;
    st.presses_seen = presses_reached;
    w.BTN_vert_slider(0, wx1 - 15, 30, 686, 0, static_cast<int>(bindings.size()) - rows_shown,
                      &st.k_cen);
    for (int r = 0; r < rows_shown; ++r) {
        const int i = st.k_cen + r;
        if (i < 0 || i >= static_cast<int>(bindings.size())) continue;
        key_binding& row = bindings[static_cast<size_t>(i)];
        if (w.BTN_action(78, 689 - 20.0f * r, 120, i == st.key_edit, 1, key_label(*this, row), "-"))
            st.key_edit = i == st.key_edit ? -1 : i;
        if (const std::string* path = command_path(row.command))
            OGL_string(48, 140, 685 - 20.0f * r, path->size() > 4 ? path->substr(4) : "", 9999,
                       charset_regular, 0);
        if (i == st.key_edit && key_for_row)
            capture_key(bindings, static_cast<size_t>(i), pressed_vkey, pressed_modifiers);
    }

    // -- The selected row's command and the browser ---
    if (mode != 0 || st.key_edit < 0 || st.key_edit >= static_cast<int>(bindings.size())) return;
    key_binding& row = bindings[static_cast<size_t>(st.key_edit)];
    const std::string* shown = command_path(row.command);
    if (!shown) return;
    std::string path = *shown;
    OGL_string(50, wx1 + 10, 225, path, 174, charset_regular, 0);
    OGL_string(50, wx1 + 10, 195, cmnd.descriptions[static_cast<size_t>(row.command)], 174,
               charset_regular, 0);

    std::string group = without_last_component(path);
    const std::string parent = without_last_component(group);
    std::vector<std::string> entries;
    cmnd.get_cmds_in_path(parent, entries);
    bool group_changed = false;
    for (size_t k = 0; k < entries.size(); ++k) {
        int checked = parent + entries[k] == group;
        if (w.BTN_bool(wx1 + 18, 685 - 15.0f * k, &checked, "|" + entries[k], 1)) {
            group = parent + entries[k];
            group_changed = true;
        }
    }

    // The field keeps what is typed into it until it names a command or
    // the row's command changes; the browse button applies it too.
    if (st.typed_row != st.key_edit || st.typed_over != path) {
        st.typed_path = st.typed_over = path;
        st.typed_row = st.key_edit;
    }
    if (w.BTN_select_path_stl(590, 730, chooser_open, command_kind, &st.typed_path, 40,
                              "|-custom cmnds from plugins", 280, 0) ||
        (st.typed_path != path && cmnd.get_cmnd_by_name(st.typed_path) != 0)) {
        row.command = cmnd.get_cmnd_by_name(st.typed_path);
        path = cmnd.paths[static_cast<size_t>(row.command)];
    }

    cmnd.get_cmds_in_path(group, entries);
    float x = wx2 + 18, y = 685;
    for (size_t k = 0; k < entries.size(); ++k) {
        int checked = group + entries[k] == path;
        if (w.BTN_bool(x, y, &checked, "|-" + entries[k], 1) || (group_changed && k == 0)) {
            path = group + entries[k];
            row.command = cmnd.get_cmnd_by_name(path);
        }
        y -= 15;
        if (y < 20) {
            x += 200;
            y = 685;
        }
    }
}
