#include "gfx/shared_buffers.h"

#include <cmath>
#include <cstdint>

unsigned char scratch_array_storage[scratch_array_bytes + 15];
unsigned char* scratch_array = scratch_array_storage + ((16 - reinterpret_cast<std::uintptr_t>(scratch_array_storage) % 16) % 16);
int scratch_dx = 0;
int scratch_dy = 0;

float lookup_sin[361];
float lookup_cos[361];

namespace {

// Filled during static construction, so drawing before start-up has
// finished (and every test) sees whole tables.
const bool tables_filled = [] {
    for (int a = 0; a <= 360; ++a) {
        lookup_sin[a] = static_cast<float>(std::sin(a * 0.017453292519943295));
        lookup_cos[a] = static_cast<float>(std::cos(a * 0.017453292519943295));
    }
    return true;
}();

}  // namespace
