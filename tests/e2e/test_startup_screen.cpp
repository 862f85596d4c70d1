// The first screen of the real program, compared pixel by pixel with the
// pictures the art generator drew at build time: the background around the
// wizard's panels, the panels' frames, the skin's buttons in the bar below
// them in three languages, and the language chooser on the widget sheet's
// frames and colours when no language is known.  Where the generated
// pictures and the layout tables say what belongs on the screen, the test
// reads it from them rather than from typed-in colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "gfx/sheet_layout.h"
#include "road_walker.h"
#include "screen_picture.h"
#include "wizard/button_bar.h"

namespace {

namespace L = sheet_layout;

picture artwork(const std::string& name) { return picture::read(NIMBREL_ARTWORK_DIR "/" + name); }

// Screenshots of the window until `ready` holds for one (frames come a
// moment after the window maps), or the last one after `seconds`.  The
// last one stays in the test output.
picture settle(const program_process& program, const std::string& window, const std::string& name,
               const std::function<bool(const picture&)>& ready, double seconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    picture shot;
    do {
        shot = picture::read(program.screenshot(window, name));
        if (!shot.empty() && ready(shot)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    } while (std::chrono::steady_clock::now() < deadline);
    return shot;
}

// Each channel of `got` within `slack` of the range between `a` and `b`.
bool between(const rgba& got, const rgba& a, const rgba& b, int slack)
{
    const auto in = [slack](int v, int x, int y) {
        return v >= std::min(x, y) - slack && v <= std::max(x, y) + slack;
    };
    return in(got.r, a.r, b.r) && in(got.g, a.g, b.g) && in(got.b, a.b, b.b);
}

rgba mean(const rgba& a, const rgba& b) { return {(a.r + b.r) / 2, (a.g + b.g) / 2, (a.b + b.b) / 2}; }

// `over` with alpha laid on `under`, as blending does it.
rgba blend(const rgba& over, const rgba& under)
{
    const auto mix = [&](int o, int u) { return (o * over.a + u * (255 - over.a) + 127) / 255; };
    return {mix(over.r, under.r), mix(over.g, under.g), mix(over.b, under.b)};
}

// -- The background ------------------------------------------------------------

struct area {
    int x0, y0, x1, y1;  // interface units, y up, ends excluded
};

// Nothing but the background lies above the panels, beside them, between
// them and between them and the bar.
const area background_areas[] = {
    {0, 504, 800, 600}, {0, 0, 9, 504}, {201, 39, 209, 504},
    {791, 0, 800, 504}, {0, 39, 800, 49}, {0, 0, 800, 8},
};

pixel_differences background_differences(const picture& shot, const picture& background)
{
    pixel_differences d;
    for (const area& a : background_areas)
        for (int y = a.y0; y < a.y1; ++y)
            for (int x = a.x0; x < a.x1; ++x)
                if (!shot.window(x, y).same_colour(background.window(x, y)))
                    d.add(x, y, shot.window(x, y), background.window(x, y));
    return d;
}

// -- The panels ------------------------------------------------------------------

// A wizard panel's frame around the rectangle (x, y, w, h): its outline,
// the skin frame's first opaque texel in from each side, runs unbroken
// between the corners, and its inside lays the frame's middle texel over the
// background wherever `empty` says nothing is drawn.
pixel_differences panel_differences(const picture& shot, const picture& skin, const picture& background,
                                    int x, int y, int w, int h, const area& empty)
{
    const L::panel_frame& f = *L::find_panel_frame(23);
    const int mid_s = f.s0 + f.size / 2, mid_t = f.t0 + f.size / 2;
    const auto first_opaque = [&](int s, int t, int ds, int dt) {
        int depth = 0;
        while (depth < f.size / 2 && skin.texel(s + ds * depth, t + dt * depth).a != 255) ++depth;
        return depth;
    };
    const int left_depth = first_opaque(f.s0, mid_t, 1, 0);
    const int right_depth = first_opaque(f.s0 + f.size - 1, mid_t, -1, 0);
    const int bottom_depth = first_opaque(mid_s, f.t0, 0, 1);
    const int top_depth = first_opaque(mid_s, f.t0 + f.size - 1, 0, -1);

    const int x0 = x - f.out_x, x1 = x + w + f.out_x, y0 = y - f.out_bottom, y1 = y + h + f.out_top;
    const int left = x0 + left_depth, right = x1 - 1 - right_depth;
    const int bottom = y0 + bottom_depth, top = y1 - 1 - top_depth;
    const int corner_x = static_cast<int>(std::ceil(f.cw));
    pixel_differences d;
    const auto expect = [&](int px, int py, const rgba& wanted) {
        if (!shot.window(px, py).same_colour(wanted)) d.add(px, py, shot.window(px, py), wanted);
    };
    for (int py = y0 + static_cast<int>(std::ceil(f.cb)); py < y1 - static_cast<int>(std::ceil(f.ct)); ++py) {
        expect(left, py, skin.texel(f.s0 + left_depth, mid_t));
        expect(right, py, skin.texel(f.s0 + f.size - 1 - right_depth, mid_t));
    }
    for (int px = x0 + corner_x; px < x1 - corner_x; ++px) {
        expect(px, bottom, skin.texel(mid_s, f.t0 + bottom_depth));
        expect(px, top, skin.texel(mid_s, f.t0 + f.size - 1 - top_depth));
    }
    const rgba inside = skin.texel(mid_s, mid_t);
    for (int py = empty.y0; py < empty.y1; ++py)
        for (int px = empty.x0; px < empty.x1; ++px) {
            const rgba wanted = blend(inside, background.window(px, py));
            if (!shot.window(px, py).near(wanted, 1)) d.add(px, py, shot.window(px, py), wanted);
        }
    return d;
}

// -- The button bar -----------------------------------------------------------------

struct bar_button {
    const char* name;
    button_bar::button which;
    int caption;
    bool live;
};

// The welcome screen's bar: everything live but GO BACK, with nowhere to
// go back to.
const bar_button welcome_bar[] = {
    {"QUIT", button_bar::quit, cap_quit, true},
    {"OPTIONS", button_bar::options, cap_options, true},
    {"BUY ONLINE", button_bar::buy_online, cap_buy_online, true},
    {"CONTINUE", button_bar::next, cap_continue, true},
    {"GO BACK", button_bar::go_back, cap_go_back, false},
};

// The caption comes from the skin's normal strip at its `btn_cuts` columns,
// one texel a unit from y 12 up; a dimmed one at half strength over the dark
// pill.  Where the caption is clear, the pill's middle tile shows.
pixel_differences button_differences(const picture& shot, const picture& skin, const picture& background,
                                     int language, const bar_button& b)
{
    const skin_button_box box = button_bar::place(language, b.which);
    const float left = box.left, width = box.right - box.left;
    const float cut = L::btn_cuts[b.caption][language];
    const L::strip_frame& pill = *L::find_strip_frame(b.live ? 11 : 13);
    const int pill_s = pill.s0 + (pill.cap + pill.mid_end) / 2;
    constexpr int bottom = 12, height = 22;
    const int pill_bottom = bottom + height / 2 - pill.h / 2;
    // The pill reaches 10 units past the caption; its caps reach further in.
    const float tile_x0 = left - 10 + pill.cap, tile_x1 = left + width + 10 - pill.cap;

    pixel_differences d;
    for (int row = 0; row < height; ++row) {
        const int y = bottom + row, t = L::normal_strip.y0() + row;
        const rgba pill_texel = skin.texel(pill_s, pill.t0 + y - pill_bottom);
        for (int x = static_cast<int>(std::ceil(left)); x + 0.5f < left + width; ++x) {
            // The texels either side of the pixel's centre: one and the same
            // when the caption starts on a whole unit.
            const float u = cut + (x + 0.5f - left) - 0.5f;
            const rgba a = skin.texel(static_cast<int>(std::floor(u)), t);
            const rgba c = skin.texel(static_cast<int>(std::ceil(u)), t);
            const rgba got = shot.window(x, y);
            const bool opaque = a.a == 255 && c.a == 255, clear = a.a == 0 && c.a == 0;
            if (b.live && opaque) {
                if (!between(got, a, c, a.same_colour(c) ? 0 : 1)) d.add(x, y, got, a);
                continue;
            }
            if (x <= tile_x0 || x + 1 >= tile_x1) continue;
            // The dimmed pill lets the background through.
            const rgba under = blend(pill_texel, background.window(x, y));
            if (opaque && !between(got, mean(a, under), mean(c, under), 1))
                d.add(x, y, got, mean(a, under));
            else if (clear && !got.near(under, 1))
                d.add(x, y, got, under);
        }
    }
    return d;
}

bool bar_is_drawn(const picture& shot, const picture& skin, const picture& background, int language)
{
    for (const bar_button& b : welcome_bar)
        if (!button_differences(shot, skin, background, language, b).none()) return false;
    return true;
}

// -- The welcome screen in three languages ----------------------------------------------

struct language_case {
    int index;
    const char* option;
    const char* skin;
};

void PrintTo(const language_case& c, std::ostream* out) { *out << c.skin; }

class startup_screen : public testing::TestWithParam<language_case> {};

TEST_P(startup_screen, ShowsTheGeneratedBackgroundPanelsAndSkinButtons)
{
    const language_case lang = GetParam();
    const picture skin = artwork(std::string("elements_") + lang.skin + ".png");
    const picture background = artwork("background.png");
    ASSERT_FALSE(skin.empty() || background.empty()) << "no generated pictures in " NIMBREL_ARTWORK_DIR;

    program_process program(NIMBREL_INSTALLER);
    program.start({std::string("--lang=") + lang.option});
    const std::string window = program.wait_for_window(20);
    ASSERT_FALSE(window.empty()) << program.output() << program.log();
    // Away from the window, so that no button shows its hover look.
    x_command("xdotool mousemove 1023 767");
    const auto bar_shown = [&](const picture& p) { return bar_is_drawn(p, skin, background, lang.index); };
    const picture shot = settle(program, window, std::string("startup_screen_") + lang.skin, bar_shown, 30);
    ASSERT_EQ(shot.width(), 800);
    ASSERT_EQ(shot.height(), 600);

    const pixel_differences back = background_differences(shot, background);
    EXPECT_TRUE(back.none()) << "background: " << back;
    const pixel_differences steps =
        panel_differences(shot, skin, background, 10, 50, 190, 453, {25, 65, 185, 360});
    EXPECT_TRUE(steps.none()) << "step panel: " << steps;
    const pixel_differences content =
        panel_differences(shot, skin, background, 210, 50, 580, 453, {225, 65, 775, 240});
    EXPECT_TRUE(content.none()) << "content panel: " << content;
    for (const bar_button& b : welcome_bar) {
        const pixel_differences button = button_differences(shot, skin, background, lang.index, b);
        EXPECT_TRUE(button.none()) << b.name << ": " << button;
    }

    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(20), 0) << program.output();
}

// English, the Russian skin's Cyrillic captions, and Italian, whose BUY
// ONLINE stands further left to leave room for its long GO BACK.
INSTANTIATE_TEST_SUITE_P(startup_screen, startup_screen,
                         testing::Values(language_case{0, "en", "English"}, language_case{3, "ru", "Russian"},
                                         language_case{4, "it", "Italian"}),
                         [](const testing::TestParamInfo<language_case>& info) {
                             return std::string(info.param.skin);
                         });

// -- The language chooser ---------------------------------------------------------

// The chooser's window, 420 by 250 units, in frame 14 with a title bar.
constexpr int kChooserWidth = 420, kChooserHeight = 250;

// The four corners of a nine-slice frame on the sheet; the top ones only
// `top_rows` deep.
std::vector<L::rect> frame_corners(const L::panel_frame& f, int top_rows)
{
    const int cw = static_cast<int>(f.cw), cb = static_cast<int>(f.cb);
    const int x0 = f.s0, x1 = f.s0 + f.size, y0 = f.t0, y1 = f.t0 + f.size;
    return {{x0, y1 - top_rows, x0 + cw, y1}, {x1 - cw, y1 - top_rows, x1, y1}, {x0, y0, x0 + cw, y0 + cb},
            {x1 - cw, y0, x1, y0 + cb}};
}

struct chooser_layout {
    place frame_top_left{0, 0};
    int frame_width = 0, frame_height = 0;
    std::vector<place> boxes, ticks;
};

// Where the sheet's pieces of the chooser stand on `shot`, found by their
// opaque texels; `problem` says what is amiss with the window's frame.
chooser_layout find_chooser(const picture& shot, const picture& sheet, std::string& problem)
{
    chooser_layout c;
    const L::panel_frame& f = *L::find_panel_frame(14);
    // The top corners only down to where the inner panel's shadow begins.
    std::vector<place> corner;
    for (const L::rect& r : frame_corners(f, 20)) {
        const std::vector<place> found = find_opaque_texels(shot, sheet, r);
        if (found.size() != 1) {
            problem = "a corner of the window frame is on the screen " + std::to_string(found.size()) +
                      " times";
            return c;
        }
        corner.push_back(found[0]);
    }
    // Top left, top right, bottom left, bottom right.
    if (corner[0].x != corner[2].x || corner[1].x != corner[3].x || corner[0].y != corner[1].y ||
        corner[2].y != corner[3].y)
        problem = "the window frame's corners are not those of one rectangle";
    c.frame_top_left = corner[0];
    c.frame_width = corner[1].x + static_cast<int>(f.cw) - corner[0].x;
    c.frame_height = corner[2].y + static_cast<int>(f.cb) - corner[0].y;
    c.boxes = find_opaque_texels(shot, sheet, L::radio_box);
    c.ticks = find_opaque_texels(shot, sheet, L::radio_tick);
    return c;
}

TEST(startup_screen, WithoutALanguageTheChooserShowsOnTheSheetsPiecesAndTheChosenSkinFollows)
{
    const picture sheet = artwork("interface.png");
    const picture russian = artwork("elements_Russian.png");
    const picture background = artwork("background.png");
    ASSERT_FALSE(sheet.empty() || russian.empty() || background.empty())
        << "no generated pictures in " NIMBREL_ARTWORK_DIR;

    testing_support::road_walker program(NIMBREL_INSTALLER);
    program.in_language("").with_environment({"LC_ALL=C", "LANG=C"});
    ASSERT_TRUE(program.start()) << program.output() << program.log();
    const std::string window = program.window();
    x_command("xdotool mousemove 1023 767");
    std::string problem;
    chooser_layout chooser;
    const auto chooser_shown = [&](const picture& p) {
        problem.clear();
        chooser = find_chooser(p, sheet, problem);
        return problem.empty() && chooser.boxes.size() + chooser.ticks.size() == 6;
    };
    const picture shot = settle(program, window, "startup_language_chooser", chooser_shown, 30);
    ASSERT_TRUE(problem.empty()) << problem;

    const L::panel_frame& f = *L::find_panel_frame(14);
    EXPECT_EQ(chooser.frame_width, kChooserWidth + 2 * f.out_x);
    EXPECT_EQ(chooser.frame_height, kChooserHeight + f.out_bottom + f.out_top);
    // The screen around the window is colour row 37, taken from the sheet.
    const L::colour_sample& row_37 =
        *std::find_if(std::begin(L::colour_samples), std::end(L::colour_samples),
                      [](const L::colour_sample& s) { return s.colour_index == 37; });
    const rgba back = sheet.at(row_37.x, row_37.y);
    const place& frame = chooser.frame_top_left;
    pixel_differences around;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
            const bool in_frame = x >= frame.x && x < frame.x + chooser.frame_width && y >= frame.y &&
                                  y < frame.y + chooser.frame_height;
            if (!in_frame && !shot.at(x, y).same_colour(back)) around.add(x, y, shot.at(x, y), back);
        }
    EXPECT_TRUE(around.none()) << "around the chooser: " << around;

    // The panel inside, frame 16, whole.
    const L::panel_frame& panel = *L::find_panel_frame(16);
    for (const L::rect& corner : frame_corners(panel, static_cast<int>(panel.ct)))
        EXPECT_EQ(find_opaque_texels(shot, sheet, corner).size(), 1u)
            << "a corner of the inner panel, sheet (" << corner.x0 << ", " << corner.y0 << ")";

    // Six radio boxes one above the other, 20 units apart, English ticked.
    ASSERT_EQ(chooser.ticks.size(), 1u);
    ASSERT_EQ(chooser.boxes.size(), 5u);
    std::vector<place> radios = chooser.boxes;
    radios.push_back(chooser.ticks[0]);
    std::sort(radios.begin(), radios.end(), [](const place& a, const place& b) { return a.y < b.y; });
    EXPECT_EQ(radios[0].y, chooser.ticks[0].y) << "the first language, English, is not the one ticked";
    for (size_t i = 1; i < radios.size(); ++i) {
        EXPECT_EQ(radios[i].x, radios[0].x);
        EXPECT_EQ(radios[i].y - radios[i - 1].y, 20);
    }

    // Russian, fourth in the list, and Return for "Accept": the wizard comes
    // up in the Russian skin.
    const place& russian_radio = radios[3];
    ASSERT_TRUE(program.click_until_changed(russian_radio.x + 9, 600 - (russian_radio.y + 9)));
    program.keys("Return");
    x_command("xdotool mousemove 1023 767");
    const auto russian_bar = [&](const picture& p) { return bar_is_drawn(p, russian, background, 3); };
    EXPECT_TRUE(russian_bar(settle(program, window, "startup_after_choosing_russian", russian_bar, 30)))
        << "the wizard did not come up in the Russian skin";

    ASSERT_TRUE(program.send_close_request());
    EXPECT_EQ(program.wait(20), 0) << program.output();
}

}  // namespace
