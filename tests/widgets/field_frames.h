// Driving the fields frame by frame as the event loop would (the kit's
// main-window frames): the mouse and click of the frame in the window
// record, a fresh focus ring, keys queued for the focused widget before the
// widgets are drawn.
#pragma once

#include "main_window_frames.h"

class field_frames : public main_window_frames {};
