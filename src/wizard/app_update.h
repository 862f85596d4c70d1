// The wizard's per-frame update and its menu hook, as the shell calls them.
#pragma once

void APP_update();
// The installer has no pull-down menus: nothing to do.
void APP_handlemenu(int command);
