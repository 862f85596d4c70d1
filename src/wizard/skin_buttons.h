// The wizard's bottom button bar and the map's selection buttons: captions
// cut from the language's skin image rather than drawn as text.
#pragma once

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

// Texel column where each caption begins, by language; row 7 ends caption 6.
extern const float btn_cuts[8][6];

// Where a caption of the current language lands: `x` read by `align`
// (1 left edge, 0 centre, -1 right edge), `y` the bottom edge.
struct skin_button_box {
    float left, right, bottom, top;
    float s_left, s_right;  // texture columns over the skin's width
    int frame_width;        // caption width plus 20
};
skin_button_box skin_button_geometry(int language, float x, float y, int caption, int align);

// Draws the button and answers 1 when it was clicked this frame, live or
// not: the caller acts only when the button means something.  `look` 2 is
// dimmed.
int interface_rect(float x, float y, int caption, int align, int* width_out, int live, int look);
