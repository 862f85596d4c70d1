#include "shell/x11_events.h"

#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstring>

#include "core/maker_site.h"
#include "core/shell_hooks.h"
#include "shell/frame_loop.h"
#include "shell/keys.h"
#include "shell/mnw_state.h"
#include "shell/window_stack.h"
#include "shell/x11_window.h"

namespace {

const char* key_name(XKeyEvent& key)
{
    // The first level of the key's mapping, as XKeycodeToKeysym(..., 0) gave it.
    const KeySym sym = XkbKeycodeToKeysym(key.display, static_cast<KeyCode>(key.keycode), 0, 0);
    return XKeysymToString(sym);
}

bool is(const char* name, const char* a, const char* b = nullptr)
{
    return std::strcmp(name, a) == 0 || (b && std::strcmp(name, b) == 0);
}

// Shift, Control and Alt are tracked here and go no further.
bool track_modifier(const char* name, int down)
{
    if (is(name, "Shift_L", "Shift_R"))
        linkey_shft = down;
    else if (is(name, "Control_L", "Control_R"))
        linkey_ctrl = down;
    else if (is(name, "Alt_L", "Alt_R"))
        linkey_optn = down;
    else
        return false;
    return true;
}

void key_event(XEvent* event, bool press)
{
    const char* name = key_name(event->xkey);
    if (!name) {
        std::printf("LINUX: Warning: X11 gave us a key %s with no keysym string! This isn't so good. "
                    "Verify the mapping of whatever key you just hit.\n",
                    press ? "press" : "release");
        return;
    }
    if (track_modifier(name, press)) return;
    // The other modifiers reach the key handling only when they come up.
    if (press && (is(name, "Super_L", "Super_R") || is(name, "Menu", "ISO_Level3_Shift"))) return;
    if (press) mnw.key_pressed = 1;
    mnw.key_down = press;
    keys.handle_key_raw(event);
}

void motion()
{
    int px = 0, py = 0;
    x11_query_pointer(mnw.main_window, &px, &py);
    if (!mnw.second_window_open ||
        (0 <= px && px <= mnw.screen_width && 0 <= py && py <= mnw.screen_height)) {
        MACIBM_load_mxy(mnw.main_window, px, py);
        return;
    }
    x11_query_pointer(mnw.second_window, &px, &py);
    MACIBM_load_mxy(mnw.second_window, px, py);
}

}  // namespace

int LIN_handlewin(_XDisplay*, _XEvent*, char*) { return True; }

void x11_handle_pending_events(int which)
{
    if (!mnw.x_display) return;
    XEvent event;
    XPointer window = reinterpret_cast<XPointer>(mnw.x_window(which));
    while (XCheckIfEvent(mnw.x_display, &event, LIN_handlewin, window)) {
        LIN_handleevt(&event, which);
        // A click is this frame's: what came after it waits for the next
        // frame, so that a pointer already moved on to another button does
        // not carry the click there before the widgets have seen it.
        if (event.type == ButtonPress && event.xbutton.button >= 1 && event.xbutton.button <= 3) break;
    }
}

void LIN_handleevt(_XEvent* event, int)
{
    switch (event->type) {
    case KeyPress:
    case KeyRelease:
        key_event(event, event->type == KeyPress);
        break;
    case ButtonPress: {
        const unsigned button = event->xbutton.button;
        if (button == 4) ++mnw.wheel_clicks;
        if (button == 5) --mnw.wheel_clicks;
        if (button >= 1 && button <= 3) {
            // Where the button went down: on a slow frame the pointer may
            // be over another button by the time the press is read.
            MACIBM_load_mxy(event->xbutton.window, event->xbutton.x, event->xbutton.y);
            mnw.middle_button = button == 2;
            mnw.click = 1;
            MACIBM_handleclick(0);
        }
        break;
    }
    case ButtonRelease:
        if (event->xbutton.button >= 1 && event->xbutton.button <= 3) {
            mnw.button_released = 1;
            MACIBM_handlerelease();
        }
        break;
    case MotionNotify:
        motion();
        break;
    case VisibilityNotify:
        MACIBM_startwind(mnw.current_window, 0);
        break;
    case DestroyNotify:
        MACIBM_startwind(0, 0);
        break;
    case CreateNotify:
    case ConfigureNotify:
    case UnmapNotify:
    case MapNotify:
    case ReparentNotify:
    case MappingNotify:
        break;
    case ClientMessage:
        if (event->xclient.message_type == XInternAtom(mnw.x_display, "WM_PROTOCOLS", False) &&
            static_cast<Atom>(event->xclient.data.l[0]) ==
                XInternAtom(mnw.x_display, "WM_DELETE_WINDOW", False))
            app_done = 1;
        break;
    default:
        std::printf("LINUX: X11 threw me something different, and I don't know how to handle it. "
                    "Email " NIMBREL_MAKER_SUPPORT_EMAIL " with this message and what you were "
                    "doing. Event ---> %d\n",
                    event->type);
        break;
    }
}
