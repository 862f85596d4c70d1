// The language skins: the wizard's button captions in three strips (white,
// grey when pressed, blue under the mouse), cut at the columns the caption
// table gives for each language, with the three button pills and the
// wizard's panel frame beside them.
#include <algorithm>
#include <cmath>

#include "artwork.h"

namespace art {

namespace L = sheet_layout;

namespace {

const char* const language_names[L::language_count] = {"English", "French",  "German",
                                                       "Russian", "Italian", "Spanish"};

const auto& captions = L::skin_captions;

// Room left free at each end of a caption's columns.
constexpr float caption_margin = 5.0f;
// The size captions take when their columns leave room for it, and the
// smallest that still reads well on a button.
constexpr float caption_size_max = 14.0f;
constexpr float caption_size_min = 9.0f;

float caption_width(int language, int caption)
{
    return L::btn_cuts[caption + 1][language] - L::btn_cuts[caption][language];
}

struct strip_look {
    L::caption_strip strip;
    rgba colour;
    float shadow;  // opacity of the shadow one row below the letters
};

const strip_look strip_looks[] = {
    {L::normal_strip, rgb8(255, 255, 255), 0.55f},
    {L::pressed_strip, rgb8(172, 178, 188), 0.0f},
    {L::hover_strip, rgb8(124, 198, 255), 0.45f},
};

void draw_pill(canvas& c, const L::strip_frame& f, rgba top, rgba bottom, rgba edge, float alpha,
               bool pressed)
{
    const box b = sheet_box(f.area(), L::skin_height);
    c.clip_to(b);
    const float x0 = b.x0 + 1.0f, x1 = b.x1 - 1.0f, y0 = b.y0 + 2.0f, y1 = b.y1 - 2.0f;
    const float r = 12.0f;
    fill_rounded_rect(c, x0, y0 + 1.5f, x1, y1 + 1.5f, r, solid({0, 0, 0, 0.25f * alpha}));
    fill_rounded_rect(c, x0, y0, x1, y1, r,
                      vertical_gradient(with_alpha(top, alpha), with_alpha(bottom, alpha), y0, y1));
    if (pressed)
        stroke_line(c, {x0 + r, y0 + 1.5f}, {x1 - r, y0 + 1.5f}, 1.5f, solid({0, 0, 0, 0.35f}));
    else
        stroke_line(c, {x0 + r, y0 + 1.5f}, {x1 - r, y0 + 1.5f}, 1.0f,
                    solid(rgb8(255, 255, 255, 0.3f * alpha)));
    stroke_rounded_rect(c, x0, y0, x1, y1, r, 1.0f, solid(with_alpha(edge, alpha)));
    c.clip_off();
}

void draw_panel(canvas& c)
{
    for (const L::panel_frame& f : L::panel_frames) {
        if (f.sheet != L::skin_sheet) continue;
        const box b = sheet_box(f.area(), L::skin_height);
        c.clip_to(b);
        const float x0 = b.x0 + float(f.out_x), x1 = b.x1 - float(f.out_x);
        const float y0 = b.y0 + float(f.out_top), y1 = b.y1 - float(f.out_bottom);
        fill_rounded_rect(c, x0, y0, x1, y1, 7, solid(rgb8(243, 245, 248, 0.94f)));
        stroke_rounded_rect(c, x0, y0, x1, y1, 7, 1, solid(rgb8(116, 130, 150)));
        c.clip_off();
    }
}

}  // namespace

const char* skin_language_name(int language) { return language_names[language]; }

const char* skin_caption(int language, int caption) { return captions[language][caption]; }

float skin_caption_size(int language, text_raster& text)
{
    // The largest size, in quarter pixels, at which every caption fits.
    for (float size = caption_size_max; size >= caption_size_min; size -= 0.25f) {
        bool fits = true;
        for (int k = 0; k < L::caption_count && fits; ++k)
            fits = text.measure(captions[language][k], face_style::bold, size) <=
                   caption_width(language, k) - 2 * caption_margin;
        if (fits) return size;
    }
    return 0.0f;
}

bool draw_skin(int language, text_raster& text, canvas& c, std::string& error)
{
    const float size = skin_caption_size(language, text);
    if (size <= 0.0f) {
        error = std::string("the ") + language_names[language] +
                " captions do not fit their columns at any readable size";
        return false;
    }
    const float cap = text.cap_height(face_style::bold, size);
    for (const strip_look& look : strip_looks) {
        const int top = L::skin_height - look.strip.y1();
        const int rows = look.strip.y1() - look.strip.y0();
        const float baseline = std::round(top + (rows + cap) / 2.0f);
        for (int k = 0; k < L::caption_count; ++k) {
            const int x0 = int(L::btn_cuts[k][language]), x1 = int(L::btn_cuts[k + 1][language]);
            const float w = text.measure(captions[language][k], face_style::bold, size);
            const float x = x0 + (x1 - x0 - w) / 2.0f;
            // Each caption stays inside its own columns and strip.
            c.clip_to({x0, top, x1, top + rows});
            if (look.shadow > 0)
                text.draw(c, x, baseline + 1, captions[language][k], face_style::bold, size,
                          {0, 0, 0, look.shadow});
            text.draw(c, x, baseline, captions[language][k], face_style::bold, size, look.colour);
        }
    }
    c.clip_off();

    for (const L::strip_frame& f : L::strip_frames) {
        if (f.type == 11)
            draw_pill(c, f, rgb8(74, 93, 118), rgb8(38, 50, 67), rgb8(14, 20, 28), 1.0f, false);
        else if (f.type == 12)
            draw_pill(c, f, rgb8(26, 34, 46), rgb8(46, 58, 76), rgb8(10, 14, 20), 1.0f, true);
        else if (f.type == 13)
            draw_pill(c, f, rgb8(104, 111, 121), rgb8(82, 89, 99), rgb8(58, 64, 72), 0.8f, false);
    }
    draw_panel(c);
    return true;
}

}  // namespace art
