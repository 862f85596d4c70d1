// The pop-up text list: a button showing the current choice of a short
// list ("Macintosh-Windows-Linux"); clicked, the list opens as menu 1519
// with the current choice on the button.  Returns 1 on the call that
// delivers a choice into *value.
#pragma once

#include <string>

int BTN_textlist(float x, float y, int* value, std::string entries, std::string label);
