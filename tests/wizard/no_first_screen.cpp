// The wizard library leaves the first screen to each program; the tests
// start on none.
#include "wizard/wizard_screen.h"

screen_fn g_wizard = nullptr;
