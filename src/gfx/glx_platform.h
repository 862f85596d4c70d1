// The few GLX calls graphics makes itself; the context and the window are
// the shell's.
#pragma once

struct _XDisplay;

// The client's GLX extension string; "" without a display or string.
const char* glx_client_extensions(_XDisplay* display);
// glXGetProcAddressARB; glvnd answers non-null even for unknown names.
void* glx_proc_address(const char* name);
void glx_swap_buffers(_XDisplay* display, unsigned long window);
