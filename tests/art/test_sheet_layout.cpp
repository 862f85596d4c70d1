// The layout tables themselves: every piece inside its sheet, no two
// pieces sharing texels, the samples clear of every piece, and the frame
// and caption tables consistent with how the drawers walk them.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "gfx/sheet_layout.h"

namespace L = sheet_layout;

namespace {

struct named_rect {
    std::string name;
    L::rect area;
    L::sheet_id sheet;
};

// Every piece of both sheets, cursors that are halves of a wider cursor
// left out (their wholes stand for them).
std::vector<named_rect> all_pieces()
{
    std::vector<named_rect> all;
    for (const L::strip_frame& f : L::strip_frames)
        all.push_back({"strip frame " + std::to_string(f.type), f.area(), f.sheet});
    for (const L::panel_frame& f : L::panel_frames)
        all.push_back({"panel frame " + std::to_string(f.type), f.area(), f.sheet});
    const std::vector<std::pair<const char*, L::rect>> singles = {
        {"trough bottom cap", L::trough_bottom_cap}, {"trough tile", L::trough_tile},
        {"trough top cap", L::trough_top_cap},       {"check box", L::check_box},
        {"check tick", L::check_tick},               {"radio box", L::radio_box},
        {"radio tick", L::radio_tick},               {"title box", L::title_box},
        {"title box alt", L::title_box_alt},         {"tab selected", L::tab_selected},
        {"tab unselected", L::tab_unselected},       {"compass needle", L::compass_needle},
        {"compass needle alt", L::compass_needle_alt}, {"compass dial", L::compass_dial},
        {"slider knob", L::slider_knob},             {"scroll up arrow", L::scroll_up_arrow},
        {"scroll knob", L::scroll_knob},             {"scroll down arrow", L::scroll_down_arrow},
        {"submenu arrow", L::submenu_arrow},         {"digit down arrow", L::digit_down_arrow},
        {"digit up arrow", L::digit_up_arrow},       {"browse button", L::browse_button},
    };
    for (const auto& [name, area] : singles) all.push_back({name, area, L::widget_sheet});
    for (const L::list_icon& icon : L::list_icons)
        all.push_back({"icon " + std::to_string(icon.code), icon.area, L::widget_sheet});
    const std::set<int> halves = {4, 5, 7, 8, 10, 11, 13, 14, 16, 17};
    for (const L::drawn_cursor& c : L::drawn_cursors) {
        if (!halves.count(c.request))
            all.push_back({"cursor " + std::to_string(c.request), c.area, L::widget_sheet});
        if (c.held.x0 != c.area.x0)
            all.push_back({"cursor held " + std::to_string(c.request), c.held, L::widget_sheet});
    }
    return all;
}

bool overlap(const L::rect& a, const L::rect& b)
{
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

bool contains(const L::rect& outer, const L::rect& inner)
{
    return inner.x0 >= outer.x0 && inner.x1 <= outer.x1 && inner.y0 >= outer.y0 &&
           inner.y1 <= outer.y1;
}

}  // namespace

TEST(SheetLayout, EveryPieceLiesInsideItsSheetAndIsNotEmpty)
{
    for (const named_rect& p : all_pieces()) {
        const int w = p.sheet == L::widget_sheet ? L::widget_sheet_side : L::skin_width;
        const int h = p.sheet == L::widget_sheet ? L::widget_sheet_side : L::skin_height;
        EXPECT_GT(p.area.width(), 0) << p.name;
        EXPECT_GT(p.area.height(), 0) << p.name;
        EXPECT_GE(p.area.x0, 0) << p.name;
        EXPECT_GE(p.area.y0, 0) << p.name;
        EXPECT_LE(p.area.x1, w) << p.name;
        // The menu bar and the top bar are the one exception, by one texel
        // (see the table); the sheet's bottom row stands in for it.
        const bool reaches_over = p.name == "strip frame 0" || p.name == "strip frame 1";
        EXPECT_LE(p.area.y1, h + (reaches_over ? 1 : 0)) << p.name;
    }
}

TEST(SheetLayout, NoTwoPiecesShareATexel)
{
    const std::vector<named_rect> all = all_pieces();
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j) {
            if (all[i].sheet != all[j].sheet) continue;
            EXPECT_FALSE(overlap(all[i].area, all[j].area))
                << all[i].name << " overlaps " << all[j].name;
        }
}

TEST(SheetLayout, CursorHalvesLieInsideTheirWholes)
{
    const auto find = [](int request) {
        for (const L::drawn_cursor& c : L::drawn_cursors)
            if (c.request == request) return c.area;
        return L::rect{0, 0, 0, 0};
    };
    for (auto [whole, left, right] : {std::array<int, 3>{3, 4, 5}, {6, 7, 8}, {9, 10, 11},
                                      {12, 13, 14}, {15, 16, 17}}) {
        EXPECT_TRUE(contains(find(whole), find(left))) << left << " in " << whole;
        EXPECT_TRUE(contains(find(whole), find(right))) << right << " in " << whole;
        EXPECT_FALSE(overlap(find(left), find(right))) << left << " and " << right;
    }
    // Every request from 3 to 24 has its shape.
    for (int request = 3; request <= 24; ++request)
        EXPECT_GT(find(request).width(), 0) << "cursor " << request;
}

TEST(SheetLayout, ColourSamplesLieClearOfEveryPiece)
{
    for (const L::colour_sample& s : L::colour_samples) {
        const int sheet_y = L::widget_sheet_side - 1 - s.y;
        const L::rect texel{s.x, sheet_y, s.x + 1, sheet_y + 1};
        for (const named_rect& p : all_pieces()) {
            if (p.sheet != L::widget_sheet) continue;
            EXPECT_FALSE(overlap(p.area, texel))
                << "colour " << s.colour_index << " sampled inside " << p.name;
        }
    }
}

TEST(SheetLayout, FrameTablesMatchTheWayTheDrawersTileThem)
{
    EXPECT_EQ(L::find_strip_frame(6), nullptr) << "type 6 is the vertical trough's";
    EXPECT_EQ(L::find_panel_frame(13), nullptr);
    EXPECT_EQ(L::find_strip_frame(13)->s0, 877);
    EXPECT_EQ(L::find_panel_frame(23)->sheet, L::skin_sheet);
    for (const L::strip_frame& f : L::strip_frames) {
        EXPECT_LT(f.cap, f.mid_end) << "strip " << f.type;
        EXPECT_LE(f.mid_end, f.elem_w) << "strip " << f.type;
        EXPECT_EQ(f.step, f.mid_end - f.cap) << "strip " << f.type;
    }
    for (const L::panel_frame& f : L::panel_frames) {
        EXPECT_LT(2 * f.cw, f.size) << "panel " << f.type;
        EXPECT_LT(f.cb + f.ct, f.size) << "panel " << f.type;
        EXPECT_LT(f.out_x, f.cw) << "panel " << f.type;
        EXPECT_LT(f.out_top, f.ct) << "panel " << f.type;
    }
}

TEST(SheetLayout, CaptionColumnsRunLeftToRightAndClearTheSkinFrames)
{
    for (int language = 0; language < L::language_count; ++language) {
        EXPECT_EQ(L::btn_cuts[0][language], 0);
        for (int k = 0; k < L::caption_count; ++k)
            EXPECT_LT(L::btn_cuts[k][language], L::btn_cuts[k + 1][language])
                << "caption " << k << " of language " << language;
        const L::rect captions{0, 0, int(L::btn_cuts[L::caption_count][language]),
                               L::normal_strip.y1()};
        for (const named_rect& p : all_pieces()) {
            if (p.sheet != L::skin_sheet) continue;
            EXPECT_FALSE(overlap(p.area, captions)) << p.name << ", language " << language;
        }
    }
    EXPECT_EQ(L::hover_strip.y0(), 0);
    EXPECT_LE(L::hover_strip.y1(), L::pressed_strip.y0());
    EXPECT_LE(L::pressed_strip.y1(), L::normal_strip.y0());
    for (const L::caption_strip& s : {L::normal_strip, L::pressed_strip, L::hover_strip})
        EXPECT_EQ(s.y1() - s.y0(), 22);
}
