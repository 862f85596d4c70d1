#include "wizard/skin_buttons.h"

#include "gfx/draw/colour_table.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/textures/texture_refs.h"
#include "shell/mnw_state.h"
#include "widgets/widget_sheet.h"

namespace {

constexpr int kSkinTexture = tex_ref::skin;

int draw_skin_button(const skin_button_box& box, int live, int look)
{
    colr.assign(107, 1.0f, 1.0f, 1.0f);

    const bool inside = mnw.mouse_x >= box.left && mnw.mouse_x <= box.right &&
                        mnw.mouse_y >= box.bottom && mnw.mouse_y <= box.top;
    const bool over = live && inside;
    int pill = look == 2 ? 13 : 11;
    sheet_layout::caption_strip s = sheet_layout::normal_strip;
    if (over) {
        pill = mnw.button_held ? 12 : 11;
        s = mnw.button_held ? sheet_layout::pressed_strip : sheet_layout::hover_strip;
    }
    BTN_frame1(pill, box.centre_x(), box.centre_y(), static_cast<float>(box.frame_width), 0);
    OGL_2dquad(kSkinTexture, 107, look == 2 ? 0.5f : 1.0f,
               box.left, box.bottom, box.s_left, s.t_bottom,
               box.left, box.top, box.s_left, s.t_top,
               box.right, box.top, box.s_right, s.t_top,
               box.right, box.bottom, box.s_right, s.t_bottom, 1, 5);
    return mnw.click && inside ? 1 : 0;
}

}  // namespace

int interface_rect(float x, float y, int caption, int align, int* width_out, int live, int look)
{
    const skin_button_box box = skin_button_geometry(mnw.language, x, y, caption, align);
    if (width_out) *width_out = box.frame_width;
    return draw_skin_button(box, live, look);
}

int bar_button_rect(button_bar::button b, bool last_screen, int live, int look)
{
    return draw_skin_button(button_bar::place(mnw.language, b, last_screen), live, look);
}
