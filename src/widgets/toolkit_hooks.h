// Hands the shell the toolkit's calls it makes from below: the focus ring,
// the frames and buttons of its own windows, and the key dispatch.  The
// program's entry calls it before start-up.
#pragma once

void BTN_install_shell_hooks();
