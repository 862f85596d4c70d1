// The wizard's bottom button bar and the map's selection buttons: captions
// cut from the language's skin image rather than drawn as text.
#pragma once

#include "gfx/sheet_layout.h"
#include "wizard/button_bar.h"

// Texel column where each caption begins, by language; row 7 ends caption 6.
// The art generator cuts the skins by the same table.
using sheet_layout::btn_cuts;

// Draws the button and answers 1 when it was clicked this frame, live or
// not: the caller acts only when the button means something.  `look` 2 is
// dimmed.
int interface_rect(float x, float y, int caption, int align, int* width_out, int live, int look);
// A button of the bottom bar at its place in the current language's skin.
int bar_button_rect(button_bar::button b, bool last_screen, int live, int look);
