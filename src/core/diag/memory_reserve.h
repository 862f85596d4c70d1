// A reserve of address space for the main thread's allocations that must
// not fail.  Code of ours that allocates by what its input claims catches
// std::bad_alloc and ends the work at hand; code that cannot take a failed
// allocation (the OpenGL driver's shader compiler, which a failure ends
// the program in without a word) runs on the main thread inside a frame.
// When an allocation there finds no room, the reserve is given back so
// that it succeeds, and between frames the shell asks for the reserve
// again: memory that came back since was only short for a moment; memory
// that did not has run out, and the program ends with its alert.
//
// Work that answers for its own failed allocations (reading a manifest,
// the archive readers, the copy gate) runs inside an
// own_allocation_failures: there an allocation that finds no room fails at
// once, so the work ends as its own failure and the reserve stays for the
// code that cannot.  Were the reserve given to such work, what it then
// kept would stay, and the next frame would end the program.
//
// Other threads never touch the reserve: their failures are their tasks'
// errors (ENOMEM), and a worker holding the room would end the program.
#pragma once

#include <cstddef>

// What the programs set aside at start-up: room for the driver to compile
// a screen's shaders, or for the program to show its alert.
constexpr std::size_t kMemoryReserveBytes = 16u << 20;

// Sets aside `bytes` of address space (no memory) for the calling thread,
// the main one, and installs the new-handler that gives it up; false when
// there was no room for it.
bool memory_reserve_take(std::size_t bytes);

// Between frames, on the main thread: true unless the reserve was given up
// for a failed allocation and cannot be set aside again.
bool memory_reserve_restored();

// The new-handler itself: on the thread that set the reserve aside, outside
// an own_allocation_failures, it gives the reserve up and returns, so the
// allocation is tried again; anywhere else, or with no reserve left, it
// throws std::bad_alloc.
void memory_reserve_handler();

// While one lives, an allocation of this thread's that finds no room fails
// at once, through operator new or a mapping alike.  They nest.
class own_allocation_failures {
public:
    own_allocation_failures();
    ~own_allocation_failures();
    own_allocation_failures(const own_allocation_failures&) = delete;
    own_allocation_failures& operator=(const own_allocation_failures&) = delete;
};

// Whether the reserve is set aside now (tests).
bool memory_reserve_held();
