// GLX visuals and contexts of the main window, and the loader contexts that
// worker threads share with it.
#pragma once

struct __GLXcontextRec;

// Creates window `which` (0 main, 1 second) with a double-buffered context,
// makes it current and returns 1; 0 when the display or the window cannot
// be had.  No visual at any multisample level ends the process (status 1).
int MACIBM_make_context(int which);
// Destroys context `which`, then window `which`; handles already gone are
// skipped, so a second call does nothing.
void MACIBM_nuke_context(int which);

// A context sharing the main one, made on the thread that starts a worker;
// null when there is no visual yet or creation fails.
__GLXcontextRec* MACIBM_make_context_loader();
// On the worker: makes the context current on a small pbuffer, or on the
// main window when the driver has none.
bool MACIBM_set_context_loader(__GLXcontextRec* context);

// The visual template's multisample pair for a fallback level.
void glx_multisample_for_level(int level, int* sample_buffers, int* samples);
