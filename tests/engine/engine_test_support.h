// Helpers of the engine tests: manifests written from their lines, and the
// engine's globals back at their start.
#pragma once

#include <string>
#include <vector>

#include "core/shell_hooks.h"  // app_done, which reset_engine_state clears

namespace engine_testing {

// The common header of a manifest followed by the body.
std::string manifest_text(const std::string& body, int version = 900);

// sim_info, stg, the filter, the run's folder and the wizard's globals as
// before main.
void reset_engine_state();

// While this lives, the signals are as a program sets them at start-up
// (UTL_debug_init), from their default action: a write past the size limit
// of this process's files fails rather than ends the test.  The test's own
// setting comes back after.
class program_signals {
public:
    program_signals();
    ~program_signals();
    program_signals(const program_signals&) = delete;
    program_signals& operator=(const program_signals&) = delete;

private:
    void (*xfsz_)(int);
    void (*pipe_)(int);
};

}  // namespace engine_testing
