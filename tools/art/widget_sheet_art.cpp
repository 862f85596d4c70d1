// The widget sheet: every frame, box, arrow, cursor and icon the widgets
// cut out, each drawn inside its own rectangle of the layout table, and the
// palette of texels from which start-up takes the interface colours.
//
//   -- Palette and helpers
//   -- Frames: strips, nine-slice panels, the scroll trough
//   -- Controls: boxes, ticks, tabs, knobs, arrows, compass
//   -- Icons and the browse button
//   -- Cursors
//   -- Colour samples
#include <algorithm>
#include <cmath>

#include "artwork.h"
#include "pictograms.h"

namespace art {

namespace L = sheet_layout;

box sheet_box(const L::rect& r, int sheet_height)
{
    return {r.x0, sheet_height - r.y1, r.x1, sheet_height - r.y0};
}

namespace {

// -- Palette and helpers ------------------------------------------------------

constexpr rgba ink = rgb8(22, 28, 38);
constexpr rgba dark_edge = rgb8(18, 24, 33);
constexpr rgba dark_top = rgb8(62, 77, 98);
constexpr rgba dark_bottom = rgb8(38, 48, 63);
constexpr rgba light_top = rgb8(250, 251, 252);
constexpr rgba light_bottom = rgb8(214, 220, 228);
constexpr rgba light_edge = rgb8(128, 139, 153);
constexpr rgba body = rgb8(229, 233, 238);
constexpr rgba accent = rgb8(52, 116, 196);
constexpr rgba accent_light = rgb8(126, 178, 238);
constexpr rgba mint = rgb8(144, 226, 187);
constexpr rgba white = rgb8(255, 255, 255);

box box_of(const L::rect& r) { return sheet_box(r, L::widget_sheet_side); }

// Draws inside one element: the canvas is clipped to it and `x`, `y` give
// its top-left corner, so each element is written in its own coordinates.
struct element {
    canvas& c;
    box b;
    element(canvas& cv, const L::rect& r) : c(cv), b(box_of(r)) { c.clip_to(b); }
    ~element() { c.clip_off(); }
    float x(float v) const { return b.x0 + v; }
    float y(float v) const { return b.y0 + v; }
    float w() const { return float(b.x1 - b.x0); }
    float h() const { return float(b.y1 - b.y0); }
};

const L::strip_frame& strip(int type) { return *L::find_strip_frame(type); }
const L::panel_frame& panel(int type) { return *L::find_panel_frame(type); }

// A raised pill or box: gradient body, one-pixel edge, a highlight along
// its top.
void raised(canvas& c, float x0, float y0, float x1, float y1, float r, rgba top, rgba bottom,
            rgba edge)
{
    fill_rounded_rect(c, x0, y0, x1, y1, r, vertical_gradient(top, bottom, y0, y1));
    stroke_rounded_rect(c, x0, y0, x1, y1, r, 1.0f, solid(edge));
    stroke_line(c, {x0 + r, y0 + 1.5f}, {x1 - r, y0 + 1.5f}, 1.0f,
                solid(with_alpha(white, 0.35f)));
}

// A sunken groove: dark inside, shadow along its top, light lip below.
void sunken(canvas& c, float x0, float y0, float x1, float y1, float r, rgba fill, rgba edge)
{
    fill_rounded_rect(c, x0, y0 + 1, x1, y1 + 1, r, solid(with_alpha(white, 0.45f)));
    fill_rounded_rect(c, x0, y0, x1, y1, r, solid(fill));
    stroke_rounded_rect(c, x0, y0, x1, y1, r, 1.0f, solid(edge));
    stroke_line(c, {x0 + r, y0 + 1.5f}, {x1 - r, y0 + 1.5f}, 1.0f,
                solid({0, 0, 0, 0.18f}));
}

// -- Frames: strips, nine-slice panels, the scroll trough ---------------------

void draw_strips(canvas& c)
{
    {   // The menu bar runs across the whole top of the screen.
        element e(c, strip(0).area());
        fill_rounded_rect(c, e.x(-2), e.y(-2), e.x(e.w() + 2), e.y(23), 0,
                          vertical_gradient(dark_top, dark_bottom, e.y(0), e.y(23)));
        stroke_line(c, {e.x(-1), e.y(23.5f)}, {e.x(e.w() + 1), e.y(23.5f)}, 1, solid(dark_edge));
        for (int i = 0; i < 2; ++i)
            stroke_line(c, {e.x(-1), e.y(24.5f + i)}, {e.x(e.w() + 1), e.y(24.5f + i)}, 1,
                        solid({0, 0, 0, 0.22f - 0.1f * i}));
    }
    {   // The bar under a window's title spans the window's inner width.
        element e(c, strip(1).area());
        fill_rounded_rect(c, e.x(-2), e.y(3), e.x(e.w() + 2), e.y(23), 0,
                          vertical_gradient(rgb8(216, 222, 230), rgb8(196, 204, 214), e.y(3), e.y(23)));
        stroke_line(c, {e.x(-1), e.y(3.5f)}, {e.x(e.w() + 1), e.y(3.5f)}, 1, solid(white));
        stroke_line(c, {e.x(-1), e.y(22.5f)}, {e.x(e.w() + 1), e.y(22.5f)}, 1, solid(light_edge));
    }
    {
        element e(c, strip(2).area());
        fill_rounded_rect(c, e.x(1), e.y(4), e.x(e.w() - 1), e.y(24), 6,
                          solid({0, 0, 0, 0.12f}));
        raised(c, e.x(1), e.y(3), e.x(e.w() - 1), e.y(23), 6, light_top, light_bottom, light_edge);
    }
    {   // Lit and pressed: the same button sunk into the accent colour.
        element e(c, strip(3).area());
        fill_rounded_rect(c, e.x(1), e.y(3), e.x(e.w() - 1), e.y(23), 6,
                          vertical_gradient(rgb8(150, 192, 240), rgb8(186, 214, 246), e.y(3), e.y(23)));
        stroke_rounded_rect(c, e.x(1), e.y(3), e.x(e.w() - 1), e.y(23), 6, 1, solid(accent));
        stroke_line(c, {e.x(7), e.y(4.5f)}, {e.x(e.w() - 7), e.y(4.5f)}, 1,
                    solid({0, 0, 0, 0.15f}));
    }
    {
        element e(c, strip(4).area());
        sunken(c, e.x(1), e.y(1), e.x(e.w() - 1), e.y(14), 6.5f, rgb8(30, 38, 50), dark_edge);
    }
    {
        element e(c, strip(5).area());
        fill_rounded_rect(c, e.x(2), e.y(2), e.x(e.w() - 2), e.y(13), 5.5f,
                          vertical_gradient(rgb8(170, 238, 206), rgb8(70, 176, 132), e.y(2), e.y(13)));
        stroke_line(c, {e.x(7), e.y(3.5f)}, {e.x(e.w() - 7), e.y(3.5f)}, 1,
                    solid(with_alpha(white, 0.5f)));
    }
    {
        element e(c, strip(7).area());
        sunken(c, e.x(2), e.y(7), e.x(e.w() - 2), e.y(13), 3, rgb8(84, 96, 112), dark_edge);
    }
    {   // White, so the colour row the slider passes shows as it is.
        element e(c, strip(8).area());
        fill_rounded_rect(c, e.x(1), e.y(7), e.x(e.w() - 1), e.y(13), 3,
                          vertical_gradient(white, rgb8(200, 200, 200), e.y(7), e.y(13)));
    }
    {
        element e(c, strip(9).area());
        fill_rounded_rect(c, e.x(1), e.y(5), e.x(e.w() - 1), e.y(21), 3, solid(rgb8(252, 252, 253)));
        stroke_rounded_rect(c, e.x(1), e.y(5), e.x(e.w() - 1), e.y(21), 3, 1, solid(light_edge));
        stroke_line(c, {e.x(4), e.y(6.5f)}, {e.x(e.w() - 4), e.y(6.5f)}, 1,
                    solid({0, 0, 0, 0.1f}));
    }
    {   // Pop-up list button: the chosen entry on the left, the drop arrow
        // in the right cap.  The frame is drawn 4 wider than asked; its two
        // clear texels a side keep the rim within the asked width, so the
        // labels set one unit beyond it stand clear.
        element e(c, strip(10).area());
        raised(c, e.x(3.5f), e.y(4), e.x(e.w() - 3.5f), e.y(21), 8, dark_top, dark_bottom, dark_edge);
        const float split = e.x(float(strip(10).mid_end) + 3);
        stroke_line(c, {split, e.y(7)}, {split, e.y(18)}, 1, solid(dark_edge));
        stroke_line(c, {split + 1, e.y(7)}, {split + 1, e.y(18)}, 1,
                    solid(with_alpha(white, 0.18f)));
        const float cx = e.x(float(strip(10).mid_end) + 13);
        fill_polygon(c, {{cx - 4.5f, e.y(10)}, {cx + 4.5f, e.y(10)}, {cx, e.y(15.5f)}},
                     solid(rgb8(220, 228, 238)));
    }
}

// The five big frames share one shape: the panel inside its outsets, a
// soft shadow below, and their own colours.
void big_frame(canvas& c, const L::panel_frame& f, rgba fill, rgba edge, bool title_bar,
               float shadow = 0.38f)
{
    element e(c, f.area());
    const float x0 = e.x(float(f.out_x)), x1 = e.x(e.w() - f.out_x);
    const float y0 = e.y(float(f.out_top)), y1 = e.y(e.h() - f.out_bottom);
    const float r = 6;
    soft_shadow(c, x0, y0 + 3, x1, y1 + 3, r, 8, shadow);
    fill_rounded_rect(c, x0, y0, x1, y1, r, solid(fill));
    if (title_bar) {
        c.clip_to({e.b.x0, int(y0), e.b.x1, int(y0) + 21});
        fill_rounded_rect(c, x0, y0, x1, y1, r, vertical_gradient(dark_top, dark_bottom, y0, y0 + 21));
        c.clip_to(e.b);
        stroke_line(c, {x0, y0 + 21.5f}, {x1, y0 + 21.5f}, 1, solid(dark_edge));
        stroke_line(c, {x0 + r, y0 + 1.5f}, {x1 - r, y0 + 1.5f}, 1,
                    solid(with_alpha(white, 0.25f)));
    }
    stroke_rounded_rect(c, x0, y0, x1, y1, r, 1, solid(edge));
}

// A smaller panel; `bottom_room` is where its lower edge sits above the
// element's bottom.  Edges and rounded corners must stay inside the corner
// rows and columns, or the tiled middle would repeat them.
void small_frame(canvas& c, const L::panel_frame& f, float bottom_room, float radius, rgba fill,
                 rgba edge, float shadow)
{
    element e(c, f.area());
    const float x0 = e.x(float(f.out_x)), x1 = e.x(e.w() - f.out_x);
    const float y0 = e.y(float(f.out_top)), y1 = e.y(e.h() - bottom_room);
    // The shadow fades out before the element's sides and bottom.
    const float blur = std::min(float(f.out_x - 1), bottom_room - 3);
    if (shadow > 0) soft_shadow(c, x0, y0 + 2, x1, y1 + 2, radius, blur, shadow);
    fill_rounded_rect(c, x0, y0, x1, y1, radius, solid(fill));
    stroke_rounded_rect(c, x0, y0, x1, y1, radius, 1, solid(edge));
}

void draw_panels(canvas& c)
{
    big_frame(c, panel(14), body, dark_edge, true);
    big_frame(c, panel(15), body, light_edge, false);
    // A panel inside a window: it hardly stands off it.
    big_frame(c, panel(16), rgb8(243, 245, 248), rgb8(168, 177, 189), false, 0.14f);
    big_frame(c, panel(17), with_alpha(rgb8(27, 35, 47), 0.95f), rgb8(92, 116, 138), false);
    big_frame(c, panel(18), rgb8(41, 51, 66), dark_edge, false);
    small_frame(c, panel(19), 2, 3, rgb8(251, 252, 253), light_edge, 0);
    small_frame(c, panel(20), float(panel(20).out_bottom), 4, with_alpha(rgb8(36, 46, 60), 0.97f),
                dark_edge, 0.4f);
    // Its bottom outset reaches past the bottom row, so the panel ends
    // inside that row instead and the tiled rows stay plain.
    small_frame(c, panel(21), 8, 4, body, light_edge, 0.3f);
    small_frame(c, panel(22), float(panel(22).out_bottom), 4, rgb8(226, 236, 248), accent, 0.3f);

    element e(c, {L::trough_bottom_cap.x0, L::trough_bottom_cap.y0, L::trough_top_cap.x1,
                  L::trough_top_cap.y1});
    sunken(c, e.x(5), e.y(1), e.x(15), e.y(e.h() - 1), 5, rgb8(208, 214, 222), light_edge);
}

// -- Controls: boxes, ticks, tabs, knobs, arrows, compass ---------------------

void check_mark(canvas& c, const element& e)
{
    stroke_polyline(c, {{e.x(4.5f), e.y(9.5f)}, {e.x(7.5f), e.y(12.5f)}, {e.x(13.5f), e.y(5)}},
                    2.4f, solid(accent));
}

void draw_controls(canvas& c)
{
    {
        element e(c, L::check_box);
        raised(c, e.x(2), e.y(2), e.x(16), e.y(16), 3, white, rgb8(226, 231, 237), light_edge);
    }
    { element e(c, L::check_tick); check_mark(c, e); }
    {
        element e(c, L::radio_box);
        fill_circle(c, e.x(9), e.y(9), 7, vertical_gradient(white, rgb8(226, 231, 237), e.y(2), e.y(16)));
        stroke_circle(c, e.x(9), e.y(9), 7, 1, solid(light_edge));
    }
    {
        element e(c, L::radio_tick);
        fill_circle(c, e.x(9), e.y(9), 3.6f, vertical_gradient(accent_light, accent, e.y(5), e.y(13)));
    }
    // The title-bar boxes sit on the dark bar: a close mark, plain and lit.
    for (int look = 0; look < 2; ++look) {
        element e(c, look ? L::title_box_alt : L::title_box);
        raised(c, e.x(2), e.y(2), e.x(16), e.y(16), 3, look ? rgb8(110, 132, 160) : rgb8(88, 104, 126),
               look ? rgb8(74, 92, 118) : rgb8(58, 71, 90), dark_edge);
        const rgba mark = look ? mint : rgb8(226, 232, 240);
        stroke_line(c, {e.x(6), e.y(6)}, {e.x(12), e.y(12)}, 1.8f, solid(mark));
        stroke_line(c, {e.x(12), e.y(6)}, {e.x(6), e.y(12)}, 1.8f, solid(mark));
    }
    for (int selected = 0; selected < 2; ++selected) {
        element e(c, selected ? L::tab_selected : L::tab_unselected);
        const rgba top = selected ? rgb8(246, 248, 251) : rgb8(206, 212, 220);
        const rgba bottom = selected ? rgb8(236, 240, 245) : rgb8(188, 196, 206);
        // Rounded at the top only: the bottom runs on past the element.
        fill_rounded_rect(c, e.x(1), e.y(2), e.x(e.w() - 1), e.y(e.h() + 8), 5,
                          vertical_gradient(top, bottom, e.y(2), e.y(e.h())));
        stroke_rounded_rect(c, e.x(1), e.y(2), e.x(e.w() - 1), e.y(e.h() + 8), 5, 1,
                            solid(light_edge));
        if (selected) {
            c.clip_to({e.b.x0, int(e.y(2)), e.b.x1, int(e.y(5))});
            fill_rounded_rect(c, e.x(1), e.y(2), e.x(e.w() - 1), e.y(e.h() + 8), 5, solid(accent));
            c.clip_to(e.b);
        }
    }
    {
        element e(c, L::slider_knob);
        fill_rounded_rect(c, e.x(4), e.y(3), e.x(17), e.y(22), 4, solid({0, 0, 0, 0.15f}));
        raised(c, e.x(3), e.y(1), e.x(17), e.y(20), 4, light_top, light_bottom, light_edge);
        for (int i = 0; i < 3; ++i)
            stroke_line(c, {e.x(7), e.y(7.5f + 3 * i)}, {e.x(13), e.y(7.5f + 3 * i)}, 1,
                        solid(light_edge));
    }
    {
        element e(c, L::scroll_knob);
        raised(c, e.x(2), e.y(1), e.x(16), e.y(23), 5, light_top, light_bottom, light_edge);
        for (int i = 0; i < 3; ++i)
            stroke_line(c, {e.x(6), e.y(8.5f + 3 * i)}, {e.x(12), e.y(8.5f + 3 * i)}, 1,
                        solid(light_edge));
    }
    for (int up = 0; up < 2; ++up) {
        element e(c, up ? L::scroll_up_arrow : L::scroll_down_arrow);
        raised(c, e.x(2), e.y(2), e.x(16), e.y(20), 4, light_top, light_bottom, light_edge);
        const float tip = up ? e.y(7.5f) : e.y(14.5f), base = up ? e.y(13.5f) : e.y(8.5f);
        fill_polygon(c, {{e.x(9), tip}, {e.x(13.5f), base}, {e.x(4.5f), base}}, solid(ink));
    }
    {   // Menus are dark, so their submenu arrow is light.
        element e(c, L::submenu_arrow);
        fill_polygon(c, {{e.x(6.5f), e.y(5)}, {e.x(12.5f), e.y(9)}, {e.x(6.5f), e.y(13)}},
                     solid(rgb8(226, 232, 240)));
    }
    for (int up = 0; up < 2; ++up) {   // each close to the digit it steps
        element e(c, up ? L::digit_up_arrow : L::digit_down_arrow);
        const float tip = up ? e.y(10) : e.y(8), base = up ? e.y(15) : e.y(3);
        fill_polygon(c, {{e.x(7), tip}, {e.x(11), base}, {e.x(3), base}},
                     solid(rgb8(92, 104, 120)));
    }
    for (int alt = 0; alt < 2; ++alt) {
        element e(c, alt ? L::compass_needle_alt : L::compass_needle);
        const float mid = e.h() / 2;
        fill_polygon(c, {{e.x(5), e.y(1)}, {e.x(9), e.y(mid)}, {e.x(1), e.y(mid)}},
                     solid(alt ? accent : rgb8(214, 58, 44)));
        fill_polygon(c, {{e.x(1), e.y(mid)}, {e.x(9), e.y(mid)}, {e.x(5), e.y(e.h() - 1)}},
                     solid(rgb8(232, 236, 240)));
        stroke_polyline(c, {{e.x(5), e.y(1)}, {e.x(9), e.y(mid)}, {e.x(5), e.y(e.h() - 1)},
                            {e.x(1), e.y(mid)}, {e.x(5), e.y(1)}},
                        1, solid(dark_edge));
    }
    {   // The dial is drawn over the needle: its middle stays open.
        element e(c, L::compass_dial);
        const float cx = e.x(28), cy = e.y(29);
        stroke_circle(c, cx, cy, 27, 5, vertical_gradient(dark_top, dark_bottom, cy - 27, cy + 27));
        stroke_circle(c, cx, cy, 27, 1, solid(dark_edge));
        for (int i = 0; i < 12; ++i) {
            const float a = i * 3.14159265f / 6;
            const float r0 = i % 3 ? 19.5f : 17, r1 = 22;
            stroke_line(c, {cx + r0 * std::sin(a), cy - r0 * std::cos(a)},
                        {cx + r1 * std::sin(a), cy - r1 * std::cos(a)}, i % 3 ? 1 : 1.6f,
                        solid(rgb8(70, 82, 100)));
        }
        fill_polygon(c, {{cx, cy - 26}, {cx + 3, cy - 22.5f}, {cx - 3, cy - 22.5f}},
                     solid(rgb8(214, 58, 44)));
    }
}

// -- Icons and the browse button ----------------------------------------------

void folder(canvas& c, float x, float y, float w, float h)
{
    fill_rounded_rect(c, x, y, x + w * 0.45f, y + h * 0.3f, 1, solid(rgb8(214, 160, 60)));
    fill_rounded_rect(c, x, y + h * 0.18f, x + w, y + h, 1,
                      vertical_gradient(rgb8(250, 206, 100), rgb8(226, 168, 60), y, y + h));
}

void draw_icons(canvas& c)
{
    for (const L::list_icon& icon : L::list_icons) {
        element e(c, icon.area);
        const paint dark = solid(rgb8(60, 74, 94));
        switch (icon.code) {
        case 1:   // folder
            folder(c, e.x(0.5f), e.y(1.5f), 11, 9);
            break;
        case 3:   // aircraft
            fill_polygon(c, {{e.x(6), e.y(0.5f)}, {e.x(7), e.y(4)}, {e.x(11.5f), e.y(7)},
                             {e.x(7), e.y(6.5f)}, {e.x(6.8f), e.y(9.5f)}, {e.x(8.5f), e.y(11.5f)},
                             {e.x(3.5f), e.y(11.5f)}, {e.x(5.2f), e.y(9.5f)}, {e.x(5), e.y(6.5f)},
                             {e.x(0.5f), e.y(7)}, {e.x(5), e.y(4)}},
                         solid(accent));
            break;
        case 4:   // wing section
            fill_polygon(c, {{e.x(0.5f), e.y(6)}, {e.x(2), e.y(3.5f)}, {e.x(5), e.y(3)},
                             {e.x(11.5f), e.y(5.8f)}, {e.x(5), e.y(8)}, {e.x(2), e.y(7.8f)}},
                         solid(rgb8(90, 110, 136)));
            break;
        case 5:   // store under the wing
            stroke_line(c, {e.x(1.5f), e.y(6)}, {e.x(9.5f), e.y(6)}, 3, dark);
            arrow_head(c, {e.x(11.5f), e.y(6)}, 1, 0, 3, 1.5f, dark);
            fill_polygon(c, {{e.x(1), e.y(3)}, {e.x(3.5f), e.y(6)}, {e.x(1), e.y(9)}}, dark);
            break;
        case 7: { // object: a box
            fill_polygon(c, {{e.x(6), e.y(1)}, {e.x(11), e.y(3.5f)}, {e.x(6), e.y(6)},
                             {e.x(1), e.y(3.5f)}}, solid(rgb8(170, 186, 206)));
            fill_polygon(c, {{e.x(1), e.y(3.5f)}, {e.x(6), e.y(6)}, {e.x(6), e.y(11.5f)},
                             {e.x(1), e.y(9)}}, solid(rgb8(110, 128, 152)));
            fill_polygon(c, {{e.x(11), e.y(3.5f)}, {e.x(11), e.y(9)}, {e.x(6), e.y(11.5f)},
                             {e.x(6), e.y(6)}}, solid(rgb8(80, 96, 120)));
            break;
        }
        case 9:   // situation: a flag on its pole
            stroke_line(c, {e.x(2.5f), e.y(1)}, {e.x(2.5f), e.y(11.5f)}, 1.4f, dark);
            fill_polygon(c, {{e.x(3), e.y(1.5f)}, {e.x(11), e.y(3.8f)}, {e.x(3), e.y(6.5f)}},
                         solid(rgb8(214, 58, 44)));
            break;
        case 10:  // movie: a film frame
            fill_rounded_rect(c, e.x(0.5f), e.y(2), e.x(11.5f), e.y(10), 1, dark);
            for (int i = 0; i < 4; ++i) {
                fill_rounded_rect(c, e.x(1.5f + 2.6f * i), e.y(2.8f), e.x(2.8f + 2.6f * i),
                                  e.y(3.8f), 0, solid(white));
                fill_rounded_rect(c, e.x(1.5f + 2.6f * i), e.y(8.2f), e.x(2.8f + 2.6f * i),
                                  e.y(9.2f), 0, solid(white));
            }
            fill_rounded_rect(c, e.x(2), e.y(4.6f), e.x(10), e.y(7.4f), 0.5f, solid(accent_light));
            break;
        case 11:  // flight plan: a route between waypoints
            stroke_polyline(c, {{e.x(1.5f), e.y(10)}, {e.x(5), e.y(4)}, {e.x(10.5f), e.y(6)}}, 1.2f,
                            solid(accent));
            for (const point& p : {point{1.5f, 10}, point{5, 4}, point{10.5f, 6}})
                fill_circle(c, e.x(p.x), e.y(p.y), 1.6f, dark);
            break;
        }
    }
    element e(c, L::browse_button);
    raised(c, e.x(1), e.y(1), e.x(25), e.y(25), 5, light_top, light_bottom, light_edge);
    folder(c, e.x(6), e.y(7.5f), 14, 11);
}

// -- Cursors ------------------------------------------------------------------

constexpr rgba cursor_fill = rgb8(255, 255, 255);
constexpr rgba cursor_edge = rgb8(20, 24, 30);

void cursor(canvas& c, const L::rect& r, const std::function<void(canvas&, const element&)>& draw)
{
    element e(c, r);
    outlined(c, e.b, cursor_fill, cursor_edge, 1.5f, [&](canvas& mask) { draw(mask, e); });
}

// A cursor whose halves are other cursors is drawn once, as the whole.
void draw_cursors(canvas& c)
{
    const paint ink_paint = solid(white);
    const auto area = [](int request) {
        for (const L::drawn_cursor& d : L::drawn_cursors)
            if (d.request == request) return d;
        return L::drawn_cursors[0];
    };
    // 3: drag sideways; 4 and 5 are its two arrows.
    cursor(c, area(3).area, [&](canvas& m, const element& e) {
        arrow_line(m, {e.x(4), e.y(14.5f)}, {e.x(e.w() - 4), e.y(14.5f)}, 3, 9, 6, true, ink_paint);
    });
    // 6: turn either way; 7 and 8 are its two arcs.
    cursor(c, area(6).area, [&](canvas& m, const element& e) {
        arrow_arc(m, e.x(31), e.y(-14), 38, 2.35f, 0.79f, 3, 9, 6, true, ink_paint);
    });
    // 9: a broad drag sideways with a grip between the arrows.
    cursor(c, area(9).area, [&](canvas& m, const element& e) {
        arrow_line(m, {e.x(4), e.y(23.5f)}, {e.x(e.w() - 4), e.y(23.5f)}, 4, 11, 8, true, ink_paint);
        fill_circle(m, e.x(32), e.y(23.5f), 6, ink_paint);
    });
    // 12: drag up and down; 13 and 14 are its halves.
    cursor(c, area(12).area, [&](canvas& m, const element& e) {
        arrow_line(m, {e.x(9.5f), e.y(4)}, {e.x(9.5f), e.y(e.h() - 4)}, 3, 9, 6, true, ink_paint);
    });
    // 15: a slim sideways drag.
    cursor(c, area(15).area, [&](canvas& m, const element& e) {
        arrow_line(m, {e.x(3), e.y(9)}, {e.x(e.w() - 3), e.y(9)}, 2, 7, 5, true, ink_paint);
    });
    // 18 and 19: a push button and a switch, each also as held down.
    for (int held = 0; held < 2; ++held) {
        cursor(c, held ? area(18).held : area(18).area, [&](canvas& m, const element& e) {
            stroke_circle(m, e.x(15), e.y(15), 11, 3, ink_paint);
            fill_circle(m, e.x(15), e.y(15), held ? 7.5f : 4.5f, ink_paint);
        });
        cursor(c, held ? area(19).held : area(19).area, [&](canvas& m, const element& e) {
            stroke_rounded_rect(m, e.x(8), e.y(3), e.x(22), e.y(27), 7, 3, ink_paint);
            const float knob = held ? 20 : 10;
            fill_circle(m, e.x(15), e.y(knob), 4.5f, ink_paint);
        });
    }
    cursor(c, area(20).area, [&](canvas& m, const element& e) {
        arrow_line(m, {e.x(15), e.y(26)}, {e.x(15), e.y(4)}, 4, 11, 9, false, ink_paint);
    });
    cursor(c, area(21).area, [&](canvas& m, const element& e) {
        arrow_line(m, {e.x(15), e.y(4)}, {e.x(15), e.y(26)}, 4, 11, 9, false, ink_paint);
    });
    cursor(c, area(22).area, [&](canvas& m, const element& e) {
        arrow_line(m, {e.x(4), e.y(20)}, {e.x(36), e.y(20)}, 3, 8, 6, true, ink_paint);
        arrow_line(m, {e.x(20), e.y(4)}, {e.x(20), e.y(36)}, 3, 8, 6, true, ink_paint);
    });
    cursor(c, area(23).area, [&](canvas& m, const element& e) {
        arrow_arc(m, e.x(15), e.y(15), 9.5f, 3.6f, 8.6f, 3, 8, 6, false, ink_paint);
    });
    cursor(c, area(24).area, [&](canvas& m, const element& e) {
        arrow_arc(m, e.x(15), e.y(15), 9.5f, 5.8f, 0.8f, 3, 8, 6, false, ink_paint);
    });
}

// -- Colour samples -----------------------------------------------------------

// Each sampled texel sits in a small swatch of its colour, so a loader
// that filters between texels still reads the exact bytes.
void draw_colour_samples(canvas& c)
{
    for (const L::colour_sample& s : L::colour_samples) {
        const rgba colour = rgb8(s.red, s.green, s.blue);
        for (int y = s.y - 3; y <= s.y + 3; ++y)
            for (int x = s.x - 3; x <= s.x + 3; ++x) c.put(x, y, colour);
    }
}

// Where the menu bar and the top bar reach past the sheet's top edge, the
// wrapped texel row is the bottom one: give it the strips' top row.
void mirror_wrapped_rows(canvas& c)
{
    for (int type : {0, 1}) {
        const box b = box_of(strip(type).area());
        for (int x = b.x0; x < b.x1; ++x) c.put(x, c.height() - 1, c.at(x, 0));
    }
}

}  // namespace

canvas draw_widget_sheet()
{
    canvas c(L::widget_sheet_side, L::widget_sheet_side);
    draw_strips(c);
    draw_panels(c);
    draw_controls(c);
    draw_icons(c);
    draw_cursors(c);
    draw_colour_samples(c);
    mirror_wrapped_rows(c);
    return c;
}

}  // namespace art
