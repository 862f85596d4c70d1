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
// Other threads never touch the reserve: their failures are their tasks'
// errors (ENOMEM), and a worker holding the room would end the program.
#pragma once

#include <cstddef>

// What the programs set aside at start-up: room for the driver to compile
// a screen's shaders, or for the program to show its alert.
constexpr std::size_t kMemoryReserveBytes = 16u << 20;

// Sets aside `bytes` of address space (no memory) and installs the
// new-handler that gives it up; false when there was no room for it.
bool memory_reserve_take(std::size_t bytes);

// Between frames, on the main thread: true unless the reserve was given up
// for a failed allocation and cannot be set aside again.
bool memory_reserve_restored();

// The new-handler itself: on the main thread (or before the thread layer
// starts) it gives the reserve up and returns, so the allocation is tried
// again; anywhere else, or with no reserve left, it throws std::bad_alloc.
void memory_reserve_handler();

// Whether the reserve is set aside now (tests).
bool memory_reserve_held();
