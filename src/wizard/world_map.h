// The world map on which a road chooses its global-scenery tiles: 36 by 18
// tiles of 10 by 10 degrees drawn from the built-in map picture, changed by
// a click (one tile) or a drag (the toggled value of the tile first pressed
// painted over every tile the rectangle touches), SELECT NONE and SELECT
// ALL.  The selection is stg.want_sectors.
#pragma once

#include "engine/installer_state.h"

// Draws the map and its two buttons, edits the wanted-sector grid and
// recomputes the install totals at most once, on a frame that changed it.
void UTIL_world_map();

// -- Geometry, interface units from the window's origin, y up ------------------

constexpr float kMapLeft = 248.0f;
constexpr float kMapBottom = 150.0f;
constexpr float kMapTile = 14.0f;  // 10 degrees
constexpr float kMapRight = kMapLeft + kMapTile * kLonBands;
constexpr float kMapTop = kMapBottom + kMapTile * kLatBands;

// -- Clicks and drags ------------------------------------------------------------

// What the map keeps between frames (and screens): where the last click it
// saw lay, and what a drag from it writes.
struct world_map_drag {
    float o_x = 0, o_y = 0;
    int o_use = 0;
    // The press lay on the map.  A press elsewhere (on a button, say) that
    // is dragged over the map must paint nothing: its value would be an old
    // click's, and on a copy's scenery that deletes tiles.
    bool from_map = false;
};

struct world_map_pointer {
    float x, y;
    int click;  // went down this frame
    int held;
};

// One frame of the pointer over the grid; true when it wrote a tile.
bool world_map_edit(world_map_drag& drag, int (&want)[kLonBands][kLatBands],
                    const world_map_pointer& pointer);
