// Stand-ins for the toolkit's first share (label rules, frames, the focus
// ring, the scroll bar) so the fields can be driven frame by frame before
// that share is linked in.  Weak definitions: once the real functions are
// in the library they win, and this file and its users' ring helpers go.
#pragma once

#include <string>
#include <vector>

namespace stand_in {

// The ring as the fields registered into it this frame.
struct ring_entry {
    int id;
    int* char_queue;
    int* vkey_queue;
    int* flag_queue;
    int* id_queue;
    int* count;
    int size;
    int mask;
};
extern std::vector<ring_entry> ring;
extern int focus_id;
extern int wind_focus;
extern int slider_calls;

// The start of a frame: an empty ring; a click drops the focus as the
// frame clock does.
void begin_frame();
// A key for the focused widget, queued as the dispatcher does; false when
// no widget has the focus.
bool press(int character, int vkey = 0, int flags = 8);

}  // namespace stand_in
