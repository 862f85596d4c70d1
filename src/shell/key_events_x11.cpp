// The X side of a key event: keysyms of the keycode and the input
// method's lookup, gathered into the facts the key pipeline reads.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "shell/keys.h"
#include "shell/mnw_state.h"

void keys_class::handle_key_raw(_XEvent* event)
{
    XKeyEvent& key = event->xkey;
    key_event_facts facts{};
    facts.kind = key.type == KeyPress     ? key_event_facts::press
                 : key.type == KeyRelease ? key_event_facts::release
                                          : key_event_facts::other;
    facts.state = key.state;
    facts.keycode = key.keycode;
    const KeyCode code = static_cast<KeyCode>(key.keycode);
    facts.sym0 = XkbKeycodeToKeysym(key.display, code, 0, 0);
    facts.sym1 = XkbKeycodeToKeysym(key.display, code, 0, 1);
    facts.lookup = key_event_facts::lookup_none;
    // Without an input context there is nothing to ask: the press takes
    // the keysym fallback, as for a lookup that found nothing.
    if (facts.kind == key_event_facts::press && mnw.input_context) {
        wchar_t buffer[10] = {};
        KeySym sym = NoSymbol;
        Status status = XLookupNone;
        XwcLookupString(mnw.input_context, &key, buffer, 10, &sym, &status);
        switch (status) {
        case XLookupChars: facts.lookup = key_event_facts::lookup_chars; break;
        case XLookupBoth: facts.lookup = key_event_facts::lookup_both; break;
        case XLookupKeySym: facts.lookup = key_event_facts::lookup_keysym; break;
        default: break;
        }
        facts.lookup_char = static_cast<int>(buffer[0]);
        facts.lookup_sym = sym;
    }
    handle_key_facts(facts);
}
