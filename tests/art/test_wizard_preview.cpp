// The pictures put together as the program puts them: the wizard's frame
// in every language (background, the two skin panels, the progress bar,
// the button bar) and a window of widgets, composed on the CPU by the
// frame drawers' tiling rules.  The previews are written to the build
// folder for a look; the tests check that the composed frames close.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <string>

#include "artwork.h"
#include "builtin_picture.h"
#include "gfx/sheet_layout.h"

namespace L = sheet_layout;

namespace {

const char* const languages[] = {"English", "French", "German", "Russian", "Italian", "Spanish"};

// A window of interface units, y upwards, drawn onto a canvas.
struct screen {
    art::canvas c;
    explicit screen(int w, int h) : c(w, h) {}

    // Sheet texels [s0, s1] x [t0, t1] (y up) onto window [x0, x1] x [y0, y1],
    // sampled at the nearest texel as the drawers address one texel a unit.
    void quad(const builtin_picture& p, float x0, float y0, float x1, float y1, float s0,
              float t0, float s1, float t1, float alpha = 1.0f)
    {
        if (x1 <= x0 || y1 <= y0) return;
        for (int y = int(std::floor(y0)); y < int(std::ceil(y1)); ++y)
            for (int x = int(std::floor(x0)); x < int(std::ceil(x1)); ++x) {
                const float fx = (x + 0.5f - x0) / (x1 - x0), fy = (y + 0.5f - y0) / (y1 - y0);
                // Half-open, as GL fills pixels, so neighbouring pieces never
                // paint the same pixel twice.
                if (fx < 0 || fx >= 1 || fy < 0 || fy >= 1) continue;
                const int s = std::clamp(int(std::floor(s0 + fx * (s1 - s0))), 0, p.width - 1);
                const int t = std::clamp(int(std::floor(t0 + fy * (t1 - t0))), 0, p.height - 1);
                const int row = p.height - 1 - t;
                c.blend(x, c.height() - 1 - y,
                        art::rgb8(p.at(s, row, 0), p.at(s, row, 1), p.at(s, row, 2)),
                        p.alpha(s, row) / 255.0f * alpha);
            }
    }

    // The horizontal strip frame, tiled as BTN_frame1 tiles it.
    void strip(const builtin_picture& p, const L::strip_frame& f, float x, float y, float width)
    {
        if (f.type <= 1) y -= 3;
        const float half = std::round(width / 2);
        const float w = 2 * half + f.extra, left = std::round(x) - w / 2;
        const float bottom = y - f.h / 2.0f, top = y + f.h / 2.0f;
        const int n = int((w - 2 * f.cap) / f.step);
        quad(p, left, bottom, left + f.cap, top, f.s0, f.t0, f.s0 + f.cap, f.t0 + f.h);
        for (int i = 0; i <= n; ++i) {
            const float a = left + f.cap + i * f.step;
            const float b = std::min(a + f.step, left + w - f.cap);
            const float end = std::clamp(f.s0 + f.cap + float(f.mid_end - f.cap) / f.mid_end * (b - a),
                                         float(f.s0 + f.cap), float(f.s0 + f.mid_end));
            quad(p, a, bottom, b, top, f.s0 + f.cap, f.t0, i < n ? f.s0 + f.mid_end : end,
                 f.t0 + f.h);
        }
        quad(p, left + w - f.cap, bottom, left + w, top, f.s0 + f.mid_end, f.t0, f.s0 + f.elem_w,
             f.t0 + f.h);
    }

    // The nine-slice frame around the rectangle, as BTN_frame2 tiles it.
    void panel(const builtin_picture& p, const L::panel_frame& f, float x, float y, float w, float h)
    {
        const float X0 = x - f.out_x, Y0 = y - f.out_bottom;
        const float W = w + 2 * f.out_x, H = h + f.out_bottom + f.out_top;
        const float step_x = f.size - 2 * f.cw, step_y = f.size - f.cb - f.ct;
        std::vector<std::array<float, 4>> cols = {{X0, X0 + f.cw, float(f.s0), f.s0 + f.cw}};
        for (float a = X0 + f.cw; a < X0 + W - f.cw; a += step_x) {
            const float b = std::min(a + step_x, X0 + W - f.cw);
            cols.push_back({a, b, f.s0 + f.cw, f.s0 + f.cw + (b - a)});
        }
        cols.push_back({X0 + W - f.cw, X0 + W, f.s0 + f.size - f.cw, float(f.s0 + f.size)});
        std::vector<std::array<float, 4>> rows = {{Y0, Y0 + f.cb, float(f.t0), f.t0 + f.cb}};
        for (float a = Y0 + f.cb; a < Y0 + H - f.ct; a += step_y) {
            const float b = std::min(a + step_y, Y0 + H - f.ct);
            rows.push_back({a, b, f.t0 + f.cb, f.t0 + f.cb + (b - a)});
        }
        rows.push_back({Y0 + H - f.ct, Y0 + H, f.t0 + f.size - f.ct, float(f.t0 + f.size)});
        for (const auto& r : rows)
            for (const auto& col : cols) quad(p, col[0], r[0], col[1], r[1], col[2], r[2], col[3], r[3]);
    }
};

const L::strip_frame& strip_type(int type) { return *L::find_strip_frame(type); }
const L::panel_frame& panel_type(int type) { return *L::find_panel_frame(type); }

// One skin button as the wizard places it; returns its frame width.
int skin_button(screen& s, const builtin_picture& skin, int language, float x, float y, int caption,
                int align, int look)
{
    const float a = L::btn_cuts[caption][language], b = L::btn_cuts[caption + 1][language];
    const float cw = b - a;
    const float left = align == 1 ? x : align == 0 ? x - cw / 2 : x - cw;
    s.strip(skin, strip_type(look == 2 ? 13 : look == 1 ? 12 : 11), left + cw / 2, y + 11, cw + 20);
    const L::caption_strip strip = look == 1 ? L::pressed_strip : look == 3 ? L::hover_strip
                                                                          : L::normal_strip;
    s.quad(skin, left, y, left + cw, y + 22, a, strip.y0(), b, strip.y1(), look == 2 ? 0.5f : 1.0f);
    return int(cw + 20);
}

}  // namespace

TEST(WizardPreview, PanelsAndButtonsCloseInEveryLanguage)
{
    builtin_picture background("background.png"), widgets("interface.png"), map("map.png");
    ASSERT_TRUE(background.loaded() && widgets.loaded() && map.loaded());
    for (int language = 0; language < L::language_count; ++language) {
        builtin_picture skin(std::string("elements_") + languages[language] + ".png");
        ASSERT_TRUE(skin.loaded());
        screen s(800, 600);
        s.quad(background, 0, 0, 800, 600, 0, 0, 800, 600);
        s.panel(skin, panel_type(23), 10, 50, 190, 453);
        s.panel(skin, panel_type(23), 210, 50, 580, 453);
        s.quad(map, 248, 150, 752, 402, 0, 0, 504, 252);  // plain look under the tiles
        s.quad(map, 248 + 14 * 10, 150 + 14 * 12, 248 + 14 * 20, 150 + 14 * 16, 140, 504 + 168,
               280, 504 + 224);                            // a few selected tiles
        s.strip(widgets, strip_type(4), 500, 120, 520);
        s.strip(widgets, strip_type(5), (240 + 500) / 2.0f, 120, 260);
        const int quit = skin_button(s, skin, language, 30, 12, 0, 1, 0);
        skin_button(s, skin, language, quit + 40.0f, 12, 6, 1, 2);
        skin_button(s, skin, language, language == 4 ? 360 : 400, 12, 5, 0, 3);
        const int next = skin_button(s, skin, language, 770, 12, 2, -1, 0);
        skin_button(s, skin, language, 760.0f - next, 12, 1, -1, 1);
        std::string error;
        ASSERT_TRUE(s.c.save_png(std::string(NIMBREL_ART_PREVIEW_DIR) + "wizard_" +
                                     languages[language] + ".png",
                                 error))
            << error;

        // Both panels are closed: their insides are covered everywhere.
        for (int y = 60; y < 495; y += 5)
            for (int x : {20, 100, 190, 220, 500, 780}) {
                if (x >= 248 && x < 752 && y >= 150 && y < 402) continue;  // the map
                if (x >= 240 && x < 760 && y >= 110 && y < 130) continue;  // the progress bar
                EXPECT_GT(s.c.at(x, 599 - y).a, 0.99f) << languages[language] << " at " << x << ", " << y;
                EXPECT_GT(s.c.at(x, 599 - y).r, 0.85f) << languages[language] << " panel seam at "
                                                       << x << ", " << y;
            }
    }
}

TEST(WizardPreview, WindowOfWidgets)
{
    builtin_picture widgets("interface.png");
    ASSERT_TRUE(widgets.loaded());
    screen s(640, 400);
    s.quad(widgets, 0, 0, 640, 400, 319, 155, 320, 156);  // colour 37 behind modal windows
    s.panel(widgets, panel_type(14), 20, 20, 420, 250);
    s.strip(widgets, strip_type(1), 230, 270 - 50, 420);
    s.panel(widgets, panel_type(16), 30, 55, 400, 140);
    s.strip(widgets, strip_type(2), 130, 38, 120);
    s.strip(widgets, strip_type(3), 280, 38, 120);
    s.strip(widgets, strip_type(9), 150, 170, 160);
    s.strip(widgets, strip_type(10), 340, 170, 100);
    s.strip(widgets, strip_type(7), 200, 120, 200);
    s.strip(widgets, strip_type(8), 150, 124, 100);
    s.panel(widgets, panel_type(18), 460, 200, 160, 160);
    s.panel(widgets, panel_type(17), 460, 40, 160, 120);
    s.panel(widgets, panel_type(19), 60, 300, 200, 80);
    s.panel(widgets, panel_type(20), 300, 300, 120, 80);
    s.strip(widgets, strip_type(0), 320, 400 - 9, 640);
    for (const auto& [r, x, y] : {std::tuple{L::check_box, 60.0f, 140.0f},
                                  std::tuple{L::check_tick, 60.0f, 140.0f},
                                  std::tuple{L::radio_box, 90.0f, 140.0f},
                                  std::tuple{L::radio_tick, 90.0f, 140.0f},
                                  std::tuple{L::title_box, 36.0f, 260.0f},
                                  std::tuple{L::title_box, 424.0f, 260.0f}})
        s.quad(widgets, x - 9, y - 9, x + 9, y + 9, r.x0, r.y0, r.x1, r.y1);
    std::string error;
    ASSERT_TRUE(s.c.save_png(std::string(NIMBREL_ART_PREVIEW_DIR) + "widgets.png", error)) << error;
    // The titled window's body is closed between its frame pieces.
    for (int y = 30; y < 240; y += 3)
        for (int x = 25; x < 435; x += 3)
            EXPECT_GT(s.c.at(x, 399 - y).a, 0.99f) << x << ", " << y;
}
