// The wizard's bottom bar: where each of its buttons lies in each
// language's skin.  The wizard draws the bar from these places and the
// end-to-end tests click its buttons by name at the same places, so the
// two cannot drift apart.  Header only: the tests' walker uses it without
// linking the wizard.
#pragma once

#include "gfx/sheet_layout.h"

// Caption numbers in the skin.
enum skin_caption {
    cap_quit = 0,
    cap_go_back = 1,
    cap_continue = 2,
    cap_select_all = 3,
    cap_select_none = 4,
    cap_buy_online = 5,
    cap_options = 6,
};

// Where a caption of a language lands: `x` read by `align` (1 left edge,
// 0 centre, -1 right edge), `y` the bottom edge.  The caption's box is what
// a click must hit; the pill drawn around it is `frame_width` wide.
struct skin_button_box {
    float left, right, bottom, top;
    float s_left, s_right;  // texture columns over the skin's width
    int frame_width;        // caption width plus 20

    constexpr float centre_x() const { return (left + right) / 2.0f; }
    constexpr float centre_y() const { return (bottom + top) / 2.0f; }
};

constexpr skin_button_box skin_button_geometry(int language, float x, float y, int caption, int align)
{
    // An unknown language or caption takes the first: the bar never reads
    // outside the cut table.
    const int l = language >= 0 && language < sheet_layout::language_count ? language : 0;
    const int c = caption >= 0 && caption < sheet_layout::caption_count ? caption : 0;
    const float width = sheet_layout::btn_cuts[c + 1][l] - sheet_layout::btn_cuts[c][l];
    const float left = align == 1 ? x : align == 0 ? x - width / 2.0f : x - width;
    return {left,
            left + width,
            y,
            y + 22.0f,
            sheet_layout::btn_cuts[c][l] / float(sheet_layout::skin_width),
            sheet_layout::btn_cuts[c + 1][l] / float(sheet_layout::skin_width),
            static_cast<int>(width + 20.0f)};
}

namespace button_bar {

// The bar's buttons by name.  On a road's last screen QUIT stands in
// CONTINUE's place (`last_quit`) and the left-hand QUIT is gone.
enum button { quit, options, buy_online, go_back, next, last_quit };

inline constexpr float bottom = 12.0f;
inline constexpr int italian = 4;  // its BUY ONLINE is wider and sits further left

// Where `b` lies in `language`'s skin.  GO BACK keeps a fixed gap to
// whatever stands at the right end, CONTINUE or the last screen's QUIT;
// OPTIONS keeps one to the left-hand QUIT, whether that shows or not.
constexpr skin_button_box place(int language, button b, bool last_screen = false)
{
    switch (b) {
    case quit:
        return skin_button_geometry(language, 30.0f, bottom, cap_quit, 1);
    case options: {
        const int quit_width = place(language, quit).frame_width;
        return skin_button_geometry(language, float(quit_width + 40), bottom, cap_options, 1);
    }
    case buy_online:
        return skin_button_geometry(language, language == italian ? 360.0f : 400.0f, bottom,
                                    cap_buy_online, 0);
    case go_back: {
        const int right_width = place(language, last_screen ? last_quit : next).frame_width;
        return skin_button_geometry(language, float(760 - right_width), bottom, cap_go_back, -1);
    }
    case next:
        return skin_button_geometry(language, 770.0f, bottom, cap_continue, -1);
    case last_quit:
        return skin_button_geometry(language, 770.0f, bottom, cap_quit, -1);
    }
    return place(language, quit);
}

}  // namespace button_bar
