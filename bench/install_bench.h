// What the install benchmarks share: their clock and the bytes they make
// their releases of.
#pragma once

#include <chrono>
#include <string>

using clock_type = std::chrono::steady_clock;

inline double seconds_since(clock_type::time_point start)
{
    return std::chrono::duration<double>(clock_type::now() - start).count();
}

// Bytes that compress about as well as the simulator's data (a quarter).
inline std::string payload(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned x = seed * 2654435761u + 7;
    for (char& c : bytes) c = static_cast<char>(((x = x * 1103515245u + 12345u) >> 16) & 0x3f);
    return bytes;
}
