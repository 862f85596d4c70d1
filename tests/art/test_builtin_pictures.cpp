// The pictures as the program carries them, decoded by its own PNG reader:
// sizes, the pieces of the sheets where the layout puts them, the colour
// samples byte for byte, frames that tile without seams, captions inside
// their columns, and a world map with its land where the land is.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "builtin_picture.h"
#include "gfx/sheet_layout.h"

namespace L = sheet_layout;

namespace {

const char* const languages[] = {"English", "French", "German", "Russian", "Italian", "Spanish"};

// The top-down row of a sheet y (counted up from the bottom).
int row_of(int sheet_y, int height) { return height - 1 - sheet_y; }

bool any_opaque(const builtin_picture& p, const L::rect& r)
{
    for (int y = std::max(r.y0, 0); y < std::min(r.y1, p.height); ++y)
        for (int x = r.x0; x < r.x1; ++x)
            if (p.alpha(x, row_of(y, p.height)) > 0) return true;
    return false;
}

// Columns x0 .. x1 - 1 alike over the sheet rows y0 .. y1 - 1.
bool columns_alike(const builtin_picture& p, int x0, int x1, int y0, int y1)
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0 + 1; x < x1; ++x)
            if (!p.same_pixel(x, row_of(y, p.height), x0, row_of(y, p.height))) return false;
    return true;
}

bool rows_alike(const builtin_picture& p, int x0, int x1, int y0, int y1)
{
    for (int y = y0 + 1; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!p.same_pixel(x, row_of(y, p.height), x, row_of(y0, p.height))) return false;
    return true;
}

}  // namespace

TEST(BuiltinPictures, EveryPictureDecodesAtItsSize)
{
    const struct {
        std::string name;
        int width, height;
    } expected[] = {{"interface.png", 512, 512}, {"background.png", 800, 600},
                    {"map.png", 504, 756}};
    for (const auto& e : expected) {
        builtin_picture p(e.name);
        ASSERT_TRUE(p.loaded()) << e.name;
        EXPECT_EQ(p.width, e.width) << e.name;
        EXPECT_EQ(p.height, e.height) << e.name;
    }
    for (const char* language : languages) {
        builtin_picture p(std::string("elements_") + language + ".png");
        ASSERT_TRUE(p.loaded()) << language;
        EXPECT_EQ(p.width, L::skin_width) << language;
        EXPECT_EQ(p.height, L::skin_height) << language;
    }
}

TEST(BuiltinPictures, StartUpReadsTheListedColoursFromTheWidgetSheet)
{
    builtin_picture sheet("interface.png");
    ASSERT_TRUE(sheet.loaded());
    for (const L::colour_sample& s : L::colour_samples) {
        EXPECT_EQ(sheet.at(s.x, s.y, 0), s.red) << "colour " << s.colour_index;
        EXPECT_EQ(sheet.at(s.x, s.y, 1), s.green) << "colour " << s.colour_index;
        EXPECT_EQ(sheet.at(s.x, s.y, 2), s.blue) << "colour " << s.colour_index;
        EXPECT_EQ(sheet.alpha(s.x, s.y), 255) << "colour " << s.colour_index;
    }
}

TEST(BuiltinPictures, EveryWidgetPieceIsDrawnWhereTheLayoutPutsIt)
{
    builtin_picture sheet("interface.png");
    ASSERT_TRUE(sheet.loaded());
    for (const L::strip_frame& f : L::strip_frames) {
        if (f.sheet != L::widget_sheet) continue;
        EXPECT_TRUE(any_opaque(sheet, f.area())) << "strip frame " << f.type;
    }
    for (const L::panel_frame& f : L::panel_frames) {
        if (f.sheet != L::widget_sheet) continue;
        EXPECT_TRUE(any_opaque(sheet, f.area())) << "panel frame " << f.type;
    }
    for (const L::rect& r :
         {L::trough_bottom_cap, L::trough_tile, L::trough_top_cap, L::check_box, L::check_tick,
          L::radio_box, L::radio_tick, L::title_box, L::title_box_alt, L::tab_selected,
          L::tab_unselected, L::compass_needle, L::compass_needle_alt, L::compass_dial,
          L::slider_knob, L::scroll_up_arrow, L::scroll_knob, L::scroll_down_arrow,
          L::submenu_arrow, L::digit_down_arrow, L::digit_up_arrow, L::browse_button})
        EXPECT_TRUE(any_opaque(sheet, r)) << "piece at " << r.x0 << ", " << r.y0;
    for (const L::list_icon& icon : L::list_icons)
        EXPECT_TRUE(any_opaque(sheet, icon.area)) << "icon " << icon.code;
    for (const L::drawn_cursor& c : L::drawn_cursors) {
        EXPECT_TRUE(any_opaque(sheet, c.area)) << "cursor " << c.request;
        EXPECT_TRUE(any_opaque(sheet, c.held)) << "cursor " << c.request << " held";
    }
}

TEST(BuiltinPictures, StripFramesTileWithoutSeams)
{
    builtin_picture sheet("interface.png");
    ASSERT_TRUE(sheet.loaded());
    for (const L::strip_frame& f : L::strip_frames) {
        if (f.sheet != L::widget_sheet) continue;
        const int top = std::min(f.t0 + f.h, sheet.height);
        EXPECT_TRUE(columns_alike(sheet, f.s0 + f.cap, f.s0 + f.mid_end, f.t0, top))
            << "strip frame " << f.type << " changes along its middle tile";
    }
    EXPECT_TRUE(rows_alike(sheet, L::trough_tile.x0, L::trough_tile.x1, L::trough_tile.y0,
                           L::trough_tile.y1));
    // The one row over the top of the menu bar and the top bar wraps to the
    // bottom row, which repeats their top row.
    for (int type : {0, 1}) {
        const L::strip_frame& f = L::strip_frames[type];
        for (int x = f.s0; x < f.s0 + f.elem_w; ++x)
            EXPECT_TRUE(sheet.same_pixel(x, 0, x, sheet.height - 1)) << "strip " << type << " x " << x;
    }
}

TEST(BuiltinPictures, PanelFramesTileWithoutSeams)
{
    builtin_picture widgets("interface.png"), skin("elements_English.png");
    ASSERT_TRUE(widgets.loaded() && skin.loaded());
    for (const L::panel_frame& f : L::panel_frames) {
        const builtin_picture& p = f.sheet == L::widget_sheet ? widgets : skin;
        // The middle that the drawer repeats, widened to whole texels.
        const int x0 = f.s0 + int(std::floor(f.cw)), x1 = f.s0 + f.size - int(std::floor(f.cw));
        const int y0 = f.t0 + int(std::floor(f.cb)), y1 = f.t0 + f.size - int(std::floor(f.ct));
        EXPECT_TRUE(columns_alike(p, x0, x1, f.t0, f.t0 + f.size))
            << "panel frame " << f.type << " changes along its middle columns";
        EXPECT_TRUE(rows_alike(p, f.s0, f.s0 + f.size, y0, y1))
            << "panel frame " << f.type << " changes along its middle rows";
    }
}

TEST(BuiltinPictures, SkinPillsTileWithoutSeamsInEveryLanguage)
{
    for (const char* language : languages) {
        builtin_picture skin(std::string("elements_") + language + ".png");
        ASSERT_TRUE(skin.loaded()) << language;
        for (const L::strip_frame& f : L::strip_frames) {
            if (f.sheet != L::skin_sheet) continue;
            EXPECT_TRUE(any_opaque(skin, f.area())) << language << " pill " << f.type;
            EXPECT_TRUE(columns_alike(skin, f.s0 + f.cap, f.s0 + f.mid_end, f.t0, f.t0 + f.h))
                << language << " pill " << f.type;
        }
    }
}

// Each caption shows in each strip, in the strip's colour, and keeps clear
// of the columns where its neighbours begin.
TEST(BuiltinPictures, CaptionsFitTheirColumnsInEveryStripAndLanguage)
{
    const struct {
        L::caption_strip strip;
        const char* name;
    } strips[] = {{L::normal_strip, "normal"}, {L::pressed_strip, "pressed"},
                  {L::hover_strip, "hover"}};
    for (int language = 0; language < L::language_count; ++language) {
        builtin_picture skin(std::string("elements_") + languages[language] + ".png");
        ASSERT_TRUE(skin.loaded());
        for (const auto& s : strips) {
            for (int k = 0; k < L::caption_count; ++k) {
                const int x0 = int(L::btn_cuts[k][language]), x1 = int(L::btn_cuts[k + 1][language]);
                const std::string where = std::string(languages[language]) + " caption " +
                                          std::to_string(k) + " " + s.name;
                int strongest = 0, sx = 0, sy = 0;
                for (int y = s.strip.y0(); y < s.strip.y1(); ++y) {
                    const int row = row_of(y, skin.height);
                    EXPECT_EQ(skin.alpha(x0, row), 0) << where << " touches its first column";
                    EXPECT_EQ(skin.alpha(x1 - 1, row), 0) << where << " touches its last column";
                    for (int x = x0; x < x1; ++x)
                        if (skin.alpha(x, row) > strongest)
                            strongest = skin.alpha(x, row), sx = x, sy = row;
                }
                ASSERT_EQ(strongest, 255) << where << " shows no letters";
                const int r = skin.at(sx, sy, 0), g = skin.at(sx, sy, 1), b = skin.at(sx, sy, 2);
                if (s.strip.t_bottom == L::normal_strip.t_bottom)
                    EXPECT_TRUE(r > 230 && g > 230 && b > 230) << where << " is not white";
                else if (s.strip.t_bottom == L::pressed_strip.t_bottom)
                    EXPECT_TRUE(r < 200 && r > 120 && std::abs(r - b) < 30) << where << " is not grey";
                else
                    EXPECT_TRUE(b > r + 60) << where << " is not blue";
            }
        }
    }
}

namespace {

// Land is white in the plain look, the lowest of the map's three bands.
bool plain_land_at(const builtin_picture& map, double lon, double lat)
{
    const int x = int((lon + 180.0) / 360.0 * 504.0), y = int((90.0 - lat) / 180.0 * 252.0);
    return map.at(x, 2 * 252 + y, 0) > 200;
}

}  // namespace

TEST(BuiltinPictures, WorldMapHasItsLandWhereTheLandIs)
{
    builtin_picture map("map.png");
    ASSERT_TRUE(map.loaded());
    const struct {
        const char* place;
        double lon, lat;
        bool land;
    } places[] = {
        {"Sahara", 10, 23, true},           {"Amazon", -60, -5, true},
        {"Siberia", 100, 62, true},         {"Australia", 134, -25, true},
        {"Greenland", -40, 72, true},       {"Antarctica", 0, -80, true},
        {"South Pole", 120, -89.5, true},   {"Chukotka east of 180", -178, 66.5, true},
        {"Chukotka west of 180", 178, 66.5, true},
        {"mid Pacific", -150, 0, false},    {"Atlantic", -35, 30, false},
        {"Indian Ocean", 80, -20, false},   {"North Pole", 0, 89.5, false},
        {"Caspian Sea", 51, 42, false},     {"Southern Ocean", 30, -55, false},
    };
    for (const auto& p : places)
        EXPECT_EQ(plain_land_at(map, p.lon, p.lat), p.land) << p.place;
}

TEST(BuiltinPictures, WorldMapBandsHaveTheirLooksAndGridLines)
{
    builtin_picture map("map.png");
    ASSERT_TRUE(map.loaded());
    // An open-sea row of the Pacific, in each band.
    const int sea_row = int((90.0 - 2.0) / 180.0 * 252.0);
    const int grid_x = 14 * 3, beside = grid_x + 7;
    for (int band = 0; band < 3; ++band) {
        const int y = band * 252 + sea_row;
        const bool line = !map.same_pixel(grid_x, y, beside, y);
        EXPECT_EQ(line, band < 2) << "band " << band;
        for (int x = 0; x < map.width; x += 7) EXPECT_EQ(map.alpha(x, y), 255) << "band " << band;
    }
    // Selected: a blue sea; available and plain: a grey one, alike.
    const int r = map.at(beside, sea_row, 0), b = map.at(beside, sea_row, 2);
    EXPECT_GT(b, r + 40);
    for (int band : {1, 2}) {
        const int y = band * 252 + sea_row;
        EXPECT_LT(std::abs(map.at(beside, y, 0) - map.at(beside, y, 2)), 16) << "band " << band;
    }
    EXPECT_TRUE(map.same_pixel(beside, 252 + sea_row, beside, 2 * 252 + sea_row));
}

TEST(BuiltinPictures, BackgroundCarriesTheNameAboveThePanels)
{
    builtin_picture back("background.png");
    ASSERT_TRUE(back.loaded());
    // The wizard's panels cover everything from row 96 down to row 550
    // between x 9 and 791; the name must stand above them.
    int bright_above = 0, bright_below = 0, see_through = 0;
    for (int y = 0; y < back.height; ++y)
        for (int x = 0; x < back.width; ++x) {
            see_through += back.alpha(x, y) != 255;
            const bool bright = back.at(x, y, 0) > 240 && back.at(x, y, 1) > 240;
            (y < 96 ? bright_above : bright_below) += bright;
        }
    EXPECT_EQ(see_through, 0);
    EXPECT_GT(bright_above, 500);
    EXPECT_EQ(bright_below, 0);
}
