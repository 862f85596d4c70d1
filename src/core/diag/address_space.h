// The program's address space and the limit on it (RLIMIT_AS, ulimit -v),
// for work that judges what it may take before it takes it: under a limit
// the address space is what runs out, and work that runs the program out
// of it leaves every other thread (the driver's among them) to fail.
#pragma once

#include <cstdint>

// The program's address space now, from /proc/self/statm; false when it
// cannot be read (no descriptor left).  Allocates nothing.
bool program_address_space(uint64_t& bytes);

// The limit on the program's address space, or 0 when there is none.
uint64_t address_space_limit();

// The free blocks of the heap that an allocation of the calling thread can
// be served from before the heap grows: those of glibc's main arena while
// the thread allocates there, as the main thread does; none where it
// allocates from another arena, which cannot be told apart.  Other
// arenas' free blocks (a worker's, after a large task) count for nothing:
// the thread reaches them only once an allocation of its own found no
// room, when the program is at its limit.
uint64_t heap_room_of_this_thread();
