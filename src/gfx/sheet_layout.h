// Where the interface's pictures lie in the two built-in sheets: the widget
// sheet "interface.png" (512 by 512) and the language skins
// "elements_<Language>.png" (1024 by 128).  The widgets cut their pieces
// out at these places, the art generator draws every piece at the same
// places, and a test holds the generated sheets to them.
//
// Sheet coordinates are texels with y growing upwards from the bottom row,
// as texture coordinates count them (t = y / sheet height).  A rectangle
// {x0, y0, x1, y1} covers the texel columns x0 .. x1 - 1 and, counted from
// the top of the image file, the rows height - y1 .. height - y0 - 1.
//
// Index of this file:
//   -- Rectangles ----------- the type every table below uses
//   -- Frames --------------- strips and nine-slice frames of both sheets
//   -- Widget sheet pieces -- single elements: boxes, arrows, icons, ...
//   -- Drawn cursors -------- the mouse shapes 3 to 24
//   -- Colour samples ------- the 13 texels start-up reads into the colour table
//   -- Skin ----------------- caption columns and strips of the language skins
#pragma once

namespace sheet_layout {

// -- Rectangles ---------------------------------------------------------------

struct rect {
    int x0, y0, x1, y1;
    constexpr int width() const { return x1 - x0; }
    constexpr int height() const { return y1 - y0; }
};

// A rectangle of the given half sizes around a centre, as
// BTN_util_element addresses the sheet.
constexpr rect around(int cx, int cy, int half_w, int half_h)
{
    return {cx - half_w, cy - half_h, cx + half_w, cy + half_h};
}

inline constexpr int widget_sheet_side = 512;
inline constexpr int skin_width = 1024;
inline constexpr int skin_height = 128;

enum sheet_id { widget_sheet = 0, skin_sheet = 1 };

// -- Frames -------------------------------------------------------------------

// A horizontal strip (BTN_frame1): a left cap, a middle tile repeated as
// often as the width needs, a right cap.  Sheet x: caps [s0, s0 + cap] and
// [s0 + mid_end, s0 + elem_w], tile [s0 + cap, s0 + mid_end]; sheet y
// [t0, t0 + h].  `extra` widens the drawn frame beyond the asked width.
struct strip_frame {
    int type;
    sheet_id sheet;
    int s0, t0, elem_w, h, cap, mid_end, step, extra;
    constexpr rect area() const { return {s0, t0, s0 + elem_w, t0 + h}; }
};

// The menu bar (0) and the window's top bar (1) reach one texel above the
// sheet's top edge.  Sampled with wrapping that texel is the sheet's bottom
// row, with clamping its top row; the generator paints both alike under
// those two strips, so either way the strips draw as intended.
inline constexpr strip_frame strip_frames[] = {
    {0, widget_sheet, 1, 487, 100, 26, 10, 90, 80, 0},     // menu bar
    {1, widget_sheet, 102, 487, 100, 26, 20, 80, 60, 0},   // bar under a window's title
    {2, widget_sheet, 304, 486, 52, 26, 10, 42, 32, 0},    // push button
    {3, widget_sheet, 304, 459, 52, 26, 10, 42, 32, 0},    // push button, lit or pressed
    {4, widget_sheet, 112, 161, 28, 16, 10, 18, 8, 0},     // progress trough
    {5, widget_sheet, 83, 161, 28, 16, 10, 18, 8, 0},      // progress fill
    {7, widget_sheet, 240, 242, 65, 24, 10, 55, 45, 0},    // slider track
    {8, widget_sheet, 289, 219, 16, 16, 7, 9, 2, 0},       // slider fill, tinted
    {9, widget_sheet, 262, 133, 51, 26, 10, 41, 31, 4},    // text and number field
    {10, widget_sheet, 357, 488, 68, 24, 26, 42, 16, 4},   // pop-up list button
    {11, skin_sheet, 926, 97, 48, 30, 16, 32, 16, 0},      // skin pill, normal
    {12, skin_sheet, 975, 97, 48, 30, 16, 32, 16, 0},      // skin pill, pressed
    {13, skin_sheet, 877, 97, 48, 30, 16, 32, 16, 0},      // skin pill, dimmed
};

// A nine-slice frame (BTN_frame2) cut from a square of `size` texels at
// (s0, t0): corners cw wide, bottom row cb and top row ct high, the rest
// tiled.  The frame reaches out_x beyond the framed rectangle on both
// sides, out_bottom below and out_top above it.
struct panel_frame {
    int type;
    sheet_id sheet;
    int s0, t0, size;
    float cw, cb, ct;
    int out_x, out_bottom, out_top;
    constexpr rect area() const { return {s0, t0, s0 + size, t0 + size}; }
};

inline constexpr panel_frame panel_frames[] = {
    {14, widget_sheet, 1, 358, 100, 35, 30, 30, 9, 14, 4},        // window with title bar
    {15, widget_sheet, 102, 358, 100, 35, 30, 30, 9, 14, 4},      // window
    {16, widget_sheet, 203, 358, 100, 35, 30, 30, 9, 14, 4},      // light panel
    {17, widget_sheet, 304, 358, 100, 35, 30, 30, 9, 14, 4},      // hover-help box
    {18, widget_sheet, 405, 358, 100, 35, 30, 30, 9, 14, 4},      // dark panel
    {19, widget_sheet, 1, 289, 68, 23.8f, 20.4f, 20.4f, 2, 2, 2},  // list box
    {20, widget_sheet, 70, 315, 42, 20, 26, 14, 8, 13, 2},        // menu panel
    {21, widget_sheet, 113, 315, 42, 14.7f, 12.6f, 12.6f, 8, 13, 2},
    {22, widget_sheet, 440, 12, 44, 15.4f, 13.2f, 13.2f, 6, 9, 4},
    {23, skin_sheet, 982, 2, 41, 14.35f, 12.3f, 12.3f, 1, 1, 1},   // wizard panel
};

// The frame of a type, or null for a type that has none (which the frame
// drawers refuse).
constexpr const strip_frame* find_strip_frame(int type)
{
    for (const strip_frame& f : strip_frames)
        if (f.type == type) return &f;
    return nullptr;
}
constexpr const panel_frame* find_panel_frame(int type)
{
    for (const panel_frame& f : panel_frames)
        if (f.type == type) return &f;
    return nullptr;
}

// The vertical scroll-bar trough (BTN_frame0 type 6): bottom cap, middle
// tile and top cap, one above the other.
inline constexpr rect trough_bottom_cap{102, 248, 122, 258};
inline constexpr rect trough_tile{102, 258, 122, 278};
inline constexpr rect trough_top_cap{102, 278, 122, 288};

// -- Widget sheet pieces ------------------------------------------------------

inline constexpr rect check_box{139, 178, 157, 196};
inline constexpr rect check_tick{139, 197, 157, 215};
inline constexpr rect radio_box{83, 123, 101, 141};
inline constexpr rect radio_tick{83, 142, 101, 160};

inline constexpr rect title_box{120, 178, 138, 196};      // look 0
inline constexpr rect title_box_alt{120, 197, 138, 215};  // any other look

inline constexpr rect tab_selected{204, 486, 302, 512};
inline constexpr rect tab_unselected{204, 459, 302, 485};

inline constexpr rect compass_needle{156, 315, 166, 357};      // style 0
inline constexpr rect compass_needle_alt{156, 272, 166, 314};  // any other style
inline constexpr rect compass_dial{178, 160, 234, 218};

inline constexpr rect slider_knob{262, 267, 282, 289};
inline constexpr rect scroll_up_arrow{83, 266, 101, 288};
inline constexpr rect scroll_knob{83, 240, 101, 264};
inline constexpr rect scroll_down_arrow{83, 216, 101, 238};

inline constexpr rect submenu_arrow = around(167, 187, 9, 9);

// The arrows below and above each digit of the number and character fields.
inline constexpr rect digit_down_arrow{83, 178, 97, 196};
inline constexpr rect digit_up_arrow{83, 197, 97, 215};

inline constexpr rect browse_button{208, 133, 234, 159};

// File-list icons by the code the list's icon callback gives (1 a folder,
// the others the file kinds of the chooser); 12 by 12 on one row.
struct list_icon {
    int code;
    rect area;
};
inline constexpr int icon_y0 = 82, icon_y1 = 94;
inline constexpr list_icon list_icons[] = {
    {1, {34, icon_y0, 46, icon_y1}},   {3, {48, icon_y0, 60, icon_y1}},
    {4, {62, icon_y0, 74, icon_y1}},   {5, {90, icon_y0, 102, icon_y1}},
    {7, {146, icon_y0, 158, icon_y1}}, {9, {104, icon_y0, 116, icon_y1}},
    {10, {118, icon_y0, 130, icon_y1}}, {11, {132, icon_y0, 144, icon_y1}},
};

// -- Drawn cursors ------------------------------------------------------------

// A cursor the shell draws itself: the sheet area, the hot-spot offset and,
// for the shapes that change while the button is held, the area shown then
// (`held` equal to `area` for the others).  Several shapes are halves of a
// wider one: 4 and 5 of 3, 7 and 8 of 6, 10 and 11 of 9, 13 and 14 of 12,
// 16 and 17 of 15.
struct drawn_cursor {
    int request;
    rect area;
    int dx, dy;
    rect held;
};

inline constexpr drawn_cursor drawn_cursors[] = {
    {3, {199, 328, 261, 357}, 0, 0, {199, 328, 261, 357}},
    {4, {199, 328, 230, 357}, 6, 1, {199, 328, 230, 357}},
    {5, {230, 328, 261, 357}, -4, 1, {230, 328, 261, 357}},
    {6, {199, 291, 261, 327}, 0, 0, {199, 291, 261, 327}},
    {7, {199, 291, 230, 327}, 1, 1, {199, 291, 230, 327}},
    {8, {230, 291, 261, 327}, 0, 1, {230, 291, 261, 327}},
    {9, {262, 310, 326, 357}, 0, 0, {262, 310, 326, 357}},
    {10, {262, 310, 294, 357}, -3, 1, {262, 310, 294, 357}},
    {11, {294, 310, 326, 357}, 5, 1, {294, 310, 326, 357}},
    {12, {487, 309, 506, 357}, 0, 0, {487, 309, 506, 357}},
    {13, {487, 309, 506, 333}, 1, -5, {487, 309, 506, 333}},
    {14, {487, 333, 506, 357}, 1, 5, {487, 333, 506, 357}},
    {15, {262, 291, 326, 309}, 0, 0, {262, 291, 326, 309}},
    {16, {262, 291, 294, 309}, 0, 0, {262, 291, 294, 309}},
    {17, {294, 291, 326, 309}, 0, 0, {294, 291, 326, 309}},
    {18, {328, 325, 358, 355}, 0, 0, {360, 325, 390, 355}},
    {19, {328, 293, 358, 323}, 0, 0, {360, 293, 390, 323}},
    {20, {168, 325, 198, 355}, 0, 0, {168, 325, 198, 355}},
    {21, {168, 293, 198, 323}, 0, 0, {168, 293, 198, 323}},
    {22, {199, 250, 239, 290}, 0, 0, {199, 250, 239, 290}},
    {23, {456, 325, 486, 355}, 0, 0, {456, 325, 486, 355}},
    {24, {424, 325, 454, 355}, 0, 0, {424, 325, 454, 355}},
};
// Any request above 2 that the table does not hold is drawn as 20.
inline constexpr int fallback_cursor = 20;

// -- Colour samples -----------------------------------------------------------

// Start-up fills these colour-table rows from single texels of the widget
// sheet.  Unlike everything above, x and y here count from the image's
// top-left corner, as the decoded picture is addressed.
struct colour_sample {
    int colour_index;
    int x, y;
    unsigned char red, green, blue;
};

inline constexpr colour_sample colour_samples[] = {
    {37, 319, 356, 68, 85, 105},   {38, 319, 364, 97, 97, 92},
    {39, 319, 372, 23, 40, 60},    {40, 319, 380, 142, 143, 139},
    {41, 319, 388, 255, 255, 255}, {43, 319, 396, 241, 241, 241},
    {44, 319, 404, 23, 40, 60},    {45, 319, 412, 112, 118, 128},
    {46, 319, 420, 49, 57, 71},    {48, 319, 428, 55, 60, 69},
    {49, 319, 436, 51, 59, 71},    {50, 319, 444, 144, 226, 187},
    {47, 395, 396, 226, 226, 226},
};
// Row 42 is no texel: the mean of rows 38 and 41, taken after both are set.
inline constexpr int mean_colour_index = 42, mean_of_first = 38, mean_of_second = 41;

// -- Skin ---------------------------------------------------------------------

inline constexpr int caption_count = 7;  // QUIT ... OPTIONS
inline constexpr int language_count = 6; // English, French, German, Russian, Italian, Spanish

// The captions the art generator writes into each language's skin.  Texts
// that name a button of the wizard's bar name it with these words.
inline constexpr const char* skin_captions[language_count][caption_count] = {
    {"QUIT", "GO BACK", "CONTINUE", "SELECT ALL", "SELECT NONE", "BUY ONLINE", "OPTIONS"},
    {"QUITTER", "RETOUR", "CONTINUER", "TOUT SÉLECTIONNER", "NE RIEN SÉLECTIONNER",
     "ACHETER EN LIGNE", "OPTIONS"},
    {"BEENDEN", "ZURÜCK", "WEITER", "ALLE AUSWÄHLEN", "NICHTS AUSWÄHLEN", "ONLINE KAUFEN",
     "OPTIONEN"},
    {"ВЫХОД", "НАЗАД", "ДАЛЕЕ", "ВЫБРАТЬ ВСЕ", "НИЧЕГО", "КУПИТЬ", "НАСТРОЙКИ"},
    {"ESCI", "TORNA INDIETRO", "CONTINUA", "SELEZIONA TUTTO", "DESELEZIONA TUTTO",
     "ACQUISTA ONLINE", "OPZIONI"},
    {"SALIR", "ANTERIOR", "CONTINUAR", "MARCAR TODOS", "DESMARCAR TODOS", "COMPRAR EN LINEA",
     "OPCIONES"},
};

// The texel column where each caption begins, by caption (row 7 is where
// caption 6 ends) and language.
inline constexpr float btn_cuts[caption_count + 1][language_count] = {
    {0, 0, 0, 0, 0, 0},
    {56, 91, 96, 75, 54, 60},
    {145, 172, 181, 144, 212, 156},
    {246, 284, 256, 211, 312, 269},
    {357, 477, 422, 346, 480, 421},
    {489, 695, 611, 422, 673, 606},
    {605, 874, 762, 501, 840, 789},
    {691, 958, 859, 616, 921, 892},
};

// The three caption strips, as texture t ranges (fractions of the height
// counted from the bottom row): white captions, grey ones, blue ones.
struct caption_strip {
    float t_bottom, t_top;
    constexpr int y0() const { return int(t_bottom * skin_height); }
    constexpr int y1() const { return int(t_top * skin_height); }
};
inline constexpr caption_strip normal_strip{0.359375f, 0.53125f};
inline constexpr caption_strip pressed_strip{0.1796875f, 0.3515625f};
inline constexpr caption_strip hover_strip{0.0f, 0.171875f};

}  // namespace sheet_layout
