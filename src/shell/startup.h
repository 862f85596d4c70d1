// The start-up of the shell, from the log header to the first window.
#pragma once

#include <string>
#include <vector>

// The whole start-up sequence; returns when the program is ready for its
// first frame.  Its fatal paths do not return.
void MACIBM_init(int argc, const char* const* argv);

// Sets the core's and the thread layer's hooks to the shell's: the alert,
// shut-down, the GL loader contexts, the progress screen, the record's
// bindings.  MACIBM_init does it first; tests may call it alone.
void MACIBM_install_hooks();

// -- Steps of the sequence, for their tests -----------------------------------

// randrat from srand(1), then the generator reseeded from the clock.
void fill_random_table();
// Colours 37 to 50 from the decoded 512 by 512 interface image (RGBA, rows
// bottom-up), and colour 42 as the mean of 38 and 41.
void colours_from_interface(const unsigned char* pixels);
// The map, background and interface pictures, then the colours above; a
// picture missing from the build is a fatal alert naming it.
void load_builtin_textures();
// The language start-up settles on: kept when offered, the only one when
// just one is offered, else -1 (the chooser then asks).
int settle_language(int language, const std::vector<int>& offered);
