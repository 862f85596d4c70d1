// GLX visuals and contexts.
//
//   -- Visual ---
//   -- Main and second window ---
//   -- Loader contexts ---
#include "shell/glx_context.h"

#include <GL/glx.h>
#include <GL/glxext.h>

#include <cstdio>
#include <cstring>

#include "core/diag/log_stream.h"
#include "gfx/gl_state_cache.h"
#include "gfx/textures/texture_binding.h"
#include "shell/mnw_state.h"
#include "shell/shutdown.h"
#include "shell/x11_window.h"

namespace {

bool glx_has_extension(const char* name)
{
    const char* list = glXQueryExtensionsString(mnw.x_display, DefaultScreen(mnw.x_display));
    if (!list) return false;
    const size_t n = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
        if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
    return false;
}

// -- Visual ---

constexpr int InitVisual[15] = {GLX_SAMPLE_BUFFERS_ARB, 1, GLX_SAMPLES_ARB, 0, GLX_RGBA,
                                GLX_DOUBLEBUFFER,       GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1,
                                GLX_BLUE_SIZE,          1,            GLX_DEPTH_SIZE,  2, None};

XVisualInfo* choose_visual()
{
    int InputVisual[15];
    for (int level = mnw.antialias_request;; --level) {
        std::memcpy(InputVisual, InitVisual, sizeof InputVisual);
        if (level < 0) {
            std::puts("Whoah -- no matter how hard I tried, I failed to get a GLX visual. "
                      "Something's seriously wonky on your machine.");
            xer << "No GLX visual at any multisample level.\n";
            MACIBM_exit_now(1);
        }
        glx_multisample_for_level(level, &InputVisual[1], &InputVisual[3]);
        if (XVisualInfo* found = glXChooseVisual(mnw.x_display, DefaultScreen(mnw.x_display), InputVisual)) {
            mnw.antialias_level = level;
            return found;
        }
    }
}

void set_swap_interval()
{
    if (!mnw.use_vsync1 && !mnw.use_vsync2) return;
    // The entry point resolves even where the server lacks the extension,
    // and calling it there is an X error: ask the extension string.
    auto swap_interval = glx_has_extension("GLX_SGI_swap_control")
        ? reinterpret_cast<PFNGLXSWAPINTERVALSGIPROC>(
              glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalSGI")))
        : nullptr;
    if (!swap_interval) {
        xer << "WARNING: could not set vsync - this machine's video drivers do not support the "
               "extension glXSwapIntervalSGI.\n";
        return;
    }
    const int result = swap_interval(mnw.use_vsync2 * 2 + mnw.use_vsync1);
    if (result != 0)
        xer << "WARNING: unable to set v-sync; glXSwapIntervalSGI returned the error " << result << ".\n";
}

void set_fixed_gl_state()
{
    const GLfloat no_ambient[4] = {0, 0, 0, 0};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, no_ambient);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glAlphaFunc(GL_GREATER, 0);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthFunc(GL_LEQUAL);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glHint(GL_FOG_HINT, GL_FASTEST);
    glFrontFace(GL_CW);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DITHER);
    glDisable(GL_INDEX_LOGIC_OP);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_TEXTURE_1D);
    glDisable(GL_NORMALIZE);
    glDisable(GL_SCISSOR_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT, GL_AMBIENT_AND_DIFFUSE);
    if (mnw.antialias_level > 0) glEnable(GL_MULTISAMPLE_ARB);
    glDepthMask(GL_FALSE);
}

}  // namespace

void glx_multisample_for_level(int level, int* sample_buffers, int* samples)
{
    static const int table[5][2] = {{0, 0}, {1, 2}, {1, 4}, {1, 8}, {1, 16}};
    if (level >= 0 && level <= 4) {
        *sample_buffers = table[level][0];
        *samples = table[level][1];
    } else {
        *sample_buffers = InitVisual[1];
        *samples = InitVisual[3];
    }
}

// -- Main and second window ---

int MACIBM_make_context(int which)
{
    int left = 0;
    if (which == 1) {
        OGL_setstate(1, 0, 3, 4, 9, 11);
        left = mnw.screen_width;
    }
    x11_open_display();
    if (!mnw.x_display) return 0;

    XVisualInfo* visual = choose_visual();
    if (mnw.visual_info && mnw.visual_info != visual) XFree(mnw.visual_info);
    mnw.visual_info = visual;

    GLXContext context = glXCreateContext(mnw.x_display, visual, which == 1 ? mnw.main_context : nullptr, True);
    if (!context) {
        xer << "glXCreateContext failed for window " << which << ".\n" << std::flush;
        return 0;
    }
    mnw.context(which) = context;

    const unsigned long window = x11_create_gl_window(left, visual);
    if (!window) {
        xer << "XCreateWindow failed for window " << which << ".\n" << std::flush;
        return 0;
    }
    mnw.x_window(which) = window;

    if (!glXMakeCurrent(mnw.x_display, window, context)) {
        xer << "glXMakeCurrent failed for window " << which << ".\n" << std::flush;
        return 0;
    }
    set_swap_interval();
    set_fixed_gl_state();
    // The bindings cached for another context do not hold in a new one.
    TEX_reset_bind();
    return 1;
}

void MACIBM_nuke_context(int which)
{
    if (!mnw.x_display) return;
    __GLXcontextRec*& context = mnw.context(which);
    if (context) {
        if (glXGetCurrentContext() == context) glXMakeCurrent(mnw.x_display, None, nullptr);
        glXDestroyContext(mnw.x_display, context);
        context = nullptr;
    }
    unsigned long& window = mnw.x_window(which);
    x11_destroy_window(window);
    window = 0;
}

// -- Loader contexts ---

__GLXcontextRec* MACIBM_make_context_loader()
{
    if (!mnw.visual_info || !mnw.x_display) return nullptr;
    GLXContext context = glXCreateContext(mnw.x_display, static_cast<XVisualInfo*>(mnw.visual_info), mnw.main_context, True);
    if (!context) xer << "glXCreateContext failed.\n" << std::flush;
    return context;
}

bool MACIBM_set_context_loader(__GLXcontextRec* context)
{
    GLXDrawable drawable = mnw.main_window;
    auto fb_config_from_visual = glx_has_extension("GLX_SGIX_fbconfig")
        ? reinterpret_cast<PFNGLXGETFBCONFIGFROMVISUALSGIXPROC>(glXGetProcAddressARB(
              reinterpret_cast<const GLubyte*>("glXGetFBConfigFromVisualSGIX")))
        : nullptr;
    auto create_pbuffer = glx_has_extension("GLX_SGIX_pbuffer")
        ? reinterpret_cast<PFNGLXCREATEGLXPBUFFERSGIXPROC>(glXGetProcAddressARB(
              reinterpret_cast<const GLubyte*>("glXCreateGLXPbufferSGIX")))
        : nullptr;
    if (!fb_config_from_visual || !create_pbuffer) {
        xer << "No pbuffer extension found - using main window.\n" << std::flush;
    } else if (GLXFBConfigSGIX config = fb_config_from_visual(mnw.x_display, static_cast<XVisualInfo*>(mnw.visual_info))) {
        int no_attributes[] = {None};
        GLXPbufferSGIX pbuffer = create_pbuffer(mnw.x_display, config, 64, 64, no_attributes);
        if (!pbuffer) {
            xer << "Unable to build pbuffer.\n" << std::flush;
            return false;
        }
        drawable = pbuffer;
    } else {
        xer << "Unable to get config from visual.  Using main window.\n" << std::flush;
    }
    return glXMakeCurrent(mnw.x_display, drawable, context) == True;
}
