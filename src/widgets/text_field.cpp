// BTN_enterstring: hit test, focus, the engine's binding, keys, drawing.
#include "widgets/text_field.h"

#include "core/shell_hooks.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/mnw_state.h"
#include "widgets/field_needs.h"
#include "widgets/widget_context.h"

namespace {

// Backspace and Delete, the navigation keys, letters, digits, signs and
// other printable characters; Return, Escape and Tab go on to the window.
constexpr int text_field_keys = 500;
constexpr int text_colour = 48;
// The char* form's callers keep their buffers below this.
constexpr size_t char_form_limit = 500;

int& focused_field_id = BTN_context.focused_field_id;
BTN_key_queue& queue = BTN_context.text_keys;

}  // namespace

OGLE_Rec* text_field_engine()
{
    OGLE_Rec*& ogle = BTN_context.text_editor;
    if (!ogle) ogle = OGLE_Create(&OGLE_cbs, nullptr);
    return ogle;
}

int BTN_enterstring(float x, float y, std::string* text, int max_len, std::string label,
                    float width, int default_focus)
{
    const int id = BTN_widget_id(x, y);
    OGLE_Rec* const ogle = text_field_engine();

    const bool clicked = BTN_no_menu_open() && mnw.click && BTN_mouse_in(x, x + width, y, y + 8.0f);
    const int grab = clicked || (default_focus && BTN_no_focus_yet());
    const int focused = BTN_register_queue(queue, id, text_field_keys, grab);

    OGLE_edit = 0;
    // A field that lost the focus on this frame still takes the keys typed
    // into it before, as long as the engine holds its selection.
    const bool bound = focused || id == focused_field_id;
    if (bound) text_field_bind(ogle, text, x, y, width, focused && id != focused_field_id, clicked);
    if (focused) {
        focused_field_id = id;
        // The caller may have shortened the text since the last frame;
        // setting the selection again brings it back inside.
        int start = 0, end = 0;
        OGLE_GetSelection(ogle, &start, &end);
        OGLE_SetSelection(ogle, start, end);
        if (mnw.click) OGLE_Click(ogle, mnw.mouse_x, mnw.mouse_y, 0);
        else if (mnw.button_held) OGLE_Drag(ogle, mnw.mouse_x, mnw.mouse_y);
    }
    BTN_take_keys(queue, id, [bound, ogle](int character, int vkey, int flags) {
        if (bound) text_field_key(ogle, character, vkey, flags);
    });

    std::string left, right, help;
    BTN_expand_label(label, &left, &right, &help);
    BTN_frame1(9, x + width / 2.0f - 2.0f, y + 3.0f, width + 10.0f, 0);
    BTN_util_draw_label(x - 12.0f, y, 0, left, 0);
    BTN_util_draw_label(x + width + 6.0f, y, 2, right, 0);
    OGL_scissors(x - 1.0f, y - 3.0f, width + 2.0f, 11.0f);
    if (focused) OGLE_Draw(ogle, 1);
    else BTN_text(text_colour, x, y, *text, 9999.0f, charset_regular, 0);
    OGL_scissors_end();

    if (OGLE_edit && bound) text_field_cut(ogle, max_len);
    return OGLE_edit;
}

bool BTN_copy_to_chars(const std::string& text, char* out)
{
    if (text.size() >= char_form_limit) {
        // Reported from the shared string helpers' place, as every char-array
        // copy of the program reports it.
        __MACIBM_alert(0, "String too long!", text, "", "", 2, "HLutils/GenH/hl_string", 130);
        return false;  // only a test's alert comes back; the buffer may be too small
    }
    text.copy(out, text.size());
    out[text.size()] = 0;
    return true;
}

int BTN_enterstring(float x, float y, char* text, int max_len, std::string label, float width,
                    int default_focus)
{
    std::string edited(text);
    const int changed = BTN_enterstring(x, y, &edited, max_len, std::move(label), width, default_focus);
    BTN_copy_to_chars(edited, text);
    return changed;
}
