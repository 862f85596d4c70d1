// BTN_list_and_search: focus, keys, the search field, scrolling, clicks
// and the rows.
#include "widgets/list_search.h"

#include <algorithm>

#include "core/diag/frame_clock.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/sheet_layout.h"
#include "gfx/fonts/text_drawing.h"
#include "shell/mnw_state.h"
#include "widgets/field_needs.h"
#include "widgets/key_queue.h"
#include "widgets/text_field.h"
#include "widgets/widget_context.h"

namespace {

// The navigation keys, letters, digits, signs and printable characters.
constexpr int list_keys = 0x1F0;
constexpr int text_colour = 48;
constexpr float row_height = 10.0f;

int& current_list_id = BTN_context.current_list_id;
BTN_key_queue& queue = BTN_context.list_keys;

void draw_icon(int code, float x, float y)
{
    for (const sheet_layout::list_icon& icon : sheet_layout::list_icons)
        if (icon.code == code) BTN_sheet_quad(0, x - 6.0f, y - 6.0f, x + 6.0f, y + 6.0f, icon.area);
}

}  // namespace

int BTN_list_and_search(int slider_id, float x, float y, float width, float height, int* centre,
                        int* selection, int first, int last, std::string* search_text,
                        const std::string& search_label, BTN_name_fn name_fn, void* name_ref,
                        BTN_name_fn type_fn, void* type_ref, BTN_icon_fn icon_fn, void* icon_ref)
{
    x = BTN_round(x);
    y = BTN_round(y);
    if (width <= 0.0f) width = 290.0f;
    if (height <= 0.0f) height = 220.0f;
    const int page = list_page(height);
    const int id = BTN_widget_id(x, y);
    const float bottom = y - height / 2.0f, top = y + height / 2.0f;
    const bool mouse_inside = BTN_mouse_in(x, x + width, bottom, top);

    const int grab = BTN_no_menu_open() && mnw.click && mouse_inside;
    const int focused = BTN_register_queue(queue, id, list_keys, grab);
    if (focused && id != current_list_id) {
        list_type_ahead.type_ahead.clear();
        current_list_id = id;
    }
    BTN_take_keys(queue, id, [&](int character, int vkey, int) {
        if (vkey == BTN_vk_down) list_step(centre, selection, 1, page);
        else if (vkey == BTN_vk_up) list_step(centre, selection, -1, page);
        else if (!BTN_vkey_types_nothing(vkey) && character >= 0x20 && character != 0x7F)
            list_type_ahead_key(character, xtim.real_time, first, last, name_fn, name_ref, centre,
                                selection, page);
    });

    if (search_text)
        BTN_enterstring(x + 35.0f, y - 131.0f, search_text, 36, search_label, 252.0f, 1);
    if (last < first) return 0;

    BTN_frame2(19, x, bottom, width, height, "", 1.0f);
    if (first < last) BTN_vert_slider(slider_id, x + width + 16.0f, bottom, top, first, last, centre);
    if (mouse_inside) {
        *centre -= mnw.wheel_clicks;
        mnw.wheel_clicks = 0;  // no other widget scrolls with the same clicks
    }
    *centre = std::clamp(*centre, first, last);

    int double_clicked = 0;
    if (mnw.click && mouse_inside) {
        *selection = list_row_at(*centre, y, mnw.mouse_y);
        double_clicked = mnw.double_click != 0;
    }
    *selection = std::clamp(*selection, first, last);

    for (int r = -page; r <= page; ++r) {
        const int i = *centre + r;
        if (i < first || i > last) continue;
        const float middle = y - row_height * static_cast<float>(r);
        BTN_text(text_colour, x + 20.0f, middle - 3.0f, name_fn(i, name_ref), 9999.0f, charset_regular, 0);
        if (type_fn)
            BTN_text(text_colour, x + 242.0f, middle - 3.0f, type_fn(i, type_ref), 9999.0f,
                       charset_regular, 0);
        if (icon_fn) draw_icon(icon_fn(i, icon_ref), x + 10.0f, middle);
        if (i == *selection) OGL_fillrect(12, 0.25f, x + 18.0f, middle - 5.0f, width - 22.0f, row_height);
    }
    if (focused) OGL_framerect(text_colour, 1.0f, x, bottom, width, height);
    return double_clicked;
}
