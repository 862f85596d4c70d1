#include "core/int_rand.h"

#include <cstdio>
#include <cstdlib>

#include "core/shell_hooks.h"

int int_rand(int lo, int hi)
{
    if (lo == hi) return lo;
    if (lo > hi) {
        char bounds[64];
        std::snprintf(bounds, sizeof bounds, "lo=%1.0f hi=%1.0f", double(lo), double(hi));
        __MACIBM_alert(0, "int rand range negative!", bounds, "", "", 2, __FILE__, __LINE__);
        return lo;  // only a test's alert hook comes back here
    }
    // In 64 bits: hi - lo + 1 overflows int for the widest ranges.
    long long span = static_cast<long long>(hi) - lo + 1;
    return static_cast<int>(lo + std::rand() % span);
}
