// Push buttons and check boxes (with radio choices and other value widths).
// Each returns 1 on the frame it is clicked; the value lives in the caller.
#pragma once

#include <string>

// look 0 a check box, 1 a radio button.
int BTN_bool(float x, float y, int* value, std::string label, int look);
int BTN_is_int(float x, float y, int* value, int choice, std::string label);
int BTN_xbyt(float x, float y, unsigned char* value, std::string label);
int BTN_xchr(float x, float y, char* value, std::string label);
int BTN_xbol(float x, float y, bool* value, std::string label);

// width 0 or less sizes the button to its label; state lights it; mode 0
// plain, 1 shows the press at once, 2 also highlights the caption while lit.
// A note other than "-" is written to the right.
int BTN_action(float x, float y, float width, int state, int mode, std::string label,
               std::string note);
