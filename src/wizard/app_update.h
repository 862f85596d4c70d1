// The wizard's per-frame driver and the shell's application hooks.
#pragma once

#include "wizard/wizard_screen.h"

// Draws the wizard frame, runs the current screen with a fresh record,
// draws the record and its buttons, and picks the next frame's screen.
void APP_update();
// The installer has no pull-down menus: nothing to do.
void APP_handlemenu(int command);
// No function key means anything to the installer.
void function_key(int key);
// While a screen runs: the screen of the previous frame, which on the
// screen's first frame is the one that led to it.
screen_fn wizard_screen_before();
