// The world map of scenery tiles.  The picture (the world map texture) holds three
// looks of the same world stacked in bands of 504 x 252 pixels, 14 pixels to
// a tile: from the texture's bottom the plain look, the available look and
// the selected look.  The base quad draws the plain band over the whole map;
// each tile the media hold is drawn over it from the available or the
// selected band.
#include "wizard/world_map.h"

#include <algorithm>

#include "core/diag/frame_clock.h"
#include "engine/install_filter.h"
#include "gfx/draw/draw_2d.h"
#include "gfx/textures/texture_refs.h"
#include "shell/mnw_state.h"
#include "wizard/skin_buttons.h"

namespace {

constexpr int kMapTexture = tex_ref::world_map;
constexpr float kTexWidth = 512.0f;
constexpr float kTexHeight = 1024.0f;
constexpr float kBandPixels = 252.0f;
constexpr float kTilePixels = 14.0f;
constexpr int kColourWhite = 52;

float tile_left(int lon) { return kMapLeft + kMapTile * static_cast<float>(lon); }
float tile_bottom(int lat) { return kMapBottom + kMapTile * static_cast<float>(lat); }

void set_every_tile(int value)
{
    for (auto& column : stg.want_sectors) std::fill(std::begin(column), std::end(column), value);
}

void draw_tiles()
{
    OGL_2dquad_batch_begin(kMapTexture, 5);
    OGL_2dquad_batch_rgba(1, 1, 1, 1);
    OGL_2dquad_batch_add(kMapLeft, kMapBottom, kMapRight - kMapLeft, kMapTop - kMapBottom, 0, 0,
                         kBandPixels * 2 / kTexWidth, kBandPixels / kTexHeight);
    OGL_2dquad_batch_colour(kColourWhite, 1.0f);
    for (int lon = 0; lon < kLonBands; ++lon)
        for (int lat = 0; lat < kLatBands; ++lat) {
            if (!stg.avail_sectors[lon][lat]) continue;
            const float band = stg.want_sectors[lon][lat] ? 2 : 1;
            OGL_2dquad_batch_add(tile_left(lon), tile_bottom(lat), kMapTile, kMapTile,
                                 kTilePixels * static_cast<float>(lon) / kTexWidth,
                                 (band * kBandPixels + kTilePixels * static_cast<float>(lat)) /
                                     kTexHeight,
                                 kTilePixels / kTexWidth, kTilePixels / kTexHeight);
        }
    OGL_2dquad_batch_end();
}

}  // namespace

bool world_map_edit(world_map_drag& drag, int (&want)[kLonBands][kLatBands],
                    const world_map_pointer& pointer)
{
    if (pointer.click) {
        drag.o_x = pointer.x;
        drag.o_y = pointer.y;
        drag.from_map = pointer.x >= kMapLeft && pointer.x <= kMapRight &&
                        pointer.y >= kMapBottom && pointer.y <= kMapTop;
        // On a shared edge the later tile decides: the higher band.
        for (int lon = 0; lon < kLonBands; ++lon)
            for (int lat = 0; lat < kLatBands; ++lat)
                if (pointer.x >= tile_left(lon) && pointer.x <= tile_left(lon) + kMapTile &&
                    pointer.y >= tile_bottom(lat) && pointer.y <= tile_bottom(lat) + kMapTile)
                    drag.o_use = want[lon][lat] ? 0 : 1;
    }
    // A press and its release can fall in one frame (a tap, a fast click):
    // the press frame counts as held, or such a click would change nothing.
    if (!(pointer.held || pointer.click) || !drag.from_map) return false;

    const float left = std::min(drag.o_x, pointer.x), right = std::max(drag.o_x, pointer.x);
    const float bottom = std::min(drag.o_y, pointer.y), top = std::max(drag.o_y, pointer.y);
    bool changed = false;
    for (int lon = 0; lon < kLonBands; ++lon)
        for (int lat = 0; lat < kLatBands; ++lat)
            if (left < tile_left(lon) + kMapTile && tile_left(lon) < right &&
                bottom < tile_bottom(lat) + kMapTile && tile_bottom(lat) < top) {
                want[lon][lat] = drag.o_use;
                changed = true;
            }
    return changed;
}

void UTIL_world_map()
{
    static world_map_drag drag;
    static int last_frame = 0;
    // A drag belongs to the map only while the map is on screen for all of
    // it: a button still held from the screen before (CONTINUE) must not
    // pick up a press the map saw on an earlier visit.
    if (xtim.frame_count != last_frame && xtim.frame_count != last_frame + 1) drag.from_map = false;
    last_frame = xtim.frame_count;

    const world_map_pointer pointer = {mnw.mouse_x, mnw.mouse_y, mnw.click, mnw.button_held};
    bool changed = world_map_edit(drag, stg.want_sectors, pointer);
    draw_tiles();
    if (drag.from_map && (pointer.held || pointer.click))
        OGL_outline_rgba(0, 0, 0, 0.5f, pointer.x, pointer.y, drag.o_x, drag.o_y);

    int none_width = 0;
    if (interface_rect(770, 122, cap_select_none, -1, &none_width, 1, 0)) {
        set_every_tile(0);
        changed = true;
    }
    if (interface_rect(static_cast<float>(770 - none_width - 5), 122, cap_select_all, -1, nullptr,
                       1, 0)) {
        set_every_tile(1);
        changed = true;
    }
    if (changed) recalc_disk_sizes();
}
