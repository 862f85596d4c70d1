// Asks a window to close as a window manager's close button would: a
// WM_DELETE_WINDOW message to the window with the given name.  The test X
// server has no window manager, so tests send it with this.
//
//   send_close_request NAME [SECONDS]   waits up to SECONDS (default 10)
//                                       for the window to appear
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Window find_named(Display* display, Window under, const char* name)
{
    char* own = nullptr;
    if (XFetchName(display, under, &own) && own) {
        const bool match = std::strcmp(own, name) == 0;
        XFree(own);
        if (match) return under;
    }
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = find_named(display, children[i], name);
    if (children) XFree(children);
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: send_close_request NAME [SECONDS]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "send_close_request: cannot open display '%s'\n",
                     std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
        return 2;
    }
    const int tenths = (argc > 2 ? std::atoi(argv[2]) : 10) * 10;
    Window window = 0;
    for (int i = 0; i <= tenths && !window; ++i) {
        window = find_named(display, DefaultRootWindow(display), argv[1]);
        if (!window) usleep(100000);
    }
    if (!window) {
        std::fprintf(stderr, "send_close_request: no window named '%s'\n", argv[1]);
        return 1;
    }
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = window;
    message.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    message.xclient.format = 32;
    message.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    message.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &message);
    XCloseDisplay(display);
    return 0;
}
