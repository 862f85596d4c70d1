// The movie recorder's interface.  No movie is recorded on this platform:
// every operation is empty, the per-frame hook never takes the frame, and
// the one window says so.
#pragma once

class qtim_class {
public:
    qtim_class() {}
    ~qtim_class() {}
    void stop_thread() {}
    int mov_add_frame() { return 0; }
    void mov_toggle(int) {}
    // 0: the frame loop swaps the buffers itself.
    int mov_per_frame() { return 0; }
    void draw_record_lgt() {}
    // The notice that movies are not available, drawn once per call.
    void qtim_wind();
};

extern qtim_class qtim;
