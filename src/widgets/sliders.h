// The horizontal value slider and the vertical scroll bar.
#pragma once

#include <string>

// x is the track's left end, y its centre line; 1 while the mouse drags it.
int BTN_horz_slider(float x, float y, float width, int colour, float lo, float hi, float* value,
                    int editable, std::string label, std::string caption);
// x the centre line, the track from y_bottom to y_top with lo at the top.
// Scroll bars drawn on the same frames use different slots (0 to 3).
// Returns 1 while its knob is held.
int BTN_vert_slider(int slot, float x, float y_bottom, float y_top, int lo, int hi, int* value);

// Forgets every held knob (tests).
void BTN_release_sliders();
