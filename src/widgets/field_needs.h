// What the key-taking fields call of the rest of the toolkit: the focus
// ring, the label rules and frames of the widget sheet, and the scroll bar.
#pragma once

#include "widgets/focus_ring.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"

// The scroll bar of the sliders; declared with its specified signature
// until the sliders' header lands.
int BTN_vert_slider(int slot, float x, float y_bottom, float y_top, int lo, int hi, int* value);
