#include "widgets/buttons.h"

#include "gfx/draw/draw_2d.h"
#include "shell/mnw_state.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"

using namespace sheet_layout;

namespace {

// The label's parts, kept between calls so a frame of buttons allocates
// nothing once they have grown.
struct label_parts {
    std::string left, right, help;
    void split(const std::string& label) { BTN_expand_label(label, &left, &right, &help); }
};

label_parts parts;

}  // namespace

// -- Check boxes ---

int BTN_bool(float x, float y, int* value, std::string label, int look)
{
    parts.split(label);
    const rect& box = look == 0 ? check_box : radio_box;
    const rect& tick = look == 0 ? check_tick : radio_tick;
    BTN_sheet_quad(0, x - 9, y - 6, x + 9, y + 12, box);
    if (*value) BTN_sheet_quad(0, x - 9, y - 6, x + 9, y + 12, tick);
    BTN_util_draw_label(x - 12, y, 0, parts.left, 0);
    BTN_util_draw_label(x + 12, y, 2, parts.right, 0);
    if (!BTN_no_menu_open() || !BTN_mouse_in(x - 8, x + 8, y - 4, y + 12)) return 0;
    stls.hover_help = parts.help;
    if (!mnw.click) return 0;
    *value = *value == 0 ? 1 : 0;
    return 1;
}

int BTN_is_int(float x, float y, int* value, int choice, std::string label)
{
    int copy = *value == choice ? 1 : 0;
    const int result = BTN_bool(x, y, &copy, std::move(label), 1);
    if (copy) *value = choice;
    return result;
}

int BTN_xbyt(float x, float y, unsigned char* value, std::string label)
{
    int copy = *value;
    const int result = BTN_bool(x, y, &copy, std::move(label), 0);
    *value = static_cast<unsigned char>(copy);
    return result;
}

int BTN_xchr(float x, float y, char* value, std::string label)
{
    int copy = *value;
    const int result = BTN_bool(x, y, &copy, std::move(label), 0);
    *value = static_cast<char>(copy);
    return result;
}

int BTN_xbol(float x, float y, bool* value, std::string label)
{
    int copy = *value ? 1 : 0;
    const int result = BTN_bool(x, y, &copy, std::move(label), 0);
    *value = copy != 0;
    return result;
}

// -- Push button ---

int BTN_action(float x, float y, float width, int state, int mode, std::string label,
               std::string note)
{
    parts.split(label);
    if (width <= 0) width = str_dx(label) + 21;
    BTN_frame1(2, x, y, width, 0);
    if (state) BTN_frame1(3, x, y, width, 0);
    BTN_util_draw_label(x, y - 3, 1, parts.left, mode == 2 && state);
    if (note != "-") BTN_text(48, x + width / 2 + 10, y + 7, note, 500, charset_regular, 0);
    if (!BTN_no_menu_open() || !mnw.click ||
        !BTN_mouse_in(x - width / 2, x + width / 2, y - 10, y + 10))
        return 0;
    if (state == 0 && mode != 0) {
        // The press shows before the caller starts what the button does,
        // which may take a while.
        BTN_frame1(3, x, y, width, 0);
        BTN_util_draw_label(x, y - 3, 1, parts.left, 0);
        OGL_sbuff();
    }
    return 1;
}
