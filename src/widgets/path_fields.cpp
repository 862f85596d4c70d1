#include "widgets/path_fields.h"

#include "gfx/sheet_layout.h"
#include "shell/mnw_state.h"
#include "widgets/file_chooser.h"
#include "widgets/text_field.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"

namespace {

bool shows_whole_path(int file_type) { return file_type == 20 || file_type == 21; }

std::string tail_of(const std::string& path)
{
    return path.substr(opensave_folder_part(path).size());
}

// The field and its browse button.  *edited tells whether typing replaced
// *path in this call.
int path_field(float x, float y, int open_save, int file_type, std::string* path, int max_len,
               const std::string& label, float width, int auto_focus, bool* edited)
{
    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    BTN_util_draw_label(x - 32, y, 0, left, 0);
    BTN_util_draw_label(x + 6 + width, y, 2, right, 0);
    BTN_sheet_quad(0, x - 30, y - 10, x - 4, y + 16, sheet_layout::browse_button);

    std::string text = shows_whole_path(file_type) ? *path : tail_of(*path);
    *edited = BTN_enterstring(x, y, &text, max_len, "", width, auto_focus) != 0;
    if (*edited) *path = text;

    if (!BTN_mouse_in(x - 28, x - 6, y - 8, y + 12)) return 0;
    stls.hover_help = help;
    if (!mnw.click) return 0;
    BTN_opensave(open_save, file_type, path);
    return 1;
}

// The text as a char array of max_len bytes takes it: cut to max_len - 1
// characters, then written under the char forms' 500-byte rule.
void copy_cut(std::string text, char* out, int max_len)
{
    if (static_cast<int>(text.size()) >= max_len) text.resize(max_len > 0 ? max_len - 1 : 0);
    BTN_copy_to_chars(text, out);
}

}  // namespace

int BTN_select_path_stl(float x, float y, int open_save, int file_type, std::string* path,
                        int max_len, std::string label, float width, int auto_focus)
{
    if (!opensave_args_ok(open_save, file_type, "BTN_select_file_stl")) return 0;
    bool edited = false;
    return path_field(x, y, open_save, file_type, path, max_len, label, width, auto_focus, &edited);
}

int BTN_select_path_chr(float x, float y, int open_save, int file_type, char* path, int max_len,
                        std::string label, float width, int auto_focus)
{
    if (!opensave_args_ok(open_save, file_type, "BTN_select_file_chr")) return 0;
    std::string text(path);
    bool edited = false;
    const int browsed =
        path_field(x, y, open_save, file_type, &text, max_len, label, width, auto_focus, &edited);
    copy_cut(text, path, max_len);
    return browsed;
}

int BTN_select_file_chr(float x, float y, int open_save, int file_type, char* name,
                        std::string* path, int max_len, std::string label, float width)
{
    if (!opensave_args_ok(open_save, file_type, "BTN_select_file_chr")) return 0;
    const std::string folder = opensave_folder_part(*path);
    std::string full = folder + name;
    bool edited = false;
    const int browsed = path_field(x, y, open_save, file_type, &full, max_len, label, width, 1, &edited);
    if (browsed) {
        *path = full;
        copy_cut(tail_of(full), name, max_len);
    } else if (edited) {
        // The field showed the name alone (the whole path for commands):
        // what was typed is the new name in the same folder.
        copy_cut(tail_of(shows_whole_path(file_type) ? full : folder + full), name, max_len);
    }
    return browsed;
}
