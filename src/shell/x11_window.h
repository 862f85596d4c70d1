// The shell's calls into Xlib for the display, the window and its
// window-manager properties, the pointer and the cursor.  Only this file
// and x11_events.cpp include Xlib.
#pragma once

struct _XDisplay;

// Opens the default display into `mnw.x_display` when it is not open yet:
// Xlib's thread support first (worker threads make GLX calls on the same
// connection) and the error handler that logs X errors instead of ending
// the process.  A display that cannot be opened is logged with its name
// and leaves `x_display` null.
void x11_open_display();

// Fits the main window to the requested size (apply 1, start-up) or puts
// it back (apply 0, shut-down).  Never changes the display's video mode:
// only the window's size and its full-screen state.
void MACIBM_setres(int apply);

// Creates a window at `left` for the visual (an XVisualInfo*), the size of
// the screen fields, with its window-manager name, class, fixed size, EWMH
// properties and the close protocol; maps it and takes the first event off
// the queue.  0 on failure.
unsigned long x11_create_gl_window(int left, void* visual_info);
void x11_destroy_window(unsigned long window);
void x11_ungrab_keyboard();

// Waits at most `microseconds` for input on the X connection.
void x11_wait_for_input(long microseconds);

// The pointer inside `window`, in window pixels (y down).
void x11_query_pointer(unsigned long window, int* x, int* y);
void x11_warp_pointer(unsigned long window, int x, int y);
// Hides (1) or shows (0) the system cursor on the window.
void x11_hide_cursor(unsigned long window, int which, int hide);
void x11_flush();

// An invisible cursor for the window.
unsigned long LIN_create_null_cursor(_XDisplay* display, unsigned long window);

// Number of X errors the handler has logged (tests).
int x11_error_count();
