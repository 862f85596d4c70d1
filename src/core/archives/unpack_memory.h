// The memory the 7z unpackings of the program hold together.  7zz gives a
// scenery tile a dictionary of up to 256 MiB, and the DVD install pump runs
// one unpacker per processor: side by side they could hold more than the
// machine has, or reserve more address space than a limit on it (ulimit -v)
// leaves.  Each unpacking takes its share (what the header check says its
// decoding holds and reserves) before the decoder allocates anything, and
// gives it back when the unpacking ends, however it ends.
//
// A share waits until it fits beside the shares held; one larger than the
// whole memory budget runs once no other is held, as does one that asks to
// go alone, and while that one is held no other is taken.  Shares are
// served in the order they were asked for, so a large one is never passed
// over for ever, and a waiting unpacking holds nothing, so no two wait on
// each other.  One that gives up while it waits (its log line or a test's seam
// fails to allocate) gives up its place in the line too.  An unpacking
// takes one share at a time.
//
// Under a limit on the address space (RLIMIT_AS) the room a share may
// reserve is judged afresh at each look, from the address space the
// program holds then: another part of the program may have taken room
// since the last look.  A held share counts whole in that judgement
// whether or not its decoder has reserved its memory yet, so no share is
// taken into room a held one is about to reserve; a dictionary already
// reserved then counts twice, and fewer tiles may unpack side by side than
// would fit, never fewer than one.  A share that could not fit even were
// none held is refused at once, logged, rather than wait its turn for
// nothing.  A share is judged so with room to spare for what its
// unpacking allocates besides.  When the program's address space cannot be
// read, the shares go one at a time.
#pragma once

#include <cstdint>
#include <string>

// What an unpacking's decoding needs beyond the reader's own buffers.
struct unpack_memory_need {
    // Resident: the pages its data can fill.  The decoder touches a
    // dictionary only as far as it decodes.
    uint64_t resident = 0;
    // Reserved: every dictionary and model whole, as the decoder allocates
    // them; what an address-space limit counts.
    uint64_t address = 0;
};

class unpack_memory_share {
public:
    enum class turn {
        beside_others,
        alone,  // waits until no other share is held, and none is taken beside it
    };
    // Waits until `need` fits; `shown_as` names the file being unpacked in
    // the log.
    unpack_memory_share(const unpack_memory_need& need, const std::string& shown_as,
                        turn when = turn::beside_others);
    ~unpack_memory_share();
    unpack_memory_share(const unpack_memory_share&) = delete;
    unpack_memory_share& operator=(const unpack_memory_share&) = delete;
    // 0 once taken; ENOMEM, logged, when `need` cannot fit what the limit
    // on the address space leaves the program even were no share held.
    int result() const { return result_; }

private:
    void give_back();

    unpack_memory_need need_;
    std::string shown_as_;
    bool held_ = false;
    bool alone_ = false;
    int result_ = 0;
};

// For the log of an unpacking that ran out of memory: `need`, and the
// program's address space and its limit now.
std::string unpack_memory_share_text(const unpack_memory_need& need);

// The resident bytes the shares may add up to: a quarter of physical
// memory, or what a test set (0 restores the default).
uint64_t unpack_memory_budget();
void unpack_memory_set_budget(uint64_t bytes);
// The address space the shares may reserve together: under a limit on the
// process's address space, what it leaves beyond what the program holds
// at each look, less room for the rest of the program; without a limit, no
// bound.  Or a fixed budget a test set (0 restores the default).
void unpack_memory_set_address_budget(uint64_t bytes);

// What the shares did since the figures were last reset, for the log and
// for tests.
struct unpack_memory_figures {
    uint64_t held = 0;  // resident, now
    uint64_t peak = 0;  // the most held at once
    uint64_t address_held = 0;
    uint64_t address_peak = 0;
    unsigned taken = 0;
    unsigned waited = 0;   // shares that did not fit at once
    unsigned in_line = 0;  // shares asking for their turn now
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
using unpack_memory_hook = void (*)(unpack_memory_moment, uint64_t resident);
void unpack_memory_set_hook(unpack_memory_hook hook);
