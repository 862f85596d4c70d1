#include "glx_test_window.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include "display_for_tests.h"

namespace testing_support {

glx_test_window::glx_test_window(int width, int height) : width_(width), height_(height)
{
    const std::string name = display_for_tests();
    if (name.empty()) {
        error_ = "no display: set DISPLAY or run through ctest (fixture xvfb)";
        return;
    }
    display_ = XOpenDisplay(name.c_str());
    if (!display_) {
        error_ = "cannot open display " + name;
        return;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8,
                        GLX_BLUE_SIZE, 8, GLX_DEPTH_SIZE, 16, GLX_STENCIL_SIZE, 8, None};
    const int screen = DefaultScreen(display_);
    XVisualInfo* visual = glXChooseVisual(display_, screen, attributes);
    if (!visual) {
        error_ = "no double-buffered RGBA visual with GLX on " + name;
        return;
    }
    const Window root = RootWindow(display_, screen);
    colormap_ = XCreateColormap(display_, root, visual->visual, AllocNone);
    XSetWindowAttributes set{};
    set.colormap = colormap_;
    set.border_pixel = 0;
    window_ = XCreateWindow(display_, root, 0, 0, width, height, 0, visual->depth, InputOutput,
                            visual->visual, CWColormap | CWBorderPixel, &set);
    XMapWindow(display_, window_);
    GLXContext context = glXCreateContext(display_, visual, nullptr, True);
    XFree(visual);
    if (!context || !glXMakeCurrent(display_, window_, context)) {
        if (context) glXDestroyContext(display_, context);
        error_ = "cannot create or bind a GLX context on " + name;
        return;
    }
    context_ = context;
    glViewport(0, 0, width, height);
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
}

glx_test_window::~glx_test_window()
{
    if (!display_) return;
    if (context_) {
        glXMakeCurrent(display_, None, nullptr);
        glXDestroyContext(display_, static_cast<GLXContext>(context_));
    }
    if (window_) XDestroyWindow(display_, window_);
    if (colormap_) XFreeColormap(display_, colormap_);
    XCloseDisplay(display_);
}

glx_test_window::rgb glx_test_window::pixel(int x, int y) const
{
    unsigned char p[3] = {0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

}  // namespace testing_support
