// The world map of scenery tiles: clicks and drags over the wanted grid,
// its two buttons and the totals it keeps up to date, frame by frame
// without a window.
#include <gtest/gtest.h>

#include <cstring>

#include "core/diag/frame_clock.h"
#include "engine/installer_state.h"
#include "engine/manifest.h"
#include "shell/mnw_state.h"
#include "wizard/skin_buttons.h"
#include "wizard/world_map.h"

#include "main_window_test.h"

namespace {

using grid = int[kLonBands][kLatBands];

// The middle of a tile, in interface units.
float tile_x(int lon) { return kMapLeft + 14.0f * lon + 7.0f; }
float tile_y(int lat) { return kMapBottom + 14.0f * lat + 7.0f; }

int count(const grid& g)
{
    int n = 0;
    for (const auto& column : g)
        for (int v : column) n += v != 0;
    return n;
}

struct pointer_script {
    world_map_drag drag;
    grid want = {};

    bool press(float x, float y) { return world_map_edit(drag, want, {x, y, 1, 1}); }
    bool move(float x, float y) { return world_map_edit(drag, want, {x, y, 0, 1}); }
    bool release(float x, float y) { return world_map_edit(drag, want, {x, y, 0, 0}); }
};

TEST(WorldMapPointer, AClickTogglesOneTileAndADragPaintsTheFirstTilesToggle)
{
    pointer_script p;
    EXPECT_TRUE(p.press(tile_x(10), tile_y(13)));
    EXPECT_EQ(p.want[10][13], 1);
    EXPECT_EQ(count(p.want), 1);
    p.release(tile_x(10), tile_y(13));

    // A tap whose press and release fall in one frame toggles as well.
    EXPECT_TRUE(world_map_edit(p.drag, p.want, {tile_x(10), tile_y(13), 1, 0}));
    EXPECT_EQ(p.want[10][13], 0);

    // 2 x 2 from an unselected tile: all four selected, unavailable or not.
    p.want[18][14] = 1;
    p.press(tile_x(17), tile_y(13));
    EXPECT_TRUE(p.move(tile_x(18), tile_y(14)));
    EXPECT_EQ(p.want[17][13] + p.want[17][14] + p.want[18][13] + p.want[18][14], 4);
    EXPECT_EQ(count(p.want), 4);
    p.release(tile_x(18), tile_y(14));

    // From a selected tile the drag clears, back along the same rectangle.
    p.press(tile_x(18), tile_y(14));
    p.move(tile_x(17), tile_y(13));
    EXPECT_EQ(count(p.want), 0);

    // Holding still inside a tile writes it again on every frame.
    EXPECT_TRUE(p.move(tile_x(17), tile_y(13)));
    EXPECT_TRUE(p.move(tile_x(17), tile_y(13)));
    EXPECT_FALSE(p.release(tile_x(17), tile_y(13)));
}

TEST(WorldMapPointer, AClickOnASharedEdgeTakesTheHigherTileAndChangesNothingUntilItMoves)
{
    pointer_script p;
    p.want[10][13] = 1;  // the higher longitude band of the edge x = 388
    const float edge_x = kMapLeft + 14.0f * 10;
    EXPECT_FALSE(p.press(edge_x, tile_y(13))) << "a point on an edge overlaps no tile";
    EXPECT_EQ(p.drag.o_use, 0) << "toggled from the selected tile on the right";
    EXPECT_TRUE(p.move(edge_x + 3, tile_y(13)));
    EXPECT_EQ(p.want[10][13], 0);

    pointer_script q;
    q.want[10][14] = 1;  // corner of four tiles: the highest of both bands decides
    q.press(kMapLeft + 140, kMapBottom + 14.0f * 14);
    EXPECT_EQ(q.drag.o_use, 0);
}

TEST(WorldMapPointer, ADragThatBeganOffTheMapChangesNothing)
{
    pointer_script p;
    p.press(tile_x(5), tile_y(5));  // o_use 1 left behind by a tile click
    p.release(tile_x(5), tile_y(5));
    ASSERT_EQ(p.want[5][5], 1);

    // Pressed on SELECT NONE below the map, then dragged over it.
    EXPECT_FALSE(p.press(700, 130));
    EXPECT_FALSE(p.move(tile_x(20), tile_y(2)));
    EXPECT_FALSE(p.move(tile_x(30), tile_y(10)));
    EXPECT_EQ(count(p.want), 1) << "the old click's value was painted over the map";

    // Pressed in the map's margin, outside every tile but on the rectangle.
    EXPECT_FALSE(p.press(kMapLeft - 1, tile_y(3)));
    EXPECT_FALSE(p.move(tile_x(3), tile_y(3)));
}

// -- The map as a screen draws it ---------------------------------------------

class world_map : public main_window_test {
protected:
    void SetUp() override
    {
        main_window_test::SetUp();
        sim_info.clear();
        std::memset(stg.want_sectors, 0, sizeof stg.want_sectors);
        std::memset(stg.avail_sectors, 0, sizeof stg.avail_sectors);
        // One simulator file and one tile of 40 KB in sector (10, 13).
        sim_info.push_back({file_version_struct{}});
        sim_info.back().back().installed_size = 100;
        sim_info.back().back().path = "Nimbrel/a.txt";
        sim_info.push_back({file_version_struct{}});
        file_version_struct& tile = sim_info.back().back();
        tile.path = "Nimbrel/Global Scenery/+40-074.dsf";
        tile.installed_size = 40;
        tile.is_global = 1;
        tile.lon_band = 10;
        tile.lat_band = 13;
        stg.avail_sectors[10][13] = 1;
    }
    void TearDown() override
    {
        sim_info.clear();
        std::memset(stg.want_sectors, 0, sizeof stg.want_sectors);
        main_window_test::TearDown();
    }
    static void frame()
    {
        UTIL_world_map();
        mnw.click = 0;
        ++xtim.frame_count;
    }
    static skin_button_box select_none()
    {
        return skin_button_geometry(0, 770, 122, cap_select_none, -1);
    }
};

TEST_F(world_map, ButtonsSelectEveryTileOrNoneAndTheTotalsFollow)
{
    const skin_button_box none = select_none();
    const skin_button_box all = skin_button_geometry(0, 770 - none.frame_width - 5, 122,
                                                     cap_select_all, -1);
    click_at((all.left + all.right) / 2, 130);
    frame();
    EXPECT_EQ(count(stg.want_sectors), kLonBands * kLatBands) << "unavailable tiles included";
    EXPECT_FLOAT_EQ(stg.install_total, 140);

    click_at((none.left + none.right) / 2, 130);
    frame();
    EXPECT_EQ(count(stg.want_sectors), 0);
    EXPECT_FLOAT_EQ(stg.install_total, 100);

    click_at(tile_x(10), tile_y(13));
    mnw.button_held = 1;
    frame();
    EXPECT_EQ(stg.want_sectors[10][13], 1);
    EXPECT_FLOAT_EQ(stg.install_total, 140) << "a click on a tile recomputes the totals at once";
}

TEST_F(world_map, AButtonHeldFromTheScreenBeforeIsNoDrag)
{
    click_at(tile_x(10), tile_y(13));
    mnw.button_held = 1;
    frame();
    mnw.button_held = 0;
    frame();
    ASSERT_EQ(stg.want_sectors[10][13], 1);

    // Other screens come and go; CONTINUE is pressed on the licence and
    // still held as the map appears again.
    xtim.frame_count += 50;
    mouse_at(720, 24);
    mnw.button_held = 1;
    frame();
    mouse_at(tile_x(30), tile_y(1));
    frame();
    EXPECT_EQ(count(stg.want_sectors), 1);
}

}  // namespace
