// Display, window, window-manager properties, pointer and cursor.
//
//   -- Display and errors ---
//   -- Resolution ---
//   -- Window ---
//   -- Pointer and cursor ---
#include "shell/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/select.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/diag/log_stream.h"
#include "shell/mnw_state.h"

namespace {

std::atomic<int> x_errors{0};

// Xlib's default handler ends the process on any error, even one as
// harmless as a swap-control call the server does not know.  Log it and go
// on: the call that caused it reports its own failure.
int log_x_error(Display* display, XErrorEvent* error)
{
    char text[256] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    xer << "X error " << static_cast<int>(error->error_code) << " (" << text << ") in request "
        << static_cast<int>(error->request_code) << "." << static_cast<int>(error->minor_code)
        << ", resource 0x" << std::hex << error->resourceid << std::dec << ".\n"
        << std::flush;
    ++x_errors;
    return 0;
}

Display* display() { return mnw.x_display; }

Atom atom(const char* name) { return XInternAtom(display(), name, False); }

void set_utf8_property(Window window, const char* name, const char* value)
{
    XChangeProperty(display(), window, atom(name), atom("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(value),
                    static_cast<int>(std::strlen(value)));
}

void set_atom_property(Window window, const char* name, const Atom* atoms, int count)
{
    XChangeProperty(display(), window, atom(name), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms), count);
}

// Minimum and maximum both the window's size: the window manager is told
// it cannot be resized.
void set_fixed_size_hints(Window window, int width, int height)
{
    XSizeHints hints{};
    long supplied = 0;
    XGetWMNormalHints(display(), window, &hints, &supplied);
    hints.flags |= PMinSize | PMaxSize | PWinGravity;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    hints.win_gravity = CenterGravity;
    XSetWMNormalHints(display(), window, &hints);
}

void set_fullscreen_state(Window window, bool fullscreen)
{
    const Atom state = atom("_NET_WM_STATE_FULLSCREEN");
    set_atom_property(window, "_NET_WM_STATE", &state, fullscreen ? 1 : 0);
}

}  // namespace

// -- Display and errors ---

void x11_open_display()
{
    if (mnw.x_display) return;
    static bool threads_ready = false;
    if (!threads_ready) {
        threads_ready = true;
        XInitThreads();
        XSetErrorHandler(log_x_error);
    }
    mnw.x_display = XOpenDisplay(nullptr);
    if (!mnw.x_display) {
        const char* name = std::getenv("DISPLAY");
        xer << "Unable to open the X display '" << (name ? name : "") << "'"
            << (name ? "" : " (DISPLAY is not set)") << ".\n" << std::flush;
    }
}

int x11_error_count() { return x_errors; }

// -- Resolution ---

void MACIBM_setres(int apply)
{
    mnw.screen_width = mnw.x_res_request;
    mnw.screen_height = mnw.y_res_request;
    mnw.colour_depth = mnw.colour_res_request;

    if (!mnw.x_display) {
        x11_open_display();
        if (!mnw.x_display) return;
        mnw.input_method = XOpenIM(mnw.x_display, nullptr, nullptr, nullptr);
        if (!mnw.input_method) std::puts("Could not open IM.");
        if (mnw.input_method)
            mnw.input_context = XCreateIC(mnw.input_method, XNInputStyle,
                                          XIMPreeditNothing | XIMStatusNothing, nullptr);
        if (!mnw.input_context) std::puts("Could not open IC.");
    }

    const int screen = DefaultScreen(mnw.x_display);
    const int W = DisplayWidth(mnw.x_display, screen);
    const int H = DisplayHeight(mnw.x_display, screen);
    const int D = DefaultDepth(mnw.x_display, screen);
    if (mnw.inset_window) {
        mnw.screen_width = mnw.x_res_request = W - 40;
        mnw.screen_height = mnw.y_res_request = H - 60;
    }
    const int switch_flag = (W < 1024 || H < 768) ? 1 : mnw.set_res;

    static bool first_call_done = false;
    static int first_switch = 0;
    if (!first_call_done) {
        first_call_done = true;
        first_switch = switch_flag;
    }

    if (apply == 1) {
        if (!switch_flag) return;
        if (W == mnw.x_res_request && H == mnw.y_res_request && D == mnw.colour_res_request) return;
    } else if (!first_switch) {
        return;
    }
    if (!mnw.main_window) return;

    set_fixed_size_hints(mnw.main_window, mnw.screen_width, mnw.screen_height);
    XResizeWindow(mnw.x_display, mnw.main_window, static_cast<unsigned>(mnw.screen_width),
                  static_cast<unsigned>(mnw.screen_height));
    std::printf("%d vs %d X %d vs %d\n", W, mnw.screen_width, H, mnw.screen_height);
    set_fullscreen_state(mnw.main_window, W == mnw.screen_width && H == mnw.screen_height);
}

// -- Window ---

unsigned long x11_create_gl_window(int left, void* visual_info)
{
    const XVisualInfo* visual = static_cast<XVisualInfo*>(visual_info);
    Display* d = display();
    const Window root = RootWindow(d, visual->screen);
    const int width = mnw.screen_width, height = mnw.screen_height;

    XSetWindowAttributes attributes{};
    attributes.border_pixel = 0;
    attributes.colormap = XCreateColormap(d, root, visual->visual, AllocNone);
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            PointerMotionMask | ButtonMotionMask | VisibilityChangeMask |
                            StructureNotifyMask | SubstructureNotifyMask;
    const Window window = XCreateWindow(d, root, left, 0, static_cast<unsigned>(width),
                                        static_cast<unsigned>(height), 0, visual->depth,
                                        InputOutput, visual->visual,
                                        CWBorderPixel | CWColormap | CWEventMask, &attributes);
    if (!window) return 0;

    char name[] = "N-System";
    char* names[] = {name};
    XTextProperty text{};
    if (XStringListToTextProperty(names, 1, &text)) {
        XSetWMName(d, window, &text);
        XFree(text.value);
    }
    char res_name[] = "main_window", res_class[] = "Nimbrel";
    XClassHint class_hint{res_name, res_class};
    XSetClassHint(d, window, &class_hint);
    set_fixed_size_hints(window, width, height);

    if (const char* startup_id = std::getenv("DESKTOP_STARTUP_ID"))
        set_utf8_property(window, "_NET_STARTUP_ID", startup_id);
    set_utf8_property(window, "_NET_WM_NAME", "N-System");
    const Atom normal = atom("_NET_WM_WINDOW_TYPE_NORMAL");
    set_atom_property(window, "_NET_WM_WINDOW_TYPE", &normal, 1);
    const Atom actions[3] = {atom("_NET_WM_ACTION_CLOSE"), atom("_NET_WM_ACTION_FULLSCREEN"),
                             atom("_NET_WM_ACTION_MOVE")};
    set_atom_property(window, "_NET_WM_ALLOWED_ACTIONS", actions, 3);

    // Either side filling the display counts as full screen here; the
    // resolution setter asks for both.
    const int screen = DefaultScreen(d);
    const bool fullscreen = width == DisplayWidth(d, screen) || height == DisplayHeight(d, screen);
    set_fullscreen_state(window, fullscreen);
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = atom("_NET_WM_STATE");
    message.xclient.format = 32;
    message.xclient.data.l[0] = fullscreen ? 1 : 0;
    message.xclient.data.l[1] = static_cast<long>(atom("_NET_WM_STATE_FULLSCREEN"));
    message.xclient.data.l[2] = 0;
    XSendEvent(d, RootWindow(d, screen), False, SubstructureNotifyMask | SubstructureRedirectMask,
               &message);

    Atom delete_window = atom("WM_DELETE_WINDOW");
    XSetWMProtocols(d, window, &delete_window, 1);

    XMapWindow(d, window);
    XEvent first{};
    XNextEvent(d, &first);
    return window;
}

void x11_destroy_window(unsigned long window)
{
    if (display() && window) XDestroyWindow(display(), window);
}

void x11_ungrab_keyboard()
{
    if (display()) XUngrabKeyboard(display(), CurrentTime);
}

void x11_wait_for_input(long microseconds)
{
    if (!display()) return;
    const int fd = ConnectionNumber(display());
    fd_set read_set;
    FD_ZERO(&read_set);
    FD_SET(fd, &read_set);
    timeval timeout{0, microseconds};
    select(fd + 1, &read_set, nullptr, nullptr, &timeout);
}

// -- Pointer and cursor ---

void x11_query_pointer(unsigned long window, int* x, int* y)
{
    Window root_return = 0, child = 0;
    int root_x = 0, root_y = 0;
    unsigned int mask = 0;
    *x = *y = 0;
    if (display() && window)
        XQueryPointer(display(), window, &root_return, &child, &root_x, &root_y, x, y, &mask);
}

void x11_warp_pointer(unsigned long window, int x, int y)
{
    if (display() && window) XWarpPointer(display(), None, window, 0, 0, 0, 0, x, y);
}

unsigned long LIN_create_null_cursor(_XDisplay* d, unsigned long window)
{
    const Pixmap pixels = XCreatePixmap(d, window, 1, 1, 1);
    XGCValues values{};
    values.function = GXclear;
    const GC gc = XCreateGC(d, pixels, GCFunction, &values);
    XFillRectangle(d, pixels, gc, 0, 0, 1, 1);
    XColor black{};
    black.flags = DoBlue;
    const Cursor cursor = XCreatePixmapCursor(d, pixels, pixels, &black, &black, 0, 0);
    XFreePixmap(d, pixels);
    XFreeGC(d, gc);
    return cursor;
}

void x11_hide_cursor(unsigned long window, int which, int hide)
{
    if (!display() || !window) return;
    // The invisible cursors of the main and the second window, made once.
    static Cursor dot0 = 0, dot1 = 0;
    if (!hide) {
        XUndefineCursor(display(), window);
        return;
    }
    Cursor& dot = which == 1 ? dot1 : dot0;
    if (!dot) dot = LIN_create_null_cursor(display(), window);
    XDefineCursor(display(), window, dot);
}

void x11_flush()
{
    if (display()) XFlush(display());
}
