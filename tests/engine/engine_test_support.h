// Helpers of the engine tests: manifests written from their lines, and the
// engine's globals back at their start.
#pragma once

#include <string>
#include <vector>

#include "core/shell_hooks.h"  // app_done, which reset_engine_state clears

namespace engine_testing {

// The common header of a manifest followed by the body.
std::string manifest_text(const std::string& body, int version = 900);

// sim_info, stg, the filter and the wizard's globals as before main.
void reset_engine_state();

}  // namespace engine_testing
