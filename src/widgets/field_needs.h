// What the key-taking fields call of the rest of the toolkit: the focus
// ring, the label rules, frames and pieces of the widget sheet, and the
// scroll bar.
#pragma once

#include "widgets/focus_ring.h"
#include "widgets/sliders.h"
#include "widgets/widget_draw.h"
#include "widgets/widget_sheet.h"
