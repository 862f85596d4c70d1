// The log header: the build banner and the processor and memory facts the
// kernel gives under /proc.
#pragma once

#include <ostream>

// Writes the whole header, ending with the program-folder line; the two
// /proc files can be replaced for tests.
void MACIBM_write_log_header(std::ostream& out, const char* cpuinfo = "/proc/cpuinfo",
                             const char* meminfo = "/proc/meminfo");
