// X events into the main-window record: keys, buttons, the wheel, motion,
// window changes and the window manager's close request.
#pragma once

struct _XDisplay;
union _XEvent;

// Handles every event waiting on the connection; `which` (0 or 1) names the
// window the loop serves.
void x11_handle_pending_events(int which);
void LIN_handleevt(_XEvent* event, int which);
// XCheckIfEvent's predicate: every event.
int LIN_handlewin(_XDisplay* display, _XEvent* event, char* arg);
