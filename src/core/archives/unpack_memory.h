// The memory the 7z unpackings of the program hold together.  7zz gives a
// scenery tile a dictionary of up to 256 MiB, and the DVD install pump runs
// one unpacker per processor: side by side they could hold more than the
// machine has.  Each unpacking takes its share (what the header check says
// its decoding holds resident) before the decoder allocates anything, and
// gives it back when the unpacking ends, however it ends.
//
// A share waits until it fits beside the shares held; one larger than the
// whole budget runs once no other is held.  Shares are served in the order
// they were asked for, so a large one is never passed over for ever, and a
// waiting unpacking holds nothing, so no two wait on each other.  An
// unpacking takes one share at a time.
#pragma once

#include <cstdint>
#include <string>

class unpack_memory_share {
public:
    // Waits until `bytes` fit; `archive` names the wait in the log.
    unpack_memory_share(uint64_t bytes, const std::string& archive);
    ~unpack_memory_share();
    unpack_memory_share(const unpack_memory_share&) = delete;
    unpack_memory_share& operator=(const unpack_memory_share&) = delete;

private:
    uint64_t bytes_;
};

// The bytes the shares may add up to: a quarter of physical memory, or
// what a test set (0 restores the default).
uint64_t unpack_memory_budget();
void unpack_memory_set_budget(uint64_t bytes);

// What the shares did since the figures were last reset, for the log and
// for tests.
struct unpack_memory_figures {
    uint64_t held = 0;  // now
    uint64_t peak = 0;  // the most held at once
    unsigned taken = 0;
    unsigned waited = 0;  // shares that did not fit at once
};
unpack_memory_figures unpack_memory_now();
void unpack_memory_reset_figures();

// -- A test's seam ---
// A test holds an unpacking at a chosen moment of its share, on the
// unpacking's own thread and with no lock held, rather than hoping that a
// second unpacker asks while the first still holds.  No hook is set in the
// program.
enum class unpack_memory_moment {
    waiting,  // a share did not fit and is about to wait
    taken,    // a share was taken, before the decoder is set up
};
using unpack_memory_hook = void (*)(unpack_memory_moment, uint64_t bytes);
void unpack_memory_set_hook(unpack_memory_hook hook);
