#include "gfx/glx_platform.h"

#include <GL/glx.h>

const char* glx_client_extensions(_XDisplay* display)
{
    if (!display) return "";
    const char* s = glXGetClientString(display, GLX_EXTENSIONS);
    return s ? s : "";
}

void* glx_proc_address(const char* name)
{
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

void glx_swap_buffers(_XDisplay* display, unsigned long window)
{
    if (display && window) glXSwapBuffers(display, window);
}
